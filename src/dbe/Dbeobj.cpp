#include "Dbeobj.h"
#include "DBConsts.h"
#include "DBErrors.h"
#include <cstring>

namespace {
const QString Wildcard = QStringLiteral("..");
}

QString TSrchItem::UpperKeepLength(const QString& s)
{
    QString out = s;
    for (QChar& c : out) c = c.toUpper();
    return out;
}

void TSrchItem::Clear()
{
    Pattern.clear();
    Pieces.clear();
    AnchoredStart = AnchoredEnd = true;
    MatchPos = MatchLen = 0;
}

void TSrchItem::SetPattern(const QString& text)
{
    QString t = IgnoreCase ? UpperKeepLength(text) : text;
    if (t == Pattern) return;
    Pieces.clear();
    Pattern = t;
    if (t == Wildcard) {
        AnchoredStart = AnchoredEnd = false;
        return;
    }
    if (t.isEmpty()) {
        AnchoredStart = AnchoredEnd = true;
        return;
    }
    AnchoredStart = !t.startsWith(Wildcard);
    if (!AnchoredStart) t.remove(0, 2);
    AnchoredEnd = !t.endsWith(Wildcard);
    if (!AnchoredEnd) t.chop(2);
    // A wildcard right at the front of the rest is not collapsed: the rest
    // becomes one literal piece, dots included.
    while (!t.isEmpty()) {
        const int p = t.indexOf(Wildcard);
        QString piece;
        if (p <= 0) {
            piece = t;
            t.clear();
        } else {
            piece = t.left(p);
            t.remove(0, p + 2);
        }
        if (!piece.isEmpty()) Pieces << piece;
    }
}

bool TSrchItem::Matches(const QString& value)
{
    MatchPos = 0;
    MatchLen = int(value.size());
    if (Pieces.isEmpty())
        return (Pattern.isEmpty() && value.isEmpty()) || (Pattern == Wildcard && !value.isEmpty());
    if (value.size() < Pieces.first().size()) return false;
    const QString v = IgnoreCase ? UpperKeepLength(value) : value;

    if (Pieces.size() == 1) {
        const QString& p = Pieces.first();
        MatchLen = int(p.size());
        if (AnchoredStart && AnchoredEnd) return v == p;
        if (AnchoredStart) return v.startsWith(p);
        if (AnchoredEnd) {
            if (!v.endsWith(p)) return false;
            MatchPos = int(v.size() - p.size());
            return true;
        }
        const int at = int(v.indexOf(p));
        if (at < 0) return false;
        MatchPos = at;
        return true;
    }

    int pos = 0;
    int start = 0;
    const int last = int(Pieces.size()) - 1;
    for (int i = 0; i <= last; ++i) {
        const QString& p = Pieces.at(i);
        const int at = int(v.indexOf(p, pos));
        if (at < 0) return false;
        if (i == 0) {
            if (AnchoredStart && at != 0) return false;
            start = at;
        }
        // Only the first occurrence after the previous piece is tried.
        if (i == last && AnchoredEnd && at + p.size() != v.size()) return false;
        pos = at + int(p.size());
    }
    MatchPos = start;
    MatchLen = pos - start;
    return true;
}

// ------------------------------------------------------------ blob stream

TDirectBlobReadStream::TDirectBlobReadStream(const TEngineCursor& cursor, TRecordPtr record, int fieldNo)
    : m_record(std::move(record))
{
    const auto& fields = cursor.Table().Structure.Fields;
    if (fieldNo < 1 || fieldNo > int(fields.size())) DatabaseError(DBConsts::SNotBlobField.arg(QString::number(fieldNo)));
    const TFieldDef& def = fields[size_t(fieldNo - 1)];
    if (!IsBlobType(def.DataType)) DatabaseError(DBConsts::SNotBlobField.arg(def.Name));
    m_memo = def.DataType == ftMemo || def.DataType == ftFmtMemo;
    const QVariant v = m_record && fieldNo <= m_record->size() ? m_record->at(fieldNo - 1) : QVariant();
    if (!v.isNull()) m_blob = m_memo ? v.toString().toUtf8() : v.toByteArray();
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 TDirectBlobReadStream::size() const { return isOpen() ? m_blob.size() : 0; }

qint64 TDirectBlobReadStream::readData(char* data, qint64 maxSize)
{
    const qint64 n = qBound<qint64>(0, m_blob.size() - pos(), maxSize);
    if (n > 0) std::memcpy(data, m_blob.constData() + pos(), size_t(n));
    return n;   // 0 at the end of the blob, as the engine's end-of-blob
}

qint64 TDirectBlobReadStream::writeData(const char*, qint64)
{
    setErrorString(QStringLiteral("No write access to TDirectBlobReadStream"));
    return -1;
}

QVariant TDirectBlobReadStream::ReadValue()
{
    seek(0);
    const QByteArray bytes = readAll();
    if (bytes.isEmpty()) return QVariant();
    return m_memo ? QVariant(QString::fromUtf8(bytes)) : QVariant(bytes);
}
