#include "KeyCodes.h"
#include <QKeySequence>

namespace {

// Qt key and virtual key of every key that has a name of its own; letters
// and digits follow their ASCII codes and are handled apart.
struct TKeyPair {
    int qtKey;
    int vk;
};

constexpr TKeyPair kMainKeys[] = {
    {Qt::Key_Backspace, VK::BACK},     {Qt::Key_Tab, VK::TAB},          {Qt::Key_Backtab, VK::TAB},
    {Qt::Key_Clear, 0x0C},             {Qt::Key_Return, VK::RETURN},    {Qt::Key_Enter, VK::RETURN},
    {Qt::Key_Shift, VK::SHIFT},        {Qt::Key_Control, VK::CONTROL},  {Qt::Key_Alt, VK::MENU},
    {Qt::Key_Pause, 0x13},             {Qt::Key_CapsLock, 0x14},        {Qt::Key_Escape, VK::ESCAPE},
    {Qt::Key_Space, VK::SPACE},        {Qt::Key_PageUp, VK::PRIOR},     {Qt::Key_PageDown, VK::NEXT},
    {Qt::Key_End, VK::END},            {Qt::Key_Home, VK::HOME},        {Qt::Key_Left, VK::LEFT},
    {Qt::Key_Up, VK::UP},              {Qt::Key_Right, VK::RIGHT},      {Qt::Key_Down, VK::DOWN},
    {Qt::Key_Select, 0x29},            {Qt::Key_Print, 0x2C},           {Qt::Key_Execute, 0x2B},
    {Qt::Key_Insert, VK::INSERT},      {Qt::Key_Delete, VK::DELETE_},   {Qt::Key_Help, 0x2F},
    {Qt::Key_Meta, 0x5B},              {Qt::Key_Menu, 0x5D},            {Qt::Key_NumLock, 0x90},
    {Qt::Key_ScrollLock, 0x91},        {Qt::Key_AltGr, 0xA5},
    // The German layout's own keys (the OEM keys of that layout), with their
    // shifted symbols on the same key.
    {Qt::Key_Udiaeresis, 0xBA},        {Qt::Key_Plus, 0xBB},            {Qt::Key_Asterisk, 0xBB},
    {Qt::Key_AsciiTilde, 0xBB},        {Qt::Key_Comma, 0xBC},           {Qt::Key_Semicolon, 0xBC},
    {Qt::Key_Minus, 0xBD},             {Qt::Key_Underscore, 0xBD},      {Qt::Key_Period, 0xBE},
    {Qt::Key_Colon, 0xBE},             {Qt::Key_NumberSign, 0xBF},      {Qt::Key_Apostrophe, 0xBF},
    {Qt::Key_Odiaeresis, 0xC0},        {Qt::Key_ssharp, 0xDB},          {Qt::Key_Question, 0xDB},
    {Qt::Key_Backslash, 0xDB},         {Qt::Key_AsciiCircum, 0xDC},     {Qt::Key_Dead_Circumflex, 0xDC},
    {Qt::Key_degree, 0xDC},            {Qt::Key_Dead_Acute, 0xDD},      {Qt::Key_Dead_Grave, 0xDD},
    {Qt::Key_acute, 0xDD},             {Qt::Key_QuoteLeft, 0xDD},       {Qt::Key_Adiaeresis, 0xDE},
    {Qt::Key_Less, 0xE2},              {Qt::Key_Greater, 0xE2},         {Qt::Key_Bar, 0xE2},
    // Shifted and AltGr digits of the German layout stay their digit key.
    {Qt::Key_Exclam, '1'},             {Qt::Key_QuoteDbl, '2'},         {Qt::Key_twosuperior, '2'},
    {Qt::Key_section, '3'},            {Qt::Key_threesuperior, '3'},    {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},            {Qt::Key_Ampersand, '6'},        {Qt::Key_Slash, '7'},
    {Qt::Key_BraceLeft, '7'},          {Qt::Key_ParenLeft, '8'},        {Qt::Key_BracketLeft, '8'},
    {Qt::Key_ParenRight, '9'},         {Qt::Key_BracketRight, '9'},     {Qt::Key_Equal, '0'},
    {Qt::Key_BraceRight, '0'},         {Qt::Key_At, 'Q'},              
    {Qt::Key_mu, 'M'},
};

// Keys of the numeric pad other than its digits.
constexpr TKeyPair kPadKeys[] = {
    {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B},  {Qt::Key_Minus, 0x6D},
    {Qt::Key_Comma, 0x6E},    {Qt::Key_Period, 0x6E}, {Qt::Key_Slash, 0x6F},
};

// The Qt key a virtual key stands for, for menus; the first pair wins.
int QtKeyOfVirtualKey(int vk, bool& keypad)
{
    keypad = false;
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return vk;
    if (vk >= VK::NUMPAD0 && vk <= VK::NUMPAD0 + 9) {
        keypad = true;
        return Qt::Key_0 + (vk - VK::NUMPAD0);
    }
    if (vk >= VK::F1 && vk <= VK::F1 + 23) return Qt::Key_F1 + (vk - VK::F1);
    for (const TKeyPair& p : kPadKeys)
        if (p.vk == vk) {
            keypad = true;
            return p.qtKey;
        }
    for (const TKeyPair& p : kMainKeys)
        if (p.vk == vk) return p.qtKey;
    return 0;
}

// Names of the German system for keys without a printable character.
QString SpecialKeyName(int vk)
{
    switch (vk) {
    case VK::BACK: return QStringLiteral("Rücktaste");
    case VK::TAB: return QStringLiteral("Tab");
    case VK::RETURN: return QStringLiteral("Eingabe");
    case VK::ESCAPE: return QStringLiteral("Esc");
    case VK::SPACE: return QStringLiteral("Leer");
    case VK::PRIOR: return QStringLiteral("Bild auf");
    case VK::NEXT: return QStringLiteral("Bild ab");
    case VK::END: return QStringLiteral("Ende");
    case VK::HOME: return QStringLiteral("Pos1");
    case VK::LEFT: return QStringLiteral("Nach-links");
    case VK::UP: return QStringLiteral("Nach-oben");
    case VK::RIGHT: return QStringLiteral("Nach-rechts");
    case VK::DOWN: return QStringLiteral("Nach-unten");
    case VK::INSERT: return QStringLiteral("Einfg");
    case VK::DELETE_: return QStringLiteral("Entf");
    case 0x13: return QStringLiteral("Pause");
    case 0x14: return QStringLiteral("Feststell");
    case 0x2C: return QStringLiteral("Druck");
    case 0x90: return QStringLiteral("Num");
    case 0x91: return QStringLiteral("Rollen");
    case 0x6A: return QStringLiteral("Num *");
    case 0x6B: return QStringLiteral("Num +");
    case 0x6D: return QStringLiteral("Num -");
    case 0x6E: return QStringLiteral("Num ,");
    case 0x6F: return QStringLiteral("Num /");
    case 0xBA: return QStringLiteral("Ü");
    case 0xBB: return QStringLiteral("+");
    case 0xBC: return QStringLiteral(",");
    case 0xBD: return QStringLiteral("-");
    case 0xBE: return QStringLiteral(".");
    case 0xBF: return QStringLiteral("#");
    case 0xC0: return QStringLiteral("Ö");
    case 0xDB: return QStringLiteral("ß");
    case 0xDC: return QStringLiteral("^");
    case 0xDD: return QStringLiteral("´");
    case 0xDE: return QStringLiteral("Ä");
    case 0xE2: return QStringLiteral("<");
    default: return QString();
    }
}

}   // namespace

