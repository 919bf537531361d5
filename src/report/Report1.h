#pragma once
// The report jobs: each list of the program prints or previews through one
// operation with a report kind and a mode.
#include <functional>

// Kinds as the program numbers its reports (3 is not used).
enum TReportKind {
    rkMonatsuebersicht = 0, rkMonatsauswertung = 1, rkVarKosten = 2, rkStammdaten = 4, rkTermine = 5,
    rkHistorie = 6, rkStammdatenListe = 7, rkFuhrparkKosten = 8
};
// Mode 2 shows the preview, any other mode prints.
enum TReportMode { rmPrint = 1, rmPreview = 2 };

// Runs a report. The callers have checked their own preconditions.
void RunReport(TReportKind kind, TReportMode mode);
// Opens the layout of a report kind in the report designer.
void DesignReport(TReportKind kind);

// Told every report that is run or designed (tests, and the report engine
// once it is bound, which takes the jobs from here).
extern std::function<void(TReportKind, TReportMode)> OnRunReport;
extern std::function<void(TReportKind)> OnDesignReport;
