#include "Dbebmdlg.h"
#include "Dbeconst.h"
#include "Panel.h"
#include <QWidget>
#include "Dbextend.h"
#include "Table.h"

// ------------------------------------------------------------------ item

TBMItem::TBMItem(TDataSet* ds, int number, bool keepOnlyIndex, bool useNonVisFields)
    : Number(number), KeepOnlyIndex(keepOnlyIndex), UseNonVisFields(useNonVisFields), m_dataSet(ds)
{
    if (!ds) throw EDBEBookMarks(DBEString(59583));
    EngineBookmark = ds->GetBookmark();
    if (!EngineBookmark) throw EDBEBookMarks(DBEString(59584));
    for (const QString& name : TBMManager::CapturedFields(ds, KeepOnlyIndex, UseNonVisFields, MaxFields))
        if (TField* f = ds->FindField(name)) Values << f->DisplayText();
}

TBMItem::~TBMItem()
{
    if (m_dataSet && !m_dataSet->Destroying()) m_dataSet->FreeBookmark(EngineBookmark);
}

// --------------------------------------------------------------- manager

TBMManager::TBMManager(TDataSet* ds, bool allowUserAbort, bool allowMasterMove, bool useNonVisFields,
                       bool keepOnlyIndex, QObject* parent)
    : QObject(parent), m_dataSet(ds), m_keepOnlyIndex(keepOnlyIndex), m_useNonVisFields(useNonVisFields),
      m_allowMasterMove(allowMasterMove), m_allowUserAbort(allowUserAbort)
{
}

TBMManager::~TBMManager() = default;

QStringList TBMManager::CapturedFields(TDataSet* ds, bool keepOnlyIndex, bool useNonVisFields, int maxFields)
{
    QStringList out;
    if (!ds) return out;
    if (!keepOnlyIndex) {
        for (const auto& f : ds->Fields())
            if (f->FieldKind() == fkData && (f->Visible() || useNonVisFields)) out << f->FieldName();
        return out;
    }
    if (auto* t = qobject_cast<TTable*>(ds); t && t->Active()) {
        const int n = t->IndexFieldCount();
        for (int i = 0; i < n; ++i)
            if (TField* f = t->IndexField(i)) out << f->FieldName();
        if (!out.isEmpty()) return out;
    }
    for (int i = 0; i < ds->FieldCount() && i < maxFields; ++i) out << ds->FieldAt(i)->FieldName();
    return out;
}

QStringList TBMManager::ColumnFields() const
{
    return CapturedFields(m_dataSet, m_keepOnlyIndex, m_useNonVisFields);
}

std::unique_ptr<TBMItem> TBMManager::NewItem(int number) const
{
    return std::make_unique<TBMItem>(m_dataSet, number, m_keepOnlyIndex, m_useNonVisFields);
}

int TBMManager::IndexOfNumber(int number) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_items[i]->Number == number) return i;
    return -1;
}

int TBMManager::Add()
{
    if (!Live()) return -1;
    const int number = m_items.empty() ? 1 : m_items.back()->Number + 1;
    m_items.push_back(NewItem(number));
    return number;
}

void TBMManager::SetNumbered(int number)
{
    if (!Live()) return;
    auto item = NewItem(number);
    auto it = std::find_if(m_items.begin(), m_items.end(), [&](const auto& b) { return b->Number >= number; });
    if (it == m_items.end())
        m_items.push_back(std::move(item));
    else if ((*it)->Number == number)
        *it = std::move(item);
    else
        m_items.insert(it, std::move(item));
}

void TBMManager::Delete(int number)
{
    const int i = IndexOfNumber(number);
    if (i >= 0) m_items.erase(m_items.begin() + i);
}

void TBMManager::Renumber(int oldNumber, int newNumber)
{
    if (oldNumber == newNumber) return;
    const int from = IndexOfNumber(oldNumber);
    if (from < 0) return;
    std::unique_ptr<TBMItem> moved = std::move(m_items[from]);
    m_items.erase(m_items.begin() + from);
    moved->Number = newNumber;
    const int n = Count();
    if (oldNumber < newNumber) {
        int q = from;
        while (q < n && m_items[q]->Number < newNumber) ++q;
        if (q == n) {
            m_items.push_back(std::move(moved));
            return;
        }
        int insertAt = q;
        if (m_items[q]->Number == newNumber) {
            // The run ending at the new number moves one down, up to a gap.
            int expected = newNumber;
            for (int j = q; j >= 0 && m_items[j]->Number == expected; --j, --expected) m_items[j]->Number = expected - 1;
            insertAt = q + 1;
        }
        m_items.insert(m_items.begin() + insertAt, std::move(moved));
    } else {
        int q = 0;
        while (q < n && m_items[q]->Number < newNumber) ++q;
        if (q == n) {
            m_items.push_back(std::move(moved));
            return;
        }
        // The run starting at the new number moves one up, up to a gap.
        int expected = newNumber;
        for (int j = q; j < n && m_items[j]->Number == expected; ++j, ++expected) m_items[j]->Number = expected + 1;
        m_items.insert(m_items.begin() + q, std::move(moved));
    }
}

bool TBMManager::GotoNumber(int number, bool raiseErrors)
{
    const int i = IndexOfNumber(number);
    if (i < 0 || !Live()) return false;
    const TBookmark b = m_items[i]->EngineBookmark;
    try {
        m_dataSet->GotoBookmark(b);
        return true;
    } catch (const EUserAbort&) {
        if (raiseErrors) throw;
        return false;
    } catch (...) {
        auto* table = qobject_cast<TTable*>(m_dataSet.data());
        if (m_allowMasterMove && table && table->MasterSource()) {
            // The record may lie outside the detail range: find it in a copy
            // of the whole table and move the master there.
            try {
                std::unique_ptr<TTable> copy(SecondTable(table, nullptr, true, true, false));
                copy->GotoBookmark(b);
                if (LocateRecord(table, copy.get(), m_allowUserAbort)) return true;
            } catch (...) {
                if (raiseErrors) throw;
                return false;
            }
        }
        if (raiseErrors) throw;
        return false;
    }
}

void TBMManager::Clear() { m_items.clear(); }

void TBMManager::SetDataSet(TDataSet* ds)
{
    if (ds == m_dataSet.data()) return;
    Clear();
    m_dataSet = ds;
}

void TBMManager::SetKeepOnlyIndex(bool on)
{
    if (on == m_keepOnlyIndex) return;
    Clear();
    m_keepOnlyIndex = on;
}

void TBMManager::SetUseNonVisFields(bool on)
{
    if (on == m_useNonVisFields) return;
    Clear();
    m_useNonVisFields = on;
}
