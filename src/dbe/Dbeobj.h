#pragma once
// Small objects of the extender: the search item with its pattern matcher.
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
