#include "Engine.h"
#include "Clock.h"
#include "Designer.h"
#include "Dialogs.h"
#include "LayoutFile.h"
#include "OptionsDialog.h"
#include "PreviewWindow.h"
#include "ProgressBox.h"
#include "Render.h"
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSet>
#include <QStandardPaths>
#include <map>
#include <memory>

namespace {

// Names and contents of variables or fields, in the order they were defined.
class TEngValues {
public:
    bool CaseSensitive = true;
    void Start()
    {
        m_map.clear();
        m_order.clear();
    }
    void Define(const QString& name, const QString& contents)
    {
        const QString key = Key(name);
        auto it = m_map.find(key);
        if (it == m_map.end()) {
            m_map.insert(key, contents);
            m_order.append(name);
        } else {
            *it = contents;
        }
    }
    QString Get(const QString& name) const { return m_map.value(Key(name)); }
    const QStringList& Names() const { return m_order; }
    QString Key(const QString& name) const { return CaseSensitive ? name : name.toCaseFolded(); }

private:
    QHash<QString, QString> m_map;
    QStringList m_order;
};

struct TEngJob;

class TJobValues : public TValueSource {
public:
    explicit TJobValues(const TEngJob& job) : m_job(job) {}
    QString Field(const QString& name) const override;
    QString Variable(const QString& name) const override;

private:
    const TEngJob& m_job;
};

// One print from its start to its end.
struct TEngPrint {
    TLayout Layout;
    QString LayoutFile;
    int ProjectType = eptList;
    bool Preview = false;
    QPointer<QWidget> Parent;
    QString Title;
    std::unique_ptr<TReportBuilder> Builder;
    QSet<QString> UsedFields;    // keys as the job compares names
    TEngPrintSettings Settings;
    std::unique_ptr<TEngProgressBox> Box;
    QElapsedTimer SinceEvents;
    bool Cancelled = false;
};

struct TEngJob {
    int Language = -1;
    int Debug = 0;
    int DlgboxMode = 0;
    std::map<int, qintptr> Options;
    TEngCallback Callback;
    TEngValues Variables, Fields;
    std::unique_ptr<TJobValues> Values;
    std::unique_ptr<TEngPrint> Print;
    QString TempPath;
    QSet<int> Prohibited;
    // The pages behind each preview file, for printing from the preview.
    std::map<QString, std::shared_ptr<TRenderedDoc>> Previews;
    TEngPrintSettings LastSettings;   // the printer chosen last, for the next print
    QString LastError;

    qintptr Notify(int code, qintptr param) const
    {
        if (!Callback) return 0;
        auto it = Options.find(ejoUserData);
        return Callback(code, param, it == Options.end() ? 0 : it->second);
    }
};

QString TJobValues::Field(const QString& name) const { return m_job.Fields.Get(name); }
QString TJobValues::Variable(const QString& name) const { return m_job.Variables.Get(name); }

std::map<int, std::unique_ptr<TEngJob>>& Jobs()
{
    static std::map<int, std::unique_ptr<TEngJob>> jobs;
    return jobs;
}

TEngJob* Job(int handle)
{
    auto it = Jobs().find(handle);
    return it == Jobs().end() ? nullptr : it->second.get();
}

TEngDesigner& Designer()
{
    static TEngDesigner d;
    return d;
}

// A dialog of the engine is used with the normal cursor, whatever the caller shows.
struct TArrowCursor {
    TArrowCursor() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~TArrowCursor() { QApplication::restoreOverrideCursor(); }
    TArrowCursor(const TArrowCursor&) = delete;
    TArrowCursor& operator=(const TArrowCursor&) = delete;
};

QString PreviewDir(const TEngJob& job)
{
    if (!job.TempPath.isEmpty()) return job.TempPath;
    return QDir::tempPath() + QStringLiteral("/tarvos-vorschau-%1").arg(QCoreApplication::applicationPid());
}

QString PreviewFile(const TEngJob& job, const QString& layoutFile, const QString& path)
{
    const QString dir = path.isEmpty() ? PreviewDir(job) : path;
    return QDir(dir).absoluteFilePath(QFileInfo(layoutFile).fileName() + QStringLiteral(".pdf"));
}

QString DefaultPdfFile(const QString& layoutFile)
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty()) dir = QDir::homePath();
    return QDir(dir).absoluteFilePath(QFileInfo(layoutFile).completeBaseName() + QStringLiteral(".pdf"));
}

