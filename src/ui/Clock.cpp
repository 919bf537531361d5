#include "Clock.h"

namespace {
QDateTime& Fixed()
{
    static QDateTime t;
    return t;
}
}   // namespace

QDateTime Now()
{
    return Fixed().isValid() ? Fixed() : QDateTime::currentDateTime();
}

QDate Today()
{
    return Now().date();
}

void SetTestClock(const QDateTime& moment) { Fixed() = moment; }
void ResetTestClock() { Fixed() = QDateTime(); }
