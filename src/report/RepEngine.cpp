#include "RepEngine.h"
#include "Dialogs.h"
#include "Engine.h"

namespace {

struct TFlagDef {
    int Option;
    bool Kept;        // the getter answers from the component, not from the engine
};
// In the order of TRepFlag.
constexpr TFlagDef FlagDefs[] = {
    {1, false},  {3, false},  {8, true},   {9, false},  {10, false}, {11, false}, {13, true},  {19, false},
    {20, false}, {21, false}, {22, true},  {32, false}, {33, false}, {40, true},  {41, true},  {42, true},
    {43, true},  {46, true},  {47, true},  {48, true},  {50, true},  {51, true}};
static_assert(std::size(FlagDefs) == size_t(TRepFlag::Count));

// Notification codes in the order of TRepEvent.
constexpr int EventCodes[] = {0, 1, 10, 11, 12, 20, 21, 22, 23, 24, 25, 30, 31, 32, 33, 34, 35, 37, 38, 39, 40, 1000};
static_assert(std::size(EventCodes) == size_t(TRepEvent::Count));

constexpr int OptNewExpressions = 0, OptEnhanced = 14, OptTableColoring = 2, OptUnitSystem = 4, OptTabStops = 5,
              OptTabCode = 15, OptRetCode = 23, OptStorage = 30, OptCompress = 31, OptEMF = 49,
              OptHostPrinterEvent = 13, OptDlgExprVarBtnEvent = 39;

const char16_t EmptyText[] = u"";

int LanguageCode(TRepLanguage l) { return l == TRepLanguage::DefaultLang ? -1 : int(l) - 1; }

}   // namespace

// ---------------------------------------------------------- preview window

void TPrvAppearance::Send(int option, int value, bool when) const
{
    if (m_job >= 0 && when) EngSetOption(m_job, option, value);
}

void TPrvAppearance::SetZoomPerc(int v)
{
    if (v < -1) return;
    m_zoom = v;
    Send(ejoPreviewZoom, v, v > 0);
}

void TPrvAppearance::SetLeft(int v)
{
    if (v < -1) return;
    m_left = v;
    Send(ejoPreviewLeft, v, v >= 0);
}

void TPrvAppearance::SetTop(int v)
{
    if (v < -1) return;
    m_top = v;
    Send(ejoPreviewTop, v, v >= 0);
}

void TPrvAppearance::SetWidth(int v)
{
    if (v < -1) return;
    m_width = v;
    Send(ejoPreviewWidth, v, v > 0);
}

void TPrvAppearance::SetHeight(int v)
{
    if (v < -1) return;
    m_height = v;
    Send(ejoPreviewHeight, v, v > 0);
}

void TPrvAppearance::Apply() const
{
    Send(ejoPreviewZoom, m_zoom, m_zoom > 0);
    Send(ejoPreviewLeft, m_left, m_left >= 0);
    Send(ejoPreviewTop, m_top, m_top >= 0);
    Send(ejoPreviewWidth, m_width, m_width > 0);
    Send(ejoPreviewHeight, m_height, m_height > 0);
}

// ---------------------------------------------------------------- creation

TRepEngine::TRepEngine(QObject* owner) : QObject(owner)
{
    setObjectName(QStringLiteral("RepEngine1"));
    hLlJob = -1;
    OpenJob();
    ApplyCreationValues();
}

TRepEngine::~TRepEngine()
{
    if (hLlJob >= 0) EngJobClose(hLlJob);
}

void TRepEngine::OpenJob()
{
    m_language = TRepLanguage::DefaultLang;
    hLlJob = EngJobOpen(-1);
    if (hLlJob == -1) {
        for (int code = 0; code <= 41; ++code) {
            const int r = EngJobOpen(code);
            if (r >= 0) {
                hLlJob = r;
                m_language = TRepLanguage(code + 1);
                break;
            }
        }
    }
    m_appearance.Apply();
    if (hLlJob < 0)
        MessageDlg(QStringLiteral("Can't find the report engine default language file."), mtInformation, mbOK,
                   QStringLiteral("Error"));
    // Without a job the engine refuses both; later calls get its error result.
    EngSetOption(hLlJob, ejoUserData, reinterpret_cast<qintptr>(this));
    EngSetNotificationCallback(hLlJob, [](int code, qintptr param, qintptr user) {
        return reinterpret_cast<TRepEngine*>(user)->Notification(code, param);
    });
}

