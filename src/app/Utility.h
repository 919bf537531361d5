#pragma once
// Small helpers of the main window and its dialogs.
#include <QDate>
#include <QStringList>
#include <QtGlobal>
#include <optional>

// Items of every year list: "1990" up to ten years after today's year.
QStringList YearListItems(const QDate& today);
// Index of today's year in such a list, -1 when it is not there.
int YearListIndex(const QStringList& items, const QDate& today);

// Moves a date by whole months (back for a negative number). A day that the
// target month lacks becomes its last day, as inspection months are counted
// (31.08. + 6 gives the end of February). No date when the year leaves 1 to 9999.
std::optional<QDate> AddMonths(const QDate& date, int months);

// Money as the program sums it: ten-thousandths, an exact half to the even
// neighbour; shown with two decimals and no thousands separator.
qint64 ToFixed(double amount);
double FromFixed(qint64 value);
QString FixedToStr(qint64 value);
