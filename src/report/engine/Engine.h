#pragma once
// Our report engine's calls: jobs and their options, variables and fields,
// the print loop with progress box and options dialog, the preview and the
// designer. Every call takes the job handle first and answers with the
// engine's result codes; a print runs on the user-interface thread.
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>

class QWidget;

enum TEngResult : int {
    erOK = 0,
    erBadJob = -1,          // no job under this handle
    erTaskActive = -2,      // the job is printing already
    erBadMode = -3,         // unknown project type, print mode or box type
    erNotPrinting = -4,     // a print call without a started print
    erOutput = -11,         // the printer or the file refused the pages
    erNoPreview = -15,      // no preview pages to show
    erBadLayout = -23,      // the layout file is missing, damaged or of the other type
    erUserAborted = -99,    // cancelled in the options dialog or the progress box
    erLanguage = -101,      // no such language
    erRepeat = -998,        // page full: the same call again on the next page
};

enum TEngProjectType : int { eptLabel = 1, eptList = 2, eptCard = 3 };
// With a project type for the designer: stay on the file given.
constexpr int eptKeepFile = 0x8000;
enum TEngPrintMode : int { epmPrinter = 0x100, epmPreview = 0x200 };
// Box type 1: a progress box with "Abbrechen".
constexpr int EngBoxWithAbort = 1;

// Print options of a running print (EngPrintGetOption).
enum TEngPrintOption : int { epoFirstPage = 1, epoCopies = 2, epoLastPage = 6 };
constexpr int EngAllPages = 32767;

// Job options with a meaning of their own (all others are kept and read back).
// The preview's zoom is in per cent of the page width that fills its window.
enum TEngJobOption : int {
    ejoUserData = 7,         // handed back to the notification callback
    ejoVarsCaseSensitive = 46,
    ejoPreviewZoom = 25, ejoPreviewLeft = 26, ejoPreviewTop = 27, ejoPreviewWidth = 28, ejoPreviewHeight = 29
};

// Preview actions a job can take away (EngViewerProhibitAction). The report
// jobs take away 115 and 116: their reports leave the program only whole,
// printed or as a PDF, never as single page pictures.
enum TEngViewerAction : int {
    evaPrint = 110,           // "Drucken..."
    evaSavePdf = 111,         // "Als PDF speichern..."
    evaCopyPage = 115,        // copy the page shown as a picture to the clipboard
    evaSavePageImage = 116,   // save the page shown as a PNG picture
};

// Notification codes the engine sends (the binding answers every other code too).
enum TEngNotification : int { enTableLine = 10, enPage = 21, enProject = 22 };
using TEngCallback = std::function<qintptr(int code, qintptr param, qintptr userData)>;

// The languages 0 to 41 of the binding and -1, the default; our texts are German.
int EngJobOpen(int language);
int EngJobClose(int job);
int EngSetOption(int job, int option, qintptr value);
qintptr EngGetOption(int job, int option);
int EngSetDebug(int job, int mode);
int EngSetDlgboxMode(int job, int mode);
int EngSetNotificationCallback(int job, TEngCallback callback);

int EngDefineVariableStart(int job);
int EngDefineVariable(int job, const QString& name, const QString& contents);
int EngDefineFieldStart(int job);
int EngDefineField(int job, const QString& name, const QString& contents);
// 1 when the layout of the running print refers to the field, else 0.
int EngPrintIsFieldUsed(int job, const QString& name);

int EngDefineLayout(int job, QWidget* parent, const QString& title, int projectType, const QString& file);

int EngPrintWithBoxStart(int job, int projectType, const QString& file, int printMode, int boxType, QWidget* parent,
                         const QString& title);
int EngPrintOptionsDialog(int job, QWidget* parent, const QString& text);
int EngPrintSetBoxText(int job, const QString& text, int percent);
// Fills name and port, each cut to its buffer size less the terminating zero.
int EngPrintGetPrinterInfo(int job, QString& name, int nameSize, QString& port, int portSize);
int EngPrintGetOption(int job, int option);
int EngPrintGetItemsPerTable(int job);
int EngPrintGetItemsPerPage(int job);
int EngPrintGetCurrentPage(int job);
int EngPrint(int job);
int EngPrintFields(int job);
int EngPrintFieldsEnd(int job);
int EngPrintDidMatchFilter(int job);
int EngPrintEnd(int job, int reserved);

int EngPreviewSetTempPath(int job, const QString& path);
int EngViewerProhibitAction(int job, int action);
int EngPreviewDisplay(int job, const QString& file, const QString& path, QWidget* parent);
int EngPreviewDeleteFiles(int job, const QString& file, const QString& path);

// What the job holds now (the designer offers these names).
QStringList EngDefinedVariables(int job);
QStringList EngDefinedFields(int job);
QString EngVariableContents(int job, const QString& name);
QString EngFieldContents(int job, const QString& name);
// Why the last print start failed (the layout reader's reason).
QString EngLastError(int job);

// Another designer may take the place of the engine's own (tests); an
// empty one gives the engine's designer back.
using TEngDesigner = std::function<int(int job, QWidget* parent, const QString& title, int projectType,
                                       const QString& file)>;
void EngSetDesigner(TEngDesigner designer);

// What the options dialog settles.
struct TEngPrintSettings {
    QString Printer;            // a system printer, or PdfTarget
    QString PdfFile;            // with PdfTarget
    int FirstPage = 1;
    int LastPage = EngAllPages;
    int Copies = 1;
};
inline const QString EngPdfTarget = QStringLiteral("PDF-Datei");

// Tests answer the dialogs and watch the progress here instead of windows.
struct TEngHooks {
    std::function<int(int language)> JobOpen;   // the result EngJobOpen gives
    // Answers the options dialog: false cancels.
    std::function<bool(const QString& text, bool preview, TEngPrintSettings& settings)> OptionsDialog;
    std::function<void(const QString& text, int percent, bool& cancel)> BoxText;
    // Shown instead of the preview window, with the preview's PDF file.
    std::function<void(const QString& pdfFile)> PreviewDisplay;
};
TEngHooks& EngHooks();