int VirtualKeyOfQtKey(int qtKey, bool keypad)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return keypad ? VK::NUMPAD0 + (qtKey - Qt::Key_0) : qtKey;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return VK::F1 + (qtKey - Qt::Key_F1);
    if (keypad)
        for (const TKeyPair& p : kPadKeys)
            if (p.qtKey == qtKey) return p.vk;
    for (const TKeyPair& p : kMainKeys)
        if (p.qtKey == qtKey) return p.vk;
    return 0;
}

int VirtualKeyOf(const QKeyEvent* e)
{
    if (!e) return 0;
    return VirtualKeyOfQtKey(e->key(), e->modifiers().testFlag(Qt::KeypadModifier));
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers m)
{
    TShiftState s;
    if (m & Qt::ShiftModifier) s.Include(ssShift);
    if (m & Qt::ControlModifier) s.Include(ssCtrl);
    if (m & Qt::AltModifier) s.Include(ssAlt);
    return s;
}

TShortCut ShortCut(int virtualKey, TShiftState shift)
{
    // Only byte-sized key codes fit beside the modifier bits.
    if (virtualKey <= 0 || virtualKey > 0xFF) return 0;
    TShortCut sc = TShortCut(virtualKey);
    if (shift.Contains(ssShift)) sc |= scShift;
    if (shift.Contains(ssCtrl)) sc |= scCtrl;
    if (shift.Contains(ssAlt)) sc |= scAlt;
    return sc;
}

void ShortCutToKey(TShortCut sc, int& virtualKey, TShiftState& shift)
{
    virtualKey = sc & ~(scShift | scCtrl | scAlt);
    shift = {};
    if (sc & scShift) shift.Include(ssShift);
    if (sc & scCtrl) shift.Include(ssCtrl);
    if (sc & scAlt) shift.Include(ssAlt);
}

QString ShortCutToText(TShortCut sc)
{
    int vk;
    TShiftState shift;
    ShortCutToKey(sc, vk, shift);
    QString name;
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) name = QChar(vk);
    else if (vk >= VK::NUMPAD0 && vk <= VK::NUMPAD0 + 9) name = QChar('0' + (vk - VK::NUMPAD0));
    else if (vk >= VK::F1 && vk <= VK::F1 + 23) name = QStringLiteral("F%1").arg(vk - VK::F1 + 1);
    else name = SpecialKeyName(vk);
    if (name.isEmpty()) return QString();
    QString text;
    if (shift.Contains(ssShift)) text += QStringLiteral("Umsch+");
    if (shift.Contains(ssCtrl)) text += QStringLiteral("Strg+");
    if (shift.Contains(ssAlt)) text += QStringLiteral("Alt+");
    return text + name;
}

QKeySequence ShortCutToKeySequence(TShortCut sc)
{
    int vk;
    TShiftState shift;
    ShortCutToKey(sc, vk, shift);
    bool keypad = false;
    const int key = QtKeyOfVirtualKey(vk, keypad);
    if (!key) return QKeySequence();
    Qt::KeyboardModifiers mods;
    if (shift.Contains(ssShift)) mods |= Qt::ShiftModifier;
    if (shift.Contains(ssCtrl)) mods |= Qt::ControlModifier;
    if (shift.Contains(ssAlt)) mods |= Qt::AltModifier;
    if (keypad) mods |= Qt::KeypadModifier;
    return QKeySequence(QKeyCombination(mods, Qt::Key(key)));
}
