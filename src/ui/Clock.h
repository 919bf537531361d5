#pragma once
// The local clock, settable by tests.
#include <QDate>
#include <QDateTime>

QDate Today();
QDateTime Now();
// From now on Now() answers this moment (no ticking) until reset.
void SetTestClock(const QDateTime& moment);
void ResetTestClock();
