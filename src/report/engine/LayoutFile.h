#pragma once
// Reading and writing layout files (JSON, described in LAYOUTS.md). The
// reader checks everything it takes: a damaged file is refused with a
// reason, never half read.
#include "Layout.h"
#include <QByteArray>

namespace LayoutFile {

// Largest file the reader looks at; delivered layouts are a few kilobytes.
constexpr qint64 MaxFileSize = 1 << 20;

// Reads a layout from file contents; false and a German reason when it is damaged.
bool Parse(const QByteArray& data, TLayout& layout, QString* error = nullptr);
bool Load(const QString& fileName, TLayout& layout, QString* error = nullptr);
QByteArray Serialize(const TLayout& layout);
// Writes through a temporary file, so a failed write leaves the old file whole.
bool Save(const QString& fileName, const TLayout& layout, QString* error = nullptr);

// Loose objects, as the designer's clipboard carries them; the reader
// applies the same checks as to a whole layout.
QByteArray SerializeObjects(const std::vector<TLayoutObject>& objects);
bool ParseObjects(const QByteArray& data, std::vector<TLayoutObject>& objects, QString* error = nullptr);

// Checks the expressions and placeholders of a layout (the reader does this too).
bool CheckExpressions(const TLayout& layout, QString* error = nullptr);
// Every field and variable name a layout refers to.
TLayoutNames UsedNames(const TLayout& layout);

}