void TRepEngine::ApplyCreationValues()
{
    using F = TRepFlag;
    SetFlag(F::HelpAvailable, true);
    SetFlag(F::AutoMultipage, true);
    SetFlag(F::SpaceOptimization, true);
    SetFlag(F::VarsCaseSensitive, true);
    MaxRTFVersion = 256;
    m_buttons3D = true;
    m_buttonsWithBitmaps = false;
    SetDialogBoxMode(TDialogBoxMode::Win95);
    SetButtons3D(true);
    SetButtonsWithBitmaps(false);
    SetFlag(F::XlatVarNames, true);
    SetFlag(F::CreateInfo, true);
    SetFlag(F::AddVarsToFields, false);
    SetFlag(F::ConvertCRLF, false);
    SetFlag(F::DelayTableHeader, false);
    SetEMFResolution(0);
    SetFlag(F::MultipleTableLines, false);
    SetNewExpressions(TNewExpressions::NewMode);
    SetFlag(F::NoNoTableCheck, false);
    SetFlag(F::NoParameterCheck, false);
    SetFlag(F::OfnDialogExplorer, true);
    SetFlag(F::OnlyOneTable, false);
    SetFlag(F::RealTime, false);
    SetRetRepresentationCode(QChar(182));
    SetFlag(F::ShowPredefVars, true);
    SetFlag(F::SortVariables, true);
    SetStorageSystem(TStorageSystem::Storage);
    SetFlag(F::SupportPageBreak, false);
    SetTableColoringMode(TTableColoringMode::Normal);
    SetTabRepresentationCode(QChar(247));
    SetTabStops(TTabStops::Replace);
    SetFlag(F::UseBarcodeSizes, false);
    SetFlag(F::UseHostprinter, false);
    SetFlag(F::WizFileNew, false);
}

// -------------------------------------------------------------- properties

bool TRepEngine::Flag(TRepFlag f) const
{
    const TFlagDef& d = FlagDefs[size_t(f)];
    return d.Kept ? m_flags[size_t(f)] : EngGetOption(hLlJob, d.Option) == 1;
}

void TRepEngine::SetFlag(TRepFlag f, bool on)
{
    m_flags[size_t(f)] = on;
    SendFlag(f);
}

void TRepEngine::SendFlag(TRepFlag f)
{
    EngSetOption(hLlJob, FlagDefs[size_t(f)].Option, m_flags[size_t(f)] ? 1 : 0);
}

TNewExpressions TRepEngine::NewExpressions() const
{
    if (EngGetOption(hLlJob, OptEnhanced) == 1) return TNewExpressions::Enhanced;
    return EngGetOption(hLlJob, OptNewExpressions) == 1 ? TNewExpressions::NewMode : TNewExpressions::Old;
}

void TRepEngine::SetNewExpressions(TNewExpressions v)
{
    switch (v) {
    case TNewExpressions::NewMode: EngSetOption(hLlJob, OptNewExpressions, 1); break;
    case TNewExpressions::Enhanced: EngSetOption(hLlJob, OptEnhanced, 1); break;
    case TNewExpressions::Old:
        EngSetOption(hLlJob, OptNewExpressions, 0);
        EngSetOption(hLlJob, OptEnhanced, 0);
        break;
    }
}

TTableColoringMode TRepEngine::TableColoringMode() const
{
    return TTableColoringMode(std::clamp(int(EngGetOption(hLlJob, OptTableColoring)), 0, 2));
}

void TRepEngine::SetTableColoringMode(TTableColoringMode v) { EngSetOption(hLlJob, OptTableColoring, int(v)); }

TUnitSystem TRepEngine::UnitSystem() const
{
    return EngGetOption(hLlJob, OptUnitSystem) == 1 ? TUnitSystem::Inch : TUnitSystem::Metric;
}

void TRepEngine::SetUnitSystem(TUnitSystem v) { EngSetOption(hLlJob, OptUnitSystem, v == TUnitSystem::Inch ? 1 : 0); }

TTabStops TRepEngine::TabStops() const
{
    return EngGetOption(hLlJob, OptTabStops) == 1 ? TTabStops::Expand : TTabStops::Replace;
}

void TRepEngine::SetTabStops(TTabStops v) { EngSetOption(hLlJob, OptTabStops, v == TTabStops::Expand ? 1 : 0); }

TStorageSystem TRepEngine::StorageSystem() const
{
    return EngGetOption(hLlJob, OptStorage) == 1 ? TStorageSystem::Storage : TStorageSystem::Compat4;
}

void TRepEngine::SetStorageSystem(TStorageSystem v)
{
    EngSetOption(hLlJob, OptStorage, v == TStorageSystem::Storage ? 1 : 0);
    if (v == TStorageSystem::Compat4) SetCompressStorage(false);
}

bool TRepEngine::CompressStorage() const { return EngGetOption(hLlJob, OptCompress) == 1; }

