#include "DBEProps.h"
#include "DBErrors.h"

namespace {

// Stored lists of this many actions begin with the negated count, so older
// positional lists (which begin with a key value) are told apart.
constexpr int NamedFormatMark = -27;

const QString ReadError = QStringLiteral("Error reading TDBEShortCuts ");

bool IsInteger(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

QString TokenText(const QVariant& v)
{
    return v.toString();
}

int ReadInteger(const QVariantList& list, int& pos)
{
    if (pos >= list.size() || !IsInteger(list.at(pos)))
        throw Exception(ReadError + (pos < list.size() ? TokenText(list.at(pos)) : QString()));
    return list.at(pos++).toInt();
}

}   // namespace

TDBEShortCuts::TDBEShortCuts()
{
    m_keys = {
        16467,   // nbSearch        Strg+S
        16457,   // nbSearchInc     Strg+I
        114,     // nbSearchNext    F3
        16459,   // nbSetBookmark   Strg+K
        16465,   // nbGotoBookmark  Strg+Q
        16454,   // nbTblFilter     Strg+F
        0,       // nbActiveFilter
        16472,   // nbIndexSelect   Strg+X
        118,     // nbTableView     F7
        0,       // nbSingleRecView
        16417,   // nbFirst         Strg+Bild auf
        8225,    // nbPGroup        Umsch+Bild auf
        33,      // nbPrior         Bild auf
        34,      // nbNext          Bild ab
        8226,    // nbNGroup        Umsch+Bild ab
        16418,   // nbLast          Strg+Bild ab
        45,      // nbInsert        Einfg
        16430,   // nbDelete        Strg+Entf
        0,       // nbEdit
        0,       // nbPost
        16392,   // nbCancel        Strg+Rücktaste
        0,       // nbRefresh
        0,       // nbUserBtn
        113,     // nbMemoView      F2
        16452,   // nbDupField      Strg+D
        24644,   // nbDupRecord     Umsch+Strg+D
        16416,   // nbLookUp        Strg+Leer
        120,     // nbGlobalEdit    F9
    };
}

void TDBEShortCuts::Assign(const TDBEShortCuts& other)
{
    m_keys = other.m_keys;
    if (OnChange) OnChange();
}

bool TDBEShortCuts::FindAction(int virtualKey, TShiftState shift, TDBENavigateBtn& btn) const
{
    const TShortCut sc = ::ShortCut(virtualKey, shift);
    if (!sc) return false;
    // Ctrl with a key of its own action finds the action of the plain key
    // (Ctrl+F3 searches backwards).
    for (TShortCut probe : {sc, TShortCut(sc & ~scCtrl)}) {
        for (int i = 0; i < NavigateBtnCount; ++i)
            if (m_keys[i] && m_keys[i] == probe) {
                btn = TDBENavigateBtn(i);
                return true;
            }
    }
    return false;
}

QVariantList TDBEShortCuts::WriteList() const
{
    QVariantList list;
    list << NamedFormatMark;
    for (int i = 0; i < NavigateBtnCount; ++i)
        list << NavigateBtnName(TDBENavigateBtn(i)) << int(m_keys[i]);
    return list;
}

void TDBEShortCuts::ReadList(const QVariantList& list)
{
    int pos = 0;
    const int first = ReadInteger(list, pos);
    if (first < 0) {
        // Named pairs; actions not named keep their value.
        while (pos < list.size()) {
            const QVariant& ident = list.at(pos++);
            TDBENavigateBtn btn;
            if (IsInteger(ident) || !NavigateBtnByName(ident.toString(), btn))
                throw Exception(ReadError + TokenText(ident));
            m_keys[btn] = TShortCut(ReadInteger(list, pos));
        }
        return;
    }
    // Older files: one value per action in order, written before the single
    // record view existed, so its slot is skipped; surplus values land on
    // the last action.
    int action = 0;
    int value = first;
    for (;;) {
        m_keys[action] = TShortCut(value);
        if (pos >= list.size()) break;
        value = ReadInteger(list, pos);
        if (action < NavigateBtnCount - 1) {
            ++action;
            if (action == nbSingleRecView) ++action;
        }
    }
}

QString TDBEShortCuts::ToText() const
{
    QStringList parts;
    for (const QVariant& v : WriteList()) parts << v.toString();
    return QLatin1Char('(') + parts.join(QLatin1Char(' ')) + QLatin1Char(')');
}

void TDBEShortCuts::FromText(const QString& text)
{
    // Tokens: "(", ")", identifiers and integers, separated by blanks.
    QVariantList list;
    int depth = 0;
    bool closed = false;
    int i = 0;
    const int n = text.size();
    while (i < n) {
        const QChar c = text.at(i);
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (closed) throw Exception(ReadError + text.mid(i).trimmed());
        if (c == QLatin1Char('(')) {
            if (depth++ > 0 || !list.isEmpty()) throw Exception(ReadError + c);
            ++i;
            continue;
        }
        if (c == QLatin1Char(')')) {
            if (depth != 1) throw Exception(ReadError + c);
            depth = 0;
            closed = true;
            ++i;
            continue;
        }
        int j = i;
        if (c == QLatin1Char('-') || c == QLatin1Char('+') || c.isDigit()) {
            ++j;
            while (j < n && text.at(j).isDigit()) ++j;
            bool ok = false;
            const int v = text.mid(i, j - i).toInt(&ok);
            if (!ok) throw Exception(ReadError + text.mid(i, j - i));
            list << v;
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            while (j < n && (text.at(j).isLetterOrNumber() || text.at(j) == QLatin1Char('_'))) ++j;
            list << text.mid(i, j - i);
        } else {
            throw Exception(ReadError + c);
        }
        i = j;
    }
    if (depth != 0) throw Exception(ReadError);
    ReadList(list);
}
