#pragma once
// Generator of a demo machine park: masters, vouchers, monthly evaluations
// and history written straight into the alias databases of a directory.
#include <QString>
#include <QtGlobal>

struct TDemoParkOptions {
    int Machines = 60;
    int Years = 4;                 // voucher period back from today
    double VouchersPerMonth = 3;   // average per machine and active month
    qint64 TotalVouchers = 0;      // > 0: exactly this many, spread over the machines
    quint32 Seed = 4711;
};

struct TDemoParkCounts {
    qint64 Machines = 0, Vouchers = 0, Evaluations = 0, History = 0, Groups = 0, Locations = 0;
    qint64 Millis = 0;
};

namespace DemoPark {

// Points both aliases at DIR/Daten and DIR/Privat and writes DIR/aliases.ini.
void UseDirectory(const QString& dir);
// Machines, vouchers, evaluations or history already in DIR's shared database.
bool HasData(const QString& dir);
// Removes both database files of DIR (the session must not hold them open).
void RemoveDatabases(const QString& dir);
// Fills the park; UseDirectory must have been called. Throws on engine errors.
TDemoParkCounts Generate(const TDemoParkOptions& opt);

}