// Lets the progress box take its "Abbrechen", a few times a second.
void PumpEvents(TEngPrint& pr)
{
    if (!pr.Box || !pr.Box->isVisible()) return;
    if (pr.SinceEvents.isValid() && pr.SinceEvents.elapsed() < 60) return;
    QCoreApplication::processEvents();
    pr.SinceEvents.restart();
    if (pr.Box->Cancelled()) pr.Cancelled = true;
}

void ShowBox(TEngPrint& pr)
{
    if (!pr.Box || pr.Box->isVisible() || EngHooks().BoxText) return;
    pr.Box->show();
    pr.Box->raise();
    QCoreApplication::processEvents();
    pr.SinceEvents.start();
}

// Draws the pages on the target the settings name; false when it failed
// or was stopped (a message has been shown for a failure).
bool Output(const TRenderedDoc& doc, const TEngPrintSettings& s, const QString& docName, TEngProgressBox* box,
            bool* cancelled)
{
    const int from = std::max(1, s.FirstPage);
    const int to = std::min(s.LastPage, doc.PageCount());
    if (from > to) {
        MessageDlg(QStringLiteral("Seite %1 gibt es nicht: der Bericht hat %2 Seite(n).").arg(from).arg(doc.PageCount()),
                   mtInformation, mbOK);
        return false;
    }
    auto progress = [&](int done, int total) {
        if (box) {
            box->SetText(QStringLiteral("Ausgabe Seite %1 von %2").arg(done).arg(total), done * 100 / total);
            if (box->isVisible()) QCoreApplication::processEvents();
            if (box->Cancelled()) {
                *cancelled = true;
                return false;
            }
        }
        return true;
    };
    if (s.Printer == EngPdfTarget) {
        QString error;
        QDir().mkpath(QFileInfo(s.PdfFile).absolutePath());
        if (doc.WritePdf(s.PdfFile, from, to, &error, progress)) return true;
        if (!*cancelled)
            MessageDlg(QStringLiteral("Die PDF-Datei %1 kann nicht geschrieben werden.\r%2").arg(s.PdfFile, error),
                       mtError, mbOK);
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(s.Printer);
    printer.setCopyCount(std::max(1, s.Copies));
    printer.setDocName(docName);
    printer.setFullPage(true);
    if (!printer.isValid()) {
        MessageDlg(QStringLiteral("Der Drucker %1 ist nicht verfügbar.").arg(s.Printer), mtError, mbOK);
        return false;
    }
    if (doc.PaintTo(printer, from, to, progress)) return true;
    // Nothing half printed goes to the printer queue.
    printer.abort();
    if (!*cancelled) MessageDlg(QStringLiteral("Der Druck auf %1 ist fehlgeschlagen.").arg(s.Printer), mtError, mbOK);
    return false;
}

bool AskSettings(QWidget* parent, const QString& text, bool preview, TEngPrintSettings& s)
{
    if (EngHooks().OptionsDialog) return EngHooks().OptionsDialog(text, preview, s);
    TArrowCursor arrow;
    TEngOptionsDialog dlg(parent, text, preview, s);
    if (dlg.exec() != QDialog::Accepted) return false;
    s = dlg.Settings();
    return true;
}

}   // namespace

TEngHooks& EngHooks()
{
    static TEngHooks hooks;
    return hooks;
}

void EngSetDesigner(TEngDesigner designer) { Designer() = std::move(designer); }

// ------------------------------------------------------------------ jobs

int EngJobOpen(int language)
{
    if (EngHooks().JobOpen) {
        const int r = EngHooks().JobOpen(language);
        if (r < 0) return r;
    }
    if (language < -1 || language > 41) return erLanguage;
    static int next = 1;
    const int handle = next++;
    auto job = std::make_unique<TEngJob>();
    job->Language = language;
    job->Values = std::make_unique<TJobValues>(*job);
    job->Options[ejoVarsCaseSensitive] = 1;
    Jobs()[handle] = std::move(job);
    return handle;
}

int EngJobClose(int job)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    for (const auto& [file, doc] : j->Previews) QFile::remove(file);
    Jobs().erase(job);
    return erOK;
}

