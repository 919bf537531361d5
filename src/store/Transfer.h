#pragma once
// Copies a park's tables from one database into another, in either
// direction between a folder and a server: for moving a park onto a server
// and for taking a backup of a server park into a file.
#include <QString>
#include <functional>
#include <vector>

class TDatabase;

struct TTransferCount {
    QString Table;
    qint64 Source = 0;    // records before
    qint64 Target = 0;    // records after, counted in the target
};

// The records of every table of a park, in the order they are copied.
std::vector<TTransferCount> CountTables(TDatabase& db);

// Refused when the target holds any table already. Everything is written in
// one transaction of the target: after an error it is as empty as before.
// `progress` is called now and then with the table and its records so far;
// an exception from it (EAbort for the user's cancel) undoes the whole copy.
std::vector<TTransferCount> TransferTables(TDatabase& from, TDatabase& to,
                                           const std::function<void(const QString&, qint64)>& progress = {});
