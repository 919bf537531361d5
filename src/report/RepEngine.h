#pragma once
// The binding of the report engine: one component that opens one engine job
// for the whole run, keeps the engine's options in its properties, answers
// the engine's notifications and offers one thin call per engine function.
#include <QObject>
#include <QString>
#include <array>
#include <functional>

class QWidget;

enum class TNewExpressions { Old, NewMode, Enhanced };
enum class TTableColoringMode { Normal, Userdefined, Mixed };
enum class TUnitSystem { Inch, Metric };
enum class TTabStops { Replace, Expand };
enum class TStorageSystem { Compat4, Storage };
enum class TDialogBoxMode { Win16, Style1, Style2, Style3, Style4, Style5, Style6, Style7, Win95, Office97 };
enum class TRepLanguage {
    DefaultLang, Deutsch, English, Arab, Afrikaans, Albanian, Basque, Bulgarian, Belorussian, Catalan, Chinese,
    Croatian, Czech, Danish, Dutch, Estonian, Faeroese, Farsi, Finnish, French, Greek, Hebrew, Hungarian, Icelandic,
    Indonesian, Italian, Japanese, Korean, Latvian, Lithuanian, Norwegian, Polish, Portuguese, Romanian, Russian,
    Slovak, Slovenian, Serbian, Spanish, Swedish, Thai, Turkish, Ukrainian
};

// The Yes/No properties, each sent as one engine option (1 or 0).
enum class TRepFlag {
    OnlyOneTable, Supervisor, HelpAvailable, SortVariables, SupportPageBreak, ShowPredefVars, UseHostprinter,
    AddVarsToFields, MultipleTableLines, ConvertCRLF, WizFileNew, NoParameterCheck, NoNoTableCheck,
    SpaceOptimization, RealTime, AutoMultipage, UseBarcodeSizes, VarsCaseSensitive, DelayTableHeader,
    OfnDialogExplorer, CreateInfo, XlatVarNames, Count
};

// The engine's notifications, by the event that takes them.
enum class TRepEvent {
    OnDrawUserobj, OnEditUserobj, OnTableLine, OnTableField, OnExtFct, OnObject, OnPage, OnProject, OnGroupBegin,
    OnGroupEnd, OnGroupLine, OnHelp, OnEnableMenu, OnModifyMenu, OnSelectMenu, OnGetViewerButtonState,
    OnVarHelpText, OnNtfyProgress, OnViewerButtonClicked, OnDlgExprVarBtn, OnHostPrinter, OnFailsFilter, Count
};

struct TRepCallbackArgs {
    int Code = 0;
    qintptr Param = 0;
    int HiWord = 0, LoWord = 0;   // OnHelp and OnGetViewerButtonState: the parameter split
};
using TRepEventHandler = std::function<qintptr(const TRepCallbackArgs&)>;

class TRepEngine;

// Where and how large the preview opens; sent while a job is open.
class TPrvAppearance {
public:
    explicit TPrvAppearance(const int& job) : m_job(job) {}
    int ZoomPerc() const { return m_zoom; }
    int Left() const { return m_left; }
    int Top() const { return m_top; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Values below -1 are refused and leave the old value.
    void SetZoomPerc(int v);
    void SetLeft(int v);
    void SetTop(int v);
    void SetWidth(int v);
    void SetHeight(int v);
    void Apply() const;   // all values again, when a job has just been opened

private:
    void Send(int option, int value, bool when) const;
    const int& m_job;
    int m_zoom = 100, m_left = -1, m_top = -1, m_width = -1, m_height = -1;
};

class TRepEngine : public QObject {
    Q_OBJECT
public:
    explicit TRepEngine(QObject* owner = nullptr);
    ~TRepEngine() override;
    TRepEngine(const TRepEngine&) = delete;
    TRepEngine& operator=(const TRepEngine&) = delete;

    int hLlJob = -1;
    int MaxRTFVersion = 256;   // kept, not sent