int EngSetOption(int job, int option, qintptr value)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    j->Options[option] = value;
    if (option == ejoVarsCaseSensitive) {
        j->Variables.CaseSensitive = value != 0;
        j->Fields.CaseSensitive = value != 0;
    }
    return erOK;
}

qintptr EngGetOption(int job, int option)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    auto it = j->Options.find(option);
    return it == j->Options.end() ? 0 : it->second;
}

int EngSetDebug(int job, int mode)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    j->Debug = mode;
    return erOK;
}

int EngSetDlgboxMode(int job, int mode)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    j->DlgboxMode = mode;
    return erOK;
}

int EngSetNotificationCallback(int job, TEngCallback callback)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    j->Callback = std::move(callback);
    return erOK;
}

// ------------------------------------------------------- variables, fields

int EngDefineVariableStart(int job)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    j->Variables.Start();
    return erOK;
}

int EngDefineVariable(int job, const QString& name, const QString& contents)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    j->Variables.Define(name, contents);
    return erOK;
}

int EngDefineFieldStart(int job)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    j->Fields.Start();
    return erOK;
}

int EngDefineField(int job, const QString& name, const QString& contents)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    j->Fields.Define(name, contents);
    return erOK;
}

int EngPrintIsFieldUsed(int job, const QString& name)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    if (!j->Print) return 0;
    return j->Print->UsedFields.contains(j->Fields.Key(name)) ? 1 : 0;
}

QStringList EngDefinedVariables(int job)
{
    TEngJob* j = Job(job);
    return j ? j->Variables.Names() : QStringList();
}

QStringList EngDefinedFields(int job)
{
    TEngJob* j = Job(job);
    return j ? j->Fields.Names() : QStringList();
}

QString EngVariableContents(int job, const QString& name)
{
    TEngJob* j = Job(job);
    return j ? j->Variables.Get(name) : QString();
}

QString EngFieldContents(int job, const QString& name)
{
    TEngJob* j = Job(job);
    return j ? j->Fields.Get(name) : QString();
}

QString EngLastError(int job)
{
    TEngJob* j = Job(job);
    return j ? j->LastError : QString();
}

// ---------------------------------------------------------------- designer

int EngDefineLayout(int job, QWidget* parent, const QString& title, int projectType, const QString& file)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    if (j->Print) return erTaskActive;
    const int type = projectType & ~eptKeepFile;
    if (type != eptLabel && type != eptList && type != eptCard) return erBadMode;
    TArrowCursor arrow;
    if (!Designer()) return EngRunDesigner(job, parent, title, projectType, file);
    return Designer()(job, parent, title, projectType, file);
}

// ----------------------------------------------------------------- printing

int EngPrintWithBoxStart(int job, int projectType, const QString& file, int printMode, int boxType, QWidget* parent,
                         const QString& title)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    if (j->Print) return erTaskActive;
    if ((printMode != epmPrinter && printMode != epmPreview) || (projectType != eptList && projectType != eptCard))
        return erBadMode;
    auto pr = std::make_unique<TEngPrint>();
    QString why;
    if (!LayoutFile::Load(QDir::current().absoluteFilePath(file), pr->Layout, &why)) {
        j->LastError = why;
        return erBadLayout;
    }
    const TLayoutType wanted = projectType == eptList ? TLayoutType::List : TLayoutType::Card;
    if (pr->Layout.Type != wanted) {
        j->LastError = QStringLiteral("%1 ist kein %2-Layout").arg(file, projectType == eptList ? QStringLiteral("Listen")
                                                                                              : QStringLiteral("Karten"));
        return erBadLayout;
    }
    j->LastError.clear();
    pr->LayoutFile = file;
    pr->ProjectType = projectType;
    pr->Preview = printMode == epmPreview;
    pr->Parent = parent;
    pr->Title = title;
    for (const QString& name : LayoutFile::UsedNames(pr->Layout).Fields) pr->UsedFields.insert(j->Fields.Key(name));
    pr->Settings = j->LastSettings;
    pr->Settings.FirstPage = 1;
    pr->Settings.LastPage = EngAllPages;
    if (pr->Settings.PdfFile.isEmpty()) pr->Settings.PdfFile = DefaultPdfFile(file);
    if (pr->Settings.Printer.isEmpty()) {
        const QString def = QPrinterInfo::defaultPrinterName();
        pr->Settings.Printer = def.isEmpty() ? EngPdfTarget : def;
    }
    pr->Builder = std::make_unique<TReportBuilder>(pr->Layout, *j->Values, Today());
    if (boxType == EngBoxWithAbort) pr->Box = std::make_unique<TEngProgressBox>(parent, title);
    j->Print = std::move(pr);
    j->Notify(enProject, 0);
    return erOK;
}