void TRepEngine::SetCompressStorage(bool on)
{
    m_compressStorage = on;
    EngSetOption(hLlJob, OptCompress, on && StorageSystem() == TStorageSystem::Storage ? 1 : 0);
}

QChar TRepEngine::TabRepresentationCode() const { return QChar(char16_t(EngGetOption(hLlJob, OptTabCode))); }
void TRepEngine::SetTabRepresentationCode(QChar c) { EngSetOption(hLlJob, OptTabCode, c.unicode()); }
QChar TRepEngine::RetRepresentationCode() const { return QChar(char16_t(EngGetOption(hLlJob, OptRetCode))); }
void TRepEngine::SetRetRepresentationCode(QChar c) { EngSetOption(hLlJob, OptRetCode, c.unicode()); }
int TRepEngine::EMFResolution() const { return int(EngGetOption(hLlJob, OptEMF)); }
void TRepEngine::SetEMFResolution(int v) { EngSetOption(hLlJob, OptEMF, v); }

void TRepEngine::SetDebugMode(int mode)
{
    m_debug = mode;
    EngSetDebug(hLlJob, mode);
}

void TRepEngine::SendDialogBoxMode()
{
    int mode = int(m_dlgMode) + 1;
    if (m_buttons3D) mode |= 0x8000;
    if (!m_buttonsWithBitmaps) mode |= 0x2000;
    EngSetDlgboxMode(hLlJob, mode);
}

void TRepEngine::SetDialogBoxMode(TDialogBoxMode m)
{
    m_dlgMode = m;
    SendDialogBoxMode();
}

void TRepEngine::SetButtons3D(bool on)
{
    m_buttons3D = on;
    SendDialogBoxMode();
}

void TRepEngine::SetButtonsWithBitmaps(bool on)
{
    m_buttonsWithBitmaps = on;
    SendDialogBoxMode();
}

void TRepEngine::SetEventEnabled(TRepEvent e, bool on)
{
    m_events[size_t(e)].Enabled = on;
    if (e == TRepEvent::OnHostPrinter) EngSetOption(hLlJob, OptHostPrinterEvent, on ? 1 : 0);
    if (e == TRepEvent::OnDlgExprVarBtn) EngSetOption(hLlJob, OptDlgExprVarBtnEvent, on ? 1 : 0);
}

// ------------------------------------------------------------------ language

struct TRepEngine::TSaved {
    std::array<bool, size_t(TRepFlag::Count)> Flags;
    TNewExpressions NewExpressions;
    TTableColoringMode Coloring;
    TUnitSystem Units;
    TTabStops Tabs;
    TStorageSystem Storage;
    bool Compress;
    QChar TabCode, RetCode;
    int EMF, Debug;
    TDialogBoxMode DlgMode;
    bool Buttons3D, Bitmaps;
};

TRepEngine::TSaved TRepEngine::Save() const
{
    TSaved s;
    for (size_t i = 0; i < s.Flags.size(); ++i) s.Flags[i] = Flag(TRepFlag(i));
    s.NewExpressions = NewExpressions();
    s.Coloring = TableColoringMode();
    s.Units = UnitSystem();
    s.Tabs = TabStops();
    s.Storage = StorageSystem();
    s.Compress = m_compressStorage;
    s.TabCode = TabRepresentationCode();
    s.RetCode = RetRepresentationCode();
    s.EMF = EMFResolution();
    s.Debug = m_debug;
    s.DlgMode = m_dlgMode;
    s.Buttons3D = m_buttons3D;
    s.Bitmaps = m_buttonsWithBitmaps;
    return s;
}

void TRepEngine::Restore(const TSaved& s)
{
    for (size_t i = 0; i < s.Flags.size(); ++i) SetFlag(TRepFlag(i), s.Flags[i]);
    SetNewExpressions(s.NewExpressions);
    SetTableColoringMode(s.Coloring);
    SetUnitSystem(s.Units);
    SetTabStops(s.Tabs);
    SetStorageSystem(s.Storage);
    SetCompressStorage(s.Compress);
    SetTabRepresentationCode(s.TabCode);
    SetRetRepresentationCode(s.RetCode);
    SetEMFResolution(s.EMF);
    SetDebugMode(s.Debug);
    m_dlgMode = s.DlgMode;
    m_buttons3D = s.Buttons3D;
    m_buttonsWithBitmaps = s.Bitmaps;
    SendDialogBoxMode();
    for (TRepEvent e : {TRepEvent::OnHostPrinter, TRepEvent::OnDlgExprVarBtn}) SetEventEnabled(e, EventEnabled(e));
}

