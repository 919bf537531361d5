#pragma once
// The report jobs: each list of the program prints or previews through one
// operation with a report kind and a mode.
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class TDataSource;
class TRepEngine;
class TTable;

// Kinds as the program numbers its reports (3 is not used).
enum TReportKind {
    rkMonatsuebersicht = 0, rkMonatsauswertung = 1, rkVarKosten = 2, rkStammdaten = 4, rkTermine = 5,
    rkHistorie = 6, rkStammdatenListe = 7, rkFuhrparkKosten = 8
};
// Mode 2 shows the preview, any other mode prints.
enum TReportMode { rmPrint = 1, rmPreview = 2 };

// What the jobs need of the program, filled once at start. The windows are
// read by their controls' names (labels and lists whose texts a report
// prints) and are the parents of the engine's windows.
struct TReportContext {
    TRepEngine* Engine = nullptr;
    TTable* TTblVar = nullptr;           // the spare handle
    TTable* TTblVar1 = nullptr;          // reset together with it
    TTable* TTblMain = nullptr;          // the machines; the main window's current one
    TDataSource* TDataSrcMain = nullptr; // master of the linked reports
    TTable* TTblMonatKosten = nullptr;   // the monthly overview, filtered as the window shows it
    QPointer<QWidget> MainWindow;
    QPointer<QWidget> TerminWindow;      // heading "TLblTerminart"; parent of the due-date report
    QPointer<QWidget> SettingsWindow;    // parent of the designer
    // The park-cost window: period, filter and totals as it shows them; parent of its report.
    QPointer<QWidget> FuhrparkWindow;
    TTable* TTblFuhrparkKosten = nullptr; // its working table, whose captions the grid shows
};
void SetReportContext(const TReportContext& context);
const TReportContext& ReportContext();

// Runs a report. The callers have checked their own preconditions.
void RunReport(TReportKind kind, TReportMode mode);
// Opens the layout of a report kind in the report designer.
void DesignReport(TReportKind kind);

// The layout file of a kind, "" for a kind without one.
QString LayoutFileOf(TReportKind kind);
// Writes the delivered layouts missing in `dir`; a file that is there,
// edited by the user or not, stays as it is.
void WriteMissingLayouts(const QString& dir);

// Told every report that is run or designed instead of running it (tests).
extern std::function<void(TReportKind, TReportMode)> OnRunReport;
extern std::function<void(TReportKind)> OnDesignReport;
