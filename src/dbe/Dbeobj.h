#pragma once
// Small objects of the extender: the search item with its pattern matcher
// and the stream over a blob of a record read by a second cursor.
#include "Cursor.h"
#include <QIODevice>
#include <QString>
#include <QStringList>

// One value pattern with ".." as the wildcard for any run of characters.
// Compiled once per change of the pattern, tested per record.
class TSrchItem {
public:
    bool IgnoreCase = true;
    QStringList Pieces;          // literal parts between the wildcards
    bool AnchoredStart = false;  // the pattern does not begin with ".."
    bool AnchoredEnd = false;    // the pattern does not end with ".."
    QString Pattern;             // upper-cased when IgnoreCase
    int MatchPos = 0;            // zero-based, after a successful test
    int MatchLen = 0;

    void SetPattern(const QString& text);
    bool Matches(const QString& value);
    // Forgets the pattern (the table was re-attached).
    void Clear();

    // Upper case character by character, so positions in the value stay
    // positions in the original text ("ß" stays one character).
    static QString UpperKeepLength(const QString& s);
};

// A read-only stream over one blob field (memo, picture, binary) of a
// record a cursor has read, so that a blob is copied whole whatever its
// size. A memo reads as its text in UTF-8, the engine's text encoding.
class TDirectBlobReadStream : public QIODevice {
public:
    // fieldNo is 1-based, as the engine counts; raises for a field that
    // is no blob.
    TDirectBlobReadStream(const TEngineCursor& cursor, TRecordPtr record, int fieldNo);

    bool isSequential() const override { return false; }
    qint64 size() const override;   // 0 when not open
    // The blob as the field takes it: text for a memo, bytes otherwise.
    QVariant ReadValue();

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    // No writing: the stream is opened for reading only.
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    TRecordPtr m_record;   // keeps the buffer alive while the stream reads it
    QByteArray m_blob;
    bool m_memo = false;
};
