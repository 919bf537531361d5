#pragma once
// Filters of the table engine compiled into SQL conditions: the filter
// text grammar of a table and the binary engine expression registered by
// the extender's filter object. User values only travel as bound values.
#include "DBTypes.h"
#include <QByteArray>
#include <QString>
#include <QVariantList>
#include <functional>

struct sqlite3;

// A field as the compiler sees it.
struct TFilterField {
    QString name;        // canonical field name (the SQL column name)
    int fieldNo = 0;     // 1-based position in the physical record
    TFieldType type = ftUnknown;
    int size = 0;
};

// Finds a field by name (without regard to case) or by number; nullptr when absent.
struct TFilterFieldResolver {
    std::function<const TFilterField*(const QString&)> byName;
    std::function<const TFilterField*(int)> byNumber;
};

struct TSqlCondition {
    QString sql;          // e.g. ("Gruppe" = ? AND "Jahr" = ?); empty = no condition
    QVariantList binds;   // values for the '?' in order of appearance
    bool isEmpty() const { return sql.isEmpty(); }
};

// Filter text: field = 'text' | field = 123, and/or/not, comparisons
// = <> < > <= >=, parentheses; [Name] or "Name" quote odd field names.
// Throws EDatabaseError (SInvalidFilter) for malformed text or unknown fields.
TSqlCondition CompileFilterText(const QString& text, const TFilterFieldResolver& fields);

// The engine expression (header, node slots, literal pool; little-endian).
// Throws EDBEngineError(DbiErr::INVALIDFILTER) when it is malformed.
TSqlCondition CompileEngineExpression(const QByteArray& expr, const TFilterFieldResolver& fields);

// How a filter judges a record; the SQL is written to give the same answer:
// - a blank field (NULL, or the empty text an old row may hold) equals the
//   empty text and fails every other comparison and every pattern; "not"
//   of a failed comparison is true (two-valued, unlike SQL's unknown);
// - texts compare by character codes with case; the case-insensitive
//   comparisons fold case by Unicode (ä = Ä) and count characters;
// - numbers by value, dates and times in time order, truth values false < true.

// SQL functions the compiled conditions call; registered on every connection.
void RegisterFilterFunctions(sqlite3* db);