    TRepLanguage Language() const { return m_language; }
    // Reopens the job in another language, with every property again.
    void SetLanguage(TRepLanguage language);
    int DebugMode() const { return m_debug; }
    void SetDebugMode(int mode);
    TPrvAppearance& PreviewAppearance() { return m_appearance; }

    bool Flag(TRepFlag f) const;
    void SetFlag(TRepFlag f, bool on);
    TNewExpressions NewExpressions() const;
    void SetNewExpressions(TNewExpressions v);
    TTableColoringMode TableColoringMode() const;
    void SetTableColoringMode(TTableColoringMode v);
    TUnitSystem UnitSystem() const;
    void SetUnitSystem(TUnitSystem v);
    TTabStops TabStops() const;
    void SetTabStops(TTabStops v);
    TStorageSystem StorageSystem() const;
    void SetStorageSystem(TStorageSystem v);
    bool CompressStorage() const;
    void SetCompressStorage(bool on);
    QChar TabRepresentationCode() const;
    void SetTabRepresentationCode(QChar c);
    QChar RetRepresentationCode() const;
    void SetRetRepresentationCode(QChar c);
    int EMFResolution() const;
    void SetEMFResolution(int v);
    TDialogBoxMode DialogBoxMode() const { return m_dlgMode; }
    void SetDialogBoxMode(TDialogBoxMode m);
    bool Buttons3D() const { return m_buttons3D; }
    void SetButtons3D(bool on);
    bool ButtonsWithBitmaps() const { return m_buttonsWithBitmaps; }
    void SetButtonsWithBitmaps(bool on);

    // Notifications: forwarded to an event only while it is enabled and has a handler.
    bool EventEnabled(TRepEvent e) const { return m_events[size_t(e)].Enabled; }
    void SetEventEnabled(TRepEvent e, bool on);
    void SetEventHandler(TRepEvent e, TRepEventHandler handler) { m_events[size_t(e)].Handler = std::move(handler); }
    // The engine's callback lands here.
    qintptr Notification(int code, qintptr param);

    // One call per engine function, the job handle first.
    int DefineVariableStart();
    int DefineVariable(const QString& name, const QString& contents);
    int DefineFieldStart();
    int DefineField(const QString& name, const QString& contents);
    int PrintIsFieldUsed(const QString& name);
    int DefineLayout(QWidget* parent, const QString& title, int projectType, const QString& file);
    int PrintWithBoxStart(int projectType, const QString& file, int printMode, int boxType, QWidget* parent,
                          const QString& title);
    int PrintOptionsDialog(QWidget* parent, const QString& text);
    int PrintSetBoxText(const QString& text, int percent);
    int PrintGetPrinterInfo(QString& name, int nameSize, QString& port, int portSize);
    int PrintGetOption(int option);
    int PrintGetItemsPerTable();
    int PrintGetItemsPerPage();
    int PrintGetCurrentPage();
    int Print();
    int PrintFields();
    int PrintFieldsEnd();
    int PrintDidMatchFilter();
    int PrintEnd(int reserved);
    int PreviewSetTempPath(const QString& path);
    int ViewerProhibitAction(int action);
    int PreviewDisplay(const QString& file, const QString& path, QWidget* parent);
    int PreviewDeleteFiles(const QString& file, const QString& path);

private:
    struct TEventSlot {
        bool Enabled = false;
        TRepEventHandler Handler;
    };
    struct TSaved;
    void OpenJob();               // creation steps 2 to 4
    void ApplyCreationValues();   // creation step 5
    void SendFlag(TRepFlag f);
    void SendDialogBoxMode();
    TSaved Save() const;
    void Restore(const TSaved& s);

    TRepLanguage m_language = TRepLanguage::DefaultLang;
    int m_debug = 0;
    TPrvAppearance m_appearance{hLlJob};
    std::array<bool, size_t(TRepFlag::Count)> m_flags{};
    std::array<TEventSlot, size_t(TRepEvent::Count)> m_events{};
    TDialogBoxMode m_dlgMode = TDialogBoxMode::Win95;
    bool m_buttons3D = true;
    bool m_buttonsWithBitmaps = false;
    bool m_compressStorage = false;
};
