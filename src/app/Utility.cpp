#include "Utility.h"
#include "DBFormat.h"
#include <cmath>

QStringList YearListItems(const QDate& today)
{
    QStringList items;
    const int last = std::max(today.year() + 10, 1990);
    for (int y = 1990; y <= last; ++y) items << QString::number(y);
    return items;
}

int YearListIndex(const QStringList& items, const QDate& today)
{
    // Searched from the top; not found ends one past the last item.
    int i = 0;
    while (i < items.size() && items[i] != QString::number(today.year())) ++i;
    return i < items.size() ? i : -1;
}

std::optional<QDate> AddMonthsExact(const QDate& date, int months)
{
    int y = date.year() + months / 12;
    int m = date.month() + months % 12;
    if (m > 12) {
        ++y;
        m -= 12;
    }
    if (m < 1 || !QDate::isValid(y, m, date.day())) return std::nullopt;
    return QDate(y, m, date.day());
}

qint64 ToFixed(double amount)
{
    return qint64(std::nearbyint(amount * 10000.0));
}

double FromFixed(qint64 value)
{
    return double(value) / 10000.0;
}

QString FixedToStr(qint64 value)
{
    return DBFormat::FloatToStrFixed(FromFixed(value), 2);
}
