#pragma once
// Basic types of the table engine, named as the data-access layer the
// program was written against names them.
#include <QString>
#include <QVariant>
#include <QtGlobal>

enum TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat,
    ftCurrency, ftBCD, ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes,
    ftAutoInc, ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle,
    ftDBaseOle, ftTypedBinary
};

enum TFieldKind { fkData, fkCalculated, fkLookup };

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey };

enum TDataEvent {
    deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll,
    deLayoutChange, deUpdateRecord, deUpdateState, deCheckBrowseMode,
    deFocusControl
};

enum TGetMode { gmCurrent, gmNext, gmPrior };

// An engine bookmark: the hidden row number of a record; 0 is none.
using TBookmark = qint64;

// Engine error codes (the numbering follows the old engine's families).
namespace DbiErr {
constexpr int BOF = 0x2201;          // beginning of table
constexpr int EOF_ = 0x2202;         // end of table
constexpr int RECNOTFOUND = 0x2206;  // record not found / not in range
constexpr int OUTOFRANGE = 0x2207;   // record outside the detail range
constexpr int KEYVIOL = 0x2601;      // key violation
constexpr int RECCHANGED = 0x2603;   // changed by another user
constexpr int RECDELETED = 0x2604;   // deleted by another user
constexpr int NOSUCHTABLE = 0x2904;
constexpr int NOTSUPPORTED = 0x3E02;
constexpr int INVALIDFILTER = 0x2E0A;
constexpr int NOSUCHFILTER = 0x2E0B;
constexpr int ENDOFBLOB = 0x2205;
constexpr int READONLY = 0x2A04;
constexpr int IO = 0x2101;
}

// Table type name of the engine's own tables; the extender treats them
// like keyed tables with a primary index.
inline const char* const szPARADOX = "PARADOX";

inline bool IsTextType(TFieldType t) { return t == ftString; }
inline bool IsBlobType(TFieldType t)
{
    return t == ftBlob || t == ftMemo || t == ftGraphic || t == ftFmtMemo
        || t == ftParadoxOle || t == ftDBaseOle || t == ftTypedBinary;
}
inline bool IsNumericType(TFieldType t)
{
    return t == ftSmallint || t == ftInteger || t == ftWord || t == ftFloat
        || t == ftCurrency || t == ftBCD || t == ftAutoInc;
}
