#pragma once
// What the benchmark programs share: output, German numbers, the best of
// several runs, and raw SQL statements beside the store.
#include "DBErrors.h"
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <functional>

namespace Bench {

inline QTextStream& Out()
{
    static QTextStream s(stdout);
    return s;
}

inline const QLocale& De()
{
    static const QLocale l(QLocale::German, QLocale::Germany);
    return l;
}

inline QString Num(double v, int decimals) { return De().toString(v, 'f', decimals); }

// The one folder the command line names, as an absolute path; empty, with
// the help shown, when there is not exactly one.
inline QString OneDirectory(const QCommandLineParser& p)
{
    if (p.positionalArguments().size() != 1) {
        QTextStream(stderr) << "Bitte genau ein Verzeichnis angeben.\n" << p.helpText();
        return {};
    }
    return QDir(p.positionalArguments().first()).absolutePath();
}

// One run in milliseconds, for operations too slow to repeat.
inline double Ms(const std::function<void()>& op)
{
    QElapsedTimer t;
    t.start();
    op();
    return t.nsecsElapsed() / 1e6;
}

// Best of `runs` in milliseconds: the quick operations are noisy. `check`
// gets the figure the operation computed, to compare both ways; `after`
// (not timed) undoes what a run left behind before the next one.
template <typename Op, typename Check>
double Time(int runs, Op&& op, Check& check, const std::function<void()>& after = {})
{
    double best = -1;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        check = op();
        const double ms = t.nsecsElapsed() / 1e6;
        if (after) after();
        if (best < 0 || ms < best) best = ms;
    }
    return best;
}

inline QSqlQuery Prepare(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);   // as the store does: no row cache in QtSql
    if (!q.prepare(sql)) throw EDatabaseError(QStringLiteral("%1: %2").arg(sql, q.lastError().text()));
    return q;
}

inline void Exec(QSqlQuery& q)
{
    if (!q.exec()) throw EDatabaseError(q.lastError().text());
}

}   // namespace Bench