int EngPrintOptionsDialog(int job, QWidget* parent, const QString& text)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    if (!j->Print) return erNotPrinting;
    TEngPrint& pr = *j->Print;
    TEngPrintSettings s = pr.Settings;
    if (!AskSettings(parent ? parent : pr.Parent.data(), text, pr.Preview, s)) {
        // Nothing is put out when the print ends.
        pr.Cancelled = true;
        return erUserAborted;
    }
    pr.Settings = s;
    if (!pr.Preview) {
        j->LastSettings.Printer = s.Printer;
        j->LastSettings.PdfFile = s.PdfFile;
        j->LastSettings.Copies = s.Copies;
    }
    return erOK;
}

int EngPrintSetBoxText(int job, const QString& text, int percent)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    if (!j->Print) return erNotPrinting;
    TEngPrint& pr = *j->Print;
    if (EngHooks().BoxText) {
        bool cancel = false;
        EngHooks().BoxText(text, percent, cancel);
        if (cancel) pr.Cancelled = true;
    }
    if (pr.Box) {
        ShowBox(pr);
        pr.Box->SetText(text, percent);
        PumpEvents(pr);
    }
    return erOK;
}

int EngPrintGetPrinterInfo(int job, QString& name, int nameSize, QString& port, int portSize)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    if (!j->Print) return erNotPrinting;
    const TEngPrint& pr = *j->Print;
    QString n, p;
    if (pr.Preview) {
        n = QStringLiteral("Vorschau");
        p = PreviewFile(*j, pr.LayoutFile, QString());
    } else if (pr.Settings.Printer == EngPdfTarget) {
        n = EngPdfTarget;
        p = pr.Settings.PdfFile;
    } else {
        n = pr.Settings.Printer;
        const QPrinterInfo info = QPrinterInfo::printerInfo(n);
        p = info.location().isEmpty() ? QStringLiteral("CUPS") : info.location();
    }
    // As into buffers of these sizes with their terminating zero.
    name = n.left(std::max(0, nameSize - 1));
    port = p.left(std::max(0, portSize - 1));
    return erOK;
}

int EngPrintGetOption(int job, int option)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    if (!j->Print) return erNotPrinting;
    switch (option) {
    case epoFirstPage: return j->Print->Settings.FirstPage;
    case epoLastPage: return j->Print->Settings.LastPage;
    case epoCopies: return j->Print->Settings.Copies;
    default: return 0;
    }
}

int EngPrintGetItemsPerTable(int job)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    if (!j->Print) return erNotPrinting;
    return j->Print->Builder->ItemsPerTable();
}

int EngPrintGetItemsPerPage(int job)
{
    // One table per page: as many items as its lines.
    return EngPrintGetItemsPerTable(job);
}

int EngPrintGetCurrentPage(int job)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    if (!j->Print) return erNotPrinting;
    return j->Print->Builder->CurrentPage();
}

int EngPrint(int job)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    if (!j->Print) return erNotPrinting;
    TEngPrint& pr = *j->Print;
    ShowBox(pr);
    PumpEvents(pr);
    if (pr.Cancelled) return erUserAborted;
    const int before = pr.Builder->CurrentPage();
    const int r = pr.Builder->PrintPagePart();
    if (pr.Builder->CurrentPage() != before || pr.ProjectType == eptCard) j->Notify(enPage, pr.Builder->CurrentPage());
    return r;
}

int EngPrintFields(int job)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    if (!j->Print) return erNotPrinting;
    TEngPrint& pr = *j->Print;
    PumpEvents(pr);
    if (pr.Cancelled) return erUserAborted;
    const int r = pr.Builder->PrintLine();
    if (r == erOK) j->Notify(enTableLine, 0);
    return r;
}

int EngPrintFieldsEnd(int job)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    if (!j->Print) return erNotPrinting;
    if (j->Print->Cancelled) return erUserAborted;
    return j->Print->Builder->FinishTable();
}

