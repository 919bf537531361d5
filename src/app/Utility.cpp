#include "Utility.h"
#include "DBFormat.h"
#include <cmath>
#include <algorithm>

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

std::optional<QDate> AddMonths(const QDate& date, int months)
{
    if (!date.isValid()) return std::nullopt;
    // Months counted from year 0 keep the arithmetic away from QDate's limits.
    const qint64 total = qint64(date.year()) * 12 + (date.month() - 1) + months;
    const qint64 y = total >= 0 ? total / 12 : (total - 11) / 12;
    const int m = int(total - y * 12) + 1;
    if (y < 1 || y > 9999) return std::nullopt;
    const int lastDay = QDate(int(y), m, 1).daysInMonth();
    return QDate(int(y), m, std::min(date.day(), lastDay));
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
