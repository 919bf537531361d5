// Small data-set helpers the extender's units share.
#include "Dbeutil.h"
#include "Dbextend.h"
#include "Field.h"
#include "Table.h"

bool IsSearchableType(TFieldType type)
{
    switch (type) {
    case ftUnknown: case ftBytes: case ftVarBytes: case ftBlob: case ftGraphic: case ftFmtMemo:
    case ftParadoxOle: case ftDBaseOle: case ftTypedBinary:
        return false;
    default:
        return true;
    }
}

bool IsSearchableField(const TField* field) { return field && IsSearchableType(field->DataType()); }

bool FieldLeadsIndex(TDataSet* ds, const QString& fieldName)
{
    auto* t = qobject_cast<TTable*>(ds);
    if (!t || fieldName.isEmpty()) return false;
    if (!t->IndexFieldNames().isEmpty())
        return t->IndexFieldNames().split(u';').first().trimmed().compare(fieldName, Qt::CaseInsensitive) == 0;
    try {
        const QStringList order = t->OrderFields();
        return !order.isEmpty() && order.first().compare(fieldName, Qt::CaseInsensitive) == 0;
    } catch (const std::exception&) {
        return false;
    }
}

TTableDefs* EntryOfDataSet(TDBExtender& ext, TDataSet* ds)
{
    auto* dbds = qobject_cast<TDBDataSet*>(ds);
    return dbds && !dbds->Destroying() ? ext.Tables().FindOrAddByDataSet(dbds) : nullptr;
}

TDataSource* SourceOf(TTableDefs* entry, TDataSet* ds)
{
    if (entry && entry->DataSource()) return entry->DataSource();
    if (ds && !ds->DataSources().empty()) return ds->DataSources().front();
    return nullptr;
}
