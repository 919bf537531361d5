#include "Report1.h"
#include "BusyCursor.h"
#include "DataSet.h"
#include "Dialogs.h"
#include "Engine.h"
#include "RepEngine.h"
#include "Table.h"
#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>

std::function<void(TReportKind, TReportMode)> OnRunReport;
std::function<void(TReportKind)> OnDesignReport;

namespace {

TReportContext g_context;

// The engine takes at most this much of one text.
constexpr int MaxContents = 64000;

using TVarList = QList<QPair<QString, QString>>;

// How a kind sets up the spare handle: no table means it is not used.
struct TSpareHandle {
    const char* Alias = nullptr;
    const char* Table = nullptr;
    const char* IndexFields = nullptr;
    bool Linked = false;             // follows the main window's machine on "IdentNummer"
    bool ToCurrentMachine = false;   // moved to the main window's machine
    bool YearFilter = false;         // the monthly overview's year, when it is filtered
};

enum class TVarSet { None, Machine, Record };
enum class TParentWindow { Main, Termine, Fuhrpark };

// One report kind: its layout, its table, its variables and fields.
struct TKindDef {
    TReportKind Kind;
    const char* Layout;
    int ProjectType;
    TParentWindow Parent;
    TSpareHandle Spare;
    TVarSet Variables;
    // Variables after the machine or record variables, from the program's windows.
    TVarList (*Special)(const TReportContext&);
    bool TableFields;
    bool FreeDateNames;
};

QString ControlText(QWidget* window, const char* name)
{
    if (!window) return QString();
    QWidget* w = window->findChild<QWidget*>(QString::fromLatin1(name));
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    return QString();
}

TVarList MonthlyVariables(const TReportContext& c)
{
    static const std::pair<const char*, const char*> sources[] = {
        {"MonatMonatsauswertung", "CmbBoxMonatsauswertungMonat"},
        {"JahrMonatsauswertung", "CmbBoxMonatsauswertungJahr"},
        {"VarKostenReparatur", "TLblReparaturKostenMonat"},
        {"VarKostenReifen", "TLblReifenKostenMonat"},
        {"VarKostenWartung", "TLblWartungKostenMonat"},
        {"VarKostenUntersuchung", "TLblUntersuchungKostenMonat"},
        {"VarKostenBenzin", "TLblBenzinKostenMonat"},
        {"VarKostenSonstige1", "TLblSonstige1KostenMonat"},
        {"VarKostenSonstige2", "TLblSonstige2KostenMonat"},
        {"VarKostenSonstige3", "TLblSonstige3KostenMonat"},
        {"VarKostenSumme", "TLblSummeVarKostenMonat"},
        {"GesamtKostenSumme", "TLblSummeGesamtKostenMonat"},
        {"VerbrauchLiterMonat", "TLblSummeVerbrauchLiterMonat"},
        {"SummeBetriebsstunden", "TLblSummeBetriebsstunden"}};
    TVarList out;
    for (const auto& [variable, control] : sources)
        out.append({QString::fromLatin1(variable), ControlText(c.MainWindow, control)});
    return out;
}

TVarList DatabaseNameVariable(const TReportContext& c)
{
    return {{QStringLiteral("DatabaseName"), c.TTblVar->TableName()}};
}

TVarList TerminartVariable(const TReportContext& c)
{
    return {{QStringLiteral("Terminart"), ControlText(c.TerminWindow, "TLblTerminart")}};
}

// The park-cost report prints what its window shows: the period, the filter,
// the totals, the grid's captions and the chart picture the window saved.
TVarList FuhrparkVariables(const TReportContext& c)
{
    static const std::pair<const char*, const char*> sums[] = {
        {"GesamtKosten", "LblGesamtKosten"},        {"ReparaturKosten", "LblKostenWert1"},
        {"ReifenKosten", "LblKostenWert2"},         {"WartungKosten", "LblKostenWert3"},
        {"UntersuchungKosten", "LblKostenWert4"},   {"VerbrauchKosten", "LblKostenWert5"},
        {"SonstigeKosten", "LblKostenWert6"},       {"Sonstige2Kosten", "LblKostenWert7"},
        {"Sonstige3Kosten", "LblKostenWert8"},      {"VerbrauchLiter", "LblGesamtVerbrauch"}};
    TVarList out{{QStringLiteral("Auswertungszeitraum"), ControlText(c.FuhrparkWindow, "LblAuswertungszeitraum")},
                 {QStringLiteral("Filter"), ControlText(c.FuhrparkWindow, "LblFilter")},
                 {QStringLiteral("Grafik"), QStringLiteral("Fuhrpks~.svg")}};
    for (const auto& [field, label] : sums)
        out.append({QStringLiteral("Summe") + QLatin1String(field), ControlText(c.FuhrparkWindow, label)});
    if (c.TTblFuhrparkKosten)
        for (const auto& f : c.TTblFuhrparkKosten->Fields())
            out.append({QStringLiteral("Spalte") + f->FieldName(), f->DisplayLabel()});
    return out;
}

// The kinds of the program. A new kind is one more line here and its
// delivered layout in resources/reports (listed in reports.qrc).
const TKindDef Kinds[] = {
    {rkMonatsuebersicht, "Mon_Ueb.lst", eptList, TParentWindow::Main,
     {"Pelmora", "KfzMonat.db", "IdentNummer", true, false, true}, TVarSet::Machine, nullptr, true, false},
    {rkMonatsauswertung, "Mon_Aus.crd", eptCard, TParentWindow::Main, {}, TVarSet::Machine, MonthlyVariables, false,
     false},
    {rkVarKosten, "VarKost.lst", eptList, TParentWindow::Main, {"Pelmora", "KfzVar.db", "IdentNummer", true},
     TVarSet::Machine, DatabaseNameVariable, true, false},
    {rkStammdaten, "Stammdat.crd", eptCard, TParentWindow::Main, {"Pelmora", "KfzStamm.db", nullptr, false, true},
     TVarSet::Record, nullptr, false, false},
    {rkTermine, "Termine.lst", eptList, TParentWindow::Termine, {"PelmoraPriv", "Termine.db"}, TVarSet::Machine,
     TerminartVariable, true, true},
    {rkHistorie, "Historie.lst", eptList, TParentWindow::Main, {"Pelmora", "KfzHisto.db", "KfzNr", true},
     TVarSet::Machine, DatabaseNameVariable, true, false},
    {rkStammdatenListe, "StammLis.lst", eptList, TParentWindow::Main, {"Pelmora", "KfzStamm.db"}, TVarSet::None,
     nullptr, true, true},
    {rkFuhrparkKosten, "Fuhrpark.lst", eptList, TParentWindow::Fuhrpark, {"PelmoraPriv", "KfzFuKst.db"}, TVarSet::None,
     FuhrparkVariables, true, false},
};

const TKindDef* FindKind(TReportKind kind)
{
    for (const TKindDef& k : Kinds)
        if (k.Kind == kind) return &k;
    return nullptr;
}

// A field's text as the engine gets it: the display text, a memo's own
// text, at most MaxContents characters.
QString Contents(const TField* f)
{
    const QString text = f->DataType() == ftMemo || f->DataType() == ftFmtMemo ? f->AsString() : f->DisplayText();
    return text.size() > MaxContents ? text.left(MaxContents) : text;
}

// One run or design of a kind.
class TReportJob {
public:
    TReportJob(const TReportContext& c, const TKindDef& def) : C(c), D(def), E(*c.Engine) {}

