#pragma once
// Small data-set helpers the extender's units share.
#include "DBTypes.h"
#include <QString>

class TDataSet;
class TDataSource;
class TDBExtender;
class TField;
class TTableDefs;

// Whether a value search can test a field of this type (memos yes, other
// blobs and byte fields no).
bool IsSearchableType(TFieldType type);
bool IsSearchableField(const TField* field);

// The field comes first in the table's current order, so its index serves
// a key lookup. False for anything but a table.
bool FieldLeadsIndex(TDataSet* ds, const QString& fieldName);

// The registry entry of a data set, made when missing; none for a data set
// that is no table data set or is being destroyed.
TTableDefs* EntryOfDataSet(TDBExtender& ext, TDataSet* ds);
// The data source the notices of a data set go to.
TDataSource* SourceOf(TTableDefs* entry, TDataSet* ds);