void TRepEngine::SetLanguage(TRepLanguage language)
{
    const TSaved saved = Save();
    if (hLlJob >= 0) EngJobClose(hLlJob);
    const int r = EngJobOpen(LanguageCode(language));
    if (r < 0) {
        MessageDlg(r == erLanguage ? QStringLiteral("Report engine language file not found.")
                                   : QStringLiteral("Can't open the report engine job."),
                   mtError, mbOK, QStringLiteral("Error"));
        OpenJob();
    } else {
        hLlJob = r;
        m_language = language;
        m_appearance.Apply();
        EngSetOption(hLlJob, ejoUserData, reinterpret_cast<qintptr>(this));
        EngSetNotificationCallback(hLlJob, [](int code, qintptr param, qintptr user) {
            return reinterpret_cast<TRepEngine*>(user)->Notification(code, param);
        });
    }
    Restore(saved);
}

// ------------------------------------------------------------------ callback

qintptr TRepEngine::Notification(int code, qintptr param)
{
    for (size_t i = 0; i < std::size(EventCodes); ++i) {
        if (EventCodes[i] != code) continue;
        const TEventSlot& slot = m_events[i];
        if (slot.Enabled && slot.Handler) {
            TRepCallbackArgs args;
            args.Code = code;
            args.Param = param;
            if (code == 30 || code == 34) {
                args.HiWord = int((quintptr(param) >> 16) & 0xffff);
                args.LoWord = int(quintptr(param) & 0xffff);
            }
            return slot.Handler(args);
        }
        break;
    }
    switch (code) {
    case 23: case 25: return 2;
    case 35: return reinterpret_cast<qintptr>(EmptyText);
    default: return 0;
    }
}

// ------------------------------------------------------------------- calls

int TRepEngine::DefineVariableStart() { return EngDefineVariableStart(hLlJob); }
int TRepEngine::DefineVariable(const QString& name, const QString& contents) { return EngDefineVariable(hLlJob, name, contents); }
int TRepEngine::DefineFieldStart() { return EngDefineFieldStart(hLlJob); }
int TRepEngine::DefineField(const QString& name, const QString& contents) { return EngDefineField(hLlJob, name, contents); }
int TRepEngine::PrintIsFieldUsed(const QString& name) { return EngPrintIsFieldUsed(hLlJob, name); }

int TRepEngine::DefineLayout(QWidget* parent, const QString& title, int projectType, const QString& file)
{
    return EngDefineLayout(hLlJob, parent, title, projectType, file);
}

int TRepEngine::PrintWithBoxStart(int projectType, const QString& file, int printMode, int boxType, QWidget* parent,
                                  const QString& title)
{
    return EngPrintWithBoxStart(hLlJob, projectType, file, printMode, boxType, parent, title);
}

int TRepEngine::PrintOptionsDialog(QWidget* parent, const QString& text) { return EngPrintOptionsDialog(hLlJob, parent, text); }
int TRepEngine::PrintSetBoxText(const QString& text, int percent) { return EngPrintSetBoxText(hLlJob, text, percent); }

int TRepEngine::PrintGetPrinterInfo(QString& name, int nameSize, QString& port, int portSize)
{
    return EngPrintGetPrinterInfo(hLlJob, name, nameSize, port, portSize);
}

int TRepEngine::PrintGetOption(int option) { return EngPrintGetOption(hLlJob, option); }
int TRepEngine::PrintGetItemsPerTable() { return EngPrintGetItemsPerTable(hLlJob); }
int TRepEngine::PrintGetItemsPerPage() { return EngPrintGetItemsPerPage(hLlJob); }
int TRepEngine::PrintGetCurrentPage() { return EngPrintGetCurrentPage(hLlJob); }
int TRepEngine::Print() { return EngPrint(hLlJob); }
int TRepEngine::PrintFields() { return EngPrintFields(hLlJob); }
int TRepEngine::PrintFieldsEnd() { return EngPrintFieldsEnd(hLlJob); }
int TRepEngine::PrintDidMatchFilter() { return EngPrintDidMatchFilter(hLlJob); }
int TRepEngine::PrintEnd(int reserved) { return EngPrintEnd(hLlJob, reserved); }
int TRepEngine::PreviewSetTempPath(const QString& path) { return EngPreviewSetTempPath(hLlJob, path); }
int TRepEngine::ViewerProhibitAction(int action) { return EngViewerProhibitAction(hLlJob, action); }

int TRepEngine::PreviewDisplay(const QString& file, const QString& path, QWidget* parent)
{
    return EngPreviewDisplay(hLlJob, file, path, parent);
}

int TRepEngine::PreviewDeleteFiles(const QString& file, const QString& path)
{
    return EngPreviewDeleteFiles(hLlJob, file, path);
}