    void Configure(bool yearFilter)
    {
        if (!D.Spare.Table) return;
        TTable* t = C.TTblVar;
        t->Close();
        t->SetDatabaseName(QString::fromLatin1(D.Spare.Alias));
        t->SetTableName(QString::fromLatin1(D.Spare.Table));
        if (D.Spare.IndexFields) t->SetIndexFieldNames(QString::fromLatin1(D.Spare.IndexFields));
        if (D.Spare.Linked) {
            t->SetMasterSource(C.TDataSrcMain);
            t->SetMasterFields(QStringLiteral("IdentNummer"));
        }
        // The report shows the year the overview shows.
        if (yearFilter && D.Spare.YearFilter && C.TTblMonatKosten && !C.TTblMonatKosten->Filter().isEmpty()) {
            t->SetFilter(QStringLiteral("AuswJahr = ") + ControlText(C.MainWindow, "ComboBoxJahr"));
            t->SetFiltered(true);
        }
        t->Open();
        if (D.Spare.ToCurrentMachine) t->GotoCursorOf(C.TTblMain);
    }

    void DefineVariables(bool start)
    {
        if (D.Variables == TVarSet::None && !D.Special) return;
        if (start) E.DefineVariableStart();
        if (D.Variables != TVarSet::None) {
            const TTable* from = D.Variables == TVarSet::Machine ? C.TTblMain : C.TTblVar;
            for (const auto& f : from->Fields()) E.DefineVariable(f->FieldName(), Contents(f.get()));
        }
        if (D.Special)
            for (const auto& [name, value] : D.Special(C)) E.DefineVariable(name, value.left(MaxContents));
    }