int EngPrintDidMatchFilter(int job)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    if (!j->Print) return erNotPrinting;
    return j->Print->Builder->LastLineMatched() ? 1 : 0;
}

int EngPrintEnd(int job, int)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    if (!j->Print) return erNotPrinting;
    std::unique_ptr<TEngPrint> pr = std::move(j->Print);
    if (pr->Cancelled) return erUserAborted;
    std::shared_ptr<TRenderedDoc> doc = pr->Builder->Finish();
    // The print queue and the preview name the report, not the progress box.
    doc->Title = pr->Layout.Title.trimmed().isEmpty() ? QFileInfo(pr->LayoutFile).completeBaseName() : pr->Layout.Title;
    bool cancelled = false;
    int result = erOK;
    if (pr->Preview) {
        const QString file = PreviewFile(*j, pr->LayoutFile, QString());
        QDir().mkpath(QFileInfo(file).absolutePath());
        TEngPrintSettings s = pr->Settings;
        s.Printer = EngPdfTarget;
        s.PdfFile = file;
        j->Previews.erase(file);
        if (Output(*doc, s, doc->Title, pr->Box.get(), &cancelled)) j->Previews[file] = doc;
        else result = cancelled ? erUserAborted : erOutput;
    } else if (!Output(*doc, pr->Settings, doc->Title, pr->Box.get(), &cancelled)) {
        result = cancelled ? erUserAborted : erOutput;
    }
    return result;
}

// ------------------------------------------------------------------ preview

int EngPreviewSetTempPath(int job, const QString& path)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    j->TempPath = path;
    return erOK;
}

int EngViewerProhibitAction(int job, int action)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    // 0 gives every action back.
    if (action == 0) j->Prohibited.clear();
    else j->Prohibited.insert(action);
    return erOK;
}

int EngPreviewDisplay(int job, const QString& file, const QString& path, QWidget* parent)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    const QString pdf = PreviewFile(*j, file, path);
    auto it = j->Previews.find(pdf);
    if (it == j->Previews.end() || !QFileInfo::exists(pdf)) return erNoPreview;
    if (EngHooks().PreviewDisplay) {
        EngHooks().PreviewDisplay(pdf);
        return erOK;
    }
    std::shared_ptr<TRenderedDoc> doc = it->second;
    const QString title = doc->Title;
    auto print = [j, doc, file, title](QWidget* from) {
        TEngPrintSettings s = j->LastSettings;
        s.FirstPage = 1;
        s.LastPage = EngAllPages;
        if (s.PdfFile.isEmpty()) s.PdfFile = DefaultPdfFile(file);
        if (s.Printer.isEmpty()) {
            const QString def = QPrinterInfo::defaultPrinterName();
            s.Printer = def.isEmpty() ? EngPdfTarget : def;
        }
        if (!AskSettings(from, QStringLiteral("Drucke\nCa. %1 Seite(n)").arg(doc->PageCount()), false, s)) return;
        j->LastSettings.Printer = s.Printer;
        j->LastSettings.PdfFile = s.PdfFile;
        j->LastSettings.Copies = s.Copies;
        TEngProgressBox box(from, QStringLiteral("Drucke..."));
        box.show();
        bool cancelled = false;
        Output(*doc, s, title, &box, &cancelled);
    };
    TArrowCursor arrow;
    TEngPreviewWindow w(parent, pdf, title, j->Prohibited, print);
    const auto opt = [j](int o) { auto i = j->Options.find(o); return i == j->Options.end() ? -1 : int(i->second); };
    w.ApplyAppearance(opt(ejoPreviewZoom), opt(ejoPreviewLeft), opt(ejoPreviewTop), opt(ejoPreviewWidth),
                      opt(ejoPreviewHeight));
    w.exec();
    return erOK;
}

int EngPreviewDeleteFiles(int job, const QString& file, const QString& path)
{
    TEngJob* j = Job(job);
    if (!j) return erBadJob;
    const QString pdf = PreviewFile(*j, file, path);
    j->Previews.erase(pdf);
    QFile::remove(pdf);
    // Our own folder goes with its last file; a folder the caller named stays.
    if (path.isEmpty() && j->TempPath.isEmpty()) QDir().rmdir(QFileInfo(pdf).absolutePath());
    return erOK;
}
