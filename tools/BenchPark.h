#pragma once
// The demo park a benchmark measures: found in its folder, or made there.
#include "Bench.h"
#include "DemoPark.h"
#include "Session.h"
#include <QFileInfo>
#include <optional>

namespace Bench {

struct TBenchPark {
    QString File;                           // the shared database
    std::optional<TDemoParkCounts> Made;    // set when the park was made now
};

// Points the aliases at dir and makes a park of opt there when it has none.
inline TBenchPark UsePark(const QString& dir, const TDemoParkOptions& opt)
{
    TBenchPark park{QDir(dir).absoluteFilePath(QStringLiteral("Daten/Pelmora.sqlite")), std::nullopt};
    const bool exists = QFileInfo::exists(park.File);
    DemoPark::UseDirectory(dir);
    if (!exists) {
        Out() << "Erzeuge Park in " << dir << " ...\n";
        Out().flush();
        park.Made = DemoPark::Generate(opt);
        // Measured on a fresh session, as the program would find the park.
        Session().CloseDatabases();
    }
    return park;
}

}   // namespace Bench