    void DefineFields()
    {
        if (!D.TableFields && !D.FreeDateNames) return;
        E.DefineFieldStart();
        if (D.TableFields)
            for (const auto& f : C.TTblVar->Fields()) E.DefineField(f->FieldName(), Contents(f.get()));
        if (D.FreeDateNames)
            for (int i = 1; i <= 3; ++i)
                E.DefineField(QStringLiteral("NameFreierTermin%1").arg(i),
                              ControlText(C.MainWindow, QStringLiteral("LabelFreierTermin%1").arg(i).toLatin1().constData()));
    }

    void ListPrint(bool preview)
    {
        TTable* t = C.TTblVar;
        QWidget* parent = Parent();
        if (!Start(parent, preview)) return;
        const int records = t->RecordCount();
        // With no line fitting a page every line takes a page of its own.
        const int perTable = E.PrintGetItemsPerTable();
        const int pages = records / std::max(perTable, 1) + 1;
        if (E.PrintOptionsDialog(parent, OptionsText(preview, pages)) != 0) {
            E.PrintEnd(0);
            return;
        }
        const int last = E.PrintGetOption(epoLastPage);
        int total = last == EngAllPages ? records
                                        : (last - E.PrintGetOption(epoFirstPage) + 1) * E.PrintGetItemsPerPage();
        // An unknown total counts the records instead of dividing by nothing.
        if (total <= 0) total = records;
        QString printer, port;
        E.PrintGetPrinterInfo(printer, 256, port, 81);

        t->First();
        int n = 1;
        int result = 0;
        while (E.PrintGetOption(epoLastPage) >= E.PrintGetCurrentPage() && !t->Eof() && (result == 0 || result == erRepeat)) {
            result = E.Print();
            while (E.PrintGetOption(epoLastPage) >= E.PrintGetCurrentPage() && !t->Eof() && result == 0) {
                E.PrintSetBoxText(QStringLiteral("Drucke auf %1").arg(printer), total > 0 ? n * 100 / total : 0);
                for (const auto& f : t->Fields())
                    if (E.PrintIsFieldUsed(f->FieldName()) == 1) E.DefineField(f->FieldName(), Contents(f.get()));
                result = E.PrintFields();
                if (result == 0) {
                    E.PrintDidMatchFilter();
                    t->Next();
                    ++n;
                }
            }
        }
        if (E.PrintFieldsEnd() == erRepeat && E.PrintFieldsEnd() == erRepeat)
            MessageDlg(QStringLiteral("Error because table is too small for footer!"), mtWarning, mbOK,
                       QStringLiteral("Report Engine"));
        E.PrintEnd(0);
        if (preview) ShowPreview(parent);
    }

    void CardPrint(bool preview)
    {
        QWidget* main = C.MainWindow;
        if (!Start(main, preview)) return;
        if (E.PrintOptionsDialog(main, OptionsText(preview, 1)) != 0) {
            E.PrintEnd(0);
            return;
        }
        QString printer, port;
        E.PrintGetPrinterInfo(printer, 256, port, 81);
        if (D.Variables == TVarSet::Record) {
            for (const auto& f : C.TTblVar->Fields())
                if (E.PrintIsFieldUsed(f->FieldName()) == 1) E.DefineVariable(f->FieldName(), Contents(f.get()));
        } else {
            DefineVariables(false);
        }
        const int r = E.Print();
        const bool failed = r < 0 && r != erRepeat;
        E.PrintEnd(0);
        if (preview && !failed) ShowPreview(main);
    }

    void Design()
    {
        E.DefineLayout(C.SettingsWindow, QStringLiteral("Title"), D.ProjectType | eptKeepFile, Layout());
    }

    // Closes the spare handle and clears what the job set, on every path.
    void Cleanup()
    {
        for (TTable* t : {C.TTblVar, C.TTblVar1}) {
            if (!t) continue;
            t->Close();
            t->SetIndexFieldNames(QString());
            t->SetMasterSource(nullptr);
            t->SetMasterFields(QString());
            t->SetFiltered(false);
            t->SetFilter(QString());
        }
    }

private:
    QWidget* Parent() const
    {
        switch (D.Parent) {
        case TParentWindow::Termine: return C.TerminWindow;
        case TParentWindow::Fuhrpark: return C.FuhrparkWindow;
        case TParentWindow::Main: break;
        }
        return C.MainWindow;
    }

    static QString OptionsText(bool preview, int pages)
    {
        return (preview ? QStringLiteral("Drucke in Vorschau\nCa. %1 Seite(n)") : QStringLiteral("Drucke\nCa. %1 Seite(n)"))
            .arg(pages);
    }

    QString Layout() const { return QString::fromLatin1(D.Layout); }

    // Starts the engine's print with its progress box; false when it could not.
    bool Start(QWidget* parent, bool preview)
    {
        const int started = E.PrintWithBoxStart(D.ProjectType, Layout(), preview ? epmPreview : epmPrinter,
                                                EngBoxWithAbort, parent,
                                                preview ? QStringLiteral("Drucke in Vorschau...") : QStringLiteral("Drucke..."));
        if (preview) {
            E.PreviewSetTempPath(QString());
            E.ViewerProhibitAction(evaCopyPage);
            E.ViewerProhibitAction(evaSavePageImage);
        }
        if (started == 0) return true;
        E.PrintEnd(0);
        MessageDlg(started == erBadLayout ? QStringLiteral("Fehlerhafter Report") : QStringLiteral("Fehler beim drucken..."),
                   mtError, mbOK);
        return false;
    }

    void ShowPreview(QWidget* parent)
    {
        E.PreviewDisplay(Layout(), QString(), parent);
        E.PreviewDeleteFiles(Layout(), QString());
    }

    const TReportContext& C;
    const TKindDef& D;
    TRepEngine& E;
};

// Runs `body` with the spare handle configured, cleaning up on every path.
template <typename Body>
void WithJob(TReportKind kind, bool yearFilter, Body body)
{
    TBusyCursor busy;
    const TKindDef* def = FindKind(kind);
    if (!def || !g_context.Engine) return;
    TReportJob job(g_context, *def);
    try {
        job.Configure(yearFilter);
        body(job, *def);
    } catch (...) {
        job.Cleanup();
        throw;
    }
    job.Cleanup();
}

}   // namespace

void SetReportContext(const TReportContext& context) { g_context = context; }

const TReportContext& ReportContext() { return g_context; }

void RunReport(TReportKind kind, TReportMode mode)
{
    if (OnRunReport) {
        OnRunReport(kind, mode);
        return;
    }
    const bool preview = mode == rmPreview;
    WithJob(kind, true, [preview](TReportJob& job, const TKindDef& def) {
        job.DefineVariables(true);
        job.DefineFields();
        if (def.ProjectType == eptCard) job.CardPrint(preview);
        else job.ListPrint(preview);
    });
}

void DesignReport(TReportKind kind)
{
    if (OnDesignReport) {
        OnDesignReport(kind);
        return;
    }
    WithJob(kind, false, [](TReportJob& job, const TKindDef&) {
        job.DefineVariables(true);
        job.DefineFields();
        job.Design();
    });
}

QString LayoutFileOf(TReportKind kind)
{
    const TKindDef* def = FindKind(kind);
    return def ? QString::fromLatin1(def->Layout) : QString();
}

void WriteMissingLayouts(const QString& dir)
{
    Q_INIT_RESOURCE(reports);
    for (const TKindDef& k : Kinds) {
        const QString name = QString::fromLatin1(k.Layout);
        const QString target = QDir(dir).absoluteFilePath(name);
        if (QFile::exists(target)) continue;
        // A layout that cannot be written shows as "Fehlerhafter Report" when printed.
        if (QFile::copy(QStringLiteral(":/reports/") + name, target))
            QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    }
}
