#include "Field.h"
#include "DBConsts.h"
#include "DBErrors.h"
#include "DBFormat.h"
#include "DataSet.h"

using namespace DBConsts;

TField::TField(TDataSet* ds, TFieldKind kind, const QString& name, TFieldType type, int size, int fieldNo)
    : m_ds(ds), m_kind(kind), m_name(name), m_type(type), m_size(size), m_fieldNo(fieldNo)
{
}

int TField::Index() const
{
    for (int i = 0; i < m_ds->FieldCount(); ++i)
        if (m_ds->FieldAt(i) == this) return i;
    return -1;
}

void TField::SetDisplayLabel(const QString& s)
{
    if (m_label == s) return;
    m_label = s;
    m_ds->DataEvent(deLayoutChange);
}

void TField::SetDisplayFormat(const QString& s)
{
    if (m_displayFormat == s) return;
    m_displayFormat = s;
    m_ds->DataEvent(deLayoutChange);
}

int TField::DisplayWidth() const
{
    if (m_displayWidth >= 0) return m_displayWidth;
    switch (m_type) {
    case ftString: return m_size;
    case ftBoolean: return 5;
    case ftDate: case ftTime: return 10;
    case ftDateTime: return 18;
    default: return 10;
    }
}

void TField::SetDisplayWidth(int w)
{
    if (m_displayWidth == w) return;
    m_displayWidth = w;
    m_ds->DataEvent(deLayoutChange);
}

void TField::SetVisible(bool v)
{
    if (m_visible == v) return;
    m_visible = v;
    m_ds->DataEvent(deLayoutChange);
}

bool TField::CanModify() const
{
    return !m_readOnly && m_kind != fkCalculated && m_ds->CanModify();
}

void TField::SetLookup(const QString& keyFields, TDataSet* lookupDataSet, const QString& lookupKeyFields,
                       const QString& lookupResultField)
{
    m_keyFields = keyFields;
    m_lookupDataSet = lookupDataSet;
    m_lookupKeyFields = lookupKeyFields;
    m_lookupResultField = lookupResultField;
}

bool TField::IsNull() const { return Value().isNull(); }

QVariant TField::Value() const
{
    if (m_kind == fkLookup) return m_ds->LookupValue(this);
    return m_ds->FieldValue(this);
}

QVariant TField::OldValue() const
{
    if (m_kind == fkLookup) return Value();
    return m_ds->OldFieldValue(this);
}

QString TField::AsString() const
{
    const QVariant v = Value();
    if (v.isNull()) return QString();
    switch (m_type) {
    case ftBlob: case ftGraphic: case ftTypedBinary: case ftBytes: case ftVarBytes:
    case ftParadoxOle: case ftDBaseOle:
        return QString::fromLatin1(v.toByteArray());
    default:
        return FormatValue(v, false);
    }
}

double TField::AsFloat() const
{
    const QVariant v = Value();
    if (v.isNull()) return 0;
    if (m_type == ftString || m_type == ftMemo) {
        double d = 0;
        if (!DBFormat::TryStrToFloat(v.toString(), d)) throw EConvertError(SInvalidFloat.arg(v.toString()));
        return d;
    }
    if (m_type == ftDate) return v.toDate().toJulianDay() - QDate(1899, 12, 30).toJulianDay();
    return v.toDouble();
}

qint64 TField::AsInteger() const
{
    const QVariant v = Value();
    if (v.isNull()) return 0;
    if (m_type == ftString || m_type == ftMemo) {
        qint64 i = 0;
        if (!DBFormat::TryStrToInt(v.toString(), i)) throw EConvertError(SInvalidInteger.arg(v.toString()));
        return i;
    }
    if (m_type == ftFloat || m_type == ftCurrency || m_type == ftBCD) return qRound64(v.toDouble());
    return v.toLongLong();
}

bool TField::AsBoolean() const
{
    const QVariant v = Value();
    if (v.isNull()) return false;
    if (m_type == ftString) {
        const QString s = v.toString().trimmed();
        return s.compare(QLatin1String("Wahr"), Qt::CaseInsensitive) == 0
            || s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
    }
    return v.toBool();
}

QDate TField::AsDate() const
{
    const QVariant v = Value();
    if (v.isNull()) return {};
    if (m_type == ftDateTime) return v.toDateTime().date();
    if (m_type == ftString) {
        QDate d;
        if (!DBFormat::TryStrToDate(v.toString(), d)) throw EConvertError(SInvalidDate.arg(v.toString()));
        return d;
    }
    return v.toDate();
}

QDateTime TField::AsDateTime() const
{
    const QVariant v = Value();
    if (v.isNull()) return {};
    if (m_type == ftDate) return QDateTime(v.toDate(), QTime(0, 0));
    if (m_type == ftTime) return QDateTime(QDate(1899, 12, 30), v.toTime());
    return v.toDateTime();
}

QByteArray TField::AsBytes() const
{
    const QVariant v = Value();
    if (v.isNull()) return {};
    if (m_type == ftMemo || m_type == ftFmtMemo || m_type == ftString) return v.toString().toUtf8();
    return v.toByteArray();
}

QString TField::FormatValue(const QVariant& v, bool display) const
{
    switch (m_type) {
    case ftMemo: case ftFmtMemo:
        if (display) return v.isNull() ? QStringLiteral("(Memo)") : QStringLiteral("(MEMO)");
        return v.toString();
    case ftGraphic:
        return v.isNull() ? QStringLiteral("(Graphic)") : QStringLiteral("(GRAPHIC)");
    case ftBlob: case ftTypedBinary: case ftParadoxOle: case ftDBaseOle: case ftBytes: case ftVarBytes:
        return v.isNull() ? QStringLiteral("(Blob)") : QStringLiteral("(BLOB)");
    default:
        break;
    }
    if (v.isNull()) return QString();
    switch (m_type) {
    case ftString: return v.toString();
    case ftFloat: case ftCurrency: case ftBCD: {
        const double d = v.toDouble();
        if (display && !m_displayFormat.isEmpty()) return DBFormat::FormatFloat(m_displayFormat, d);
        if (!display && !m_editFormat.isEmpty()) return DBFormat::FormatFloat(m_editFormat, d);
        if (m_type == ftCurrency) return display ? DBFormat::CurrToStr(d) : DBFormat::FloatToStrFixed(d, 2);
        return DBFormat::FloatToStr(d);
    }
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: {
        const qint64 i = v.toLongLong();
        if (display && !m_displayFormat.isEmpty()) return DBFormat::FormatFloat(m_displayFormat, double(i));
        return QString::number(i);
    }
    case ftBoolean: {
        const QStringList parts = m_displayValues.split(u';');
        if (parts.size() == 2) return v.toBool() ? parts[0] : parts[1];
        return v.toBool() ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
    }
    case ftDate:
        if (display && !m_displayFormat.isEmpty()) return v.toDate().toString(m_displayFormat);
        return DBFormat::DateToStr(v.toDate());
    case ftTime: return DBFormat::TimeToStr(v.toTime());
    case ftDateTime: return DBFormat::DateTimeToStr(v.toDateTime());
    default: return v.toString();
    }
}

QString TField::DisplayText() const { return FormatValue(Value(), true); }
QString TField::Text() const { return FormatValue(Value(), false); }

QVariant TField::ConvertText(const QString& text) const
{
    const QString s = m_type == ftString || m_type == ftMemo || m_type == ftFmtMemo ? text : text.trimmed();
    if (s.isEmpty()) return QVariant();
    switch (m_type) {
    case ftString: {
        // Too long text is cut to the field's size.
        QString t = m_size > 0 ? s.left(m_size) : s;
        return t.isEmpty() ? QVariant() : QVariant(t);
    }
    case ftMemo: case ftFmtMemo: return s;
    case ftFloat: case ftCurrency: case ftBCD: {
        double d = 0;
        if (!DBFormat::TryStrToFloat(s, d)) throw EConvertError(SInvalidFloat.arg(s));
        return d;
    }
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: {
        qint64 i = 0;
        if (!DBFormat::TryStrToInt(s, i)) throw EConvertError(SInvalidInteger.arg(s));
        return i;
    }
    case ftBoolean: {
        QString t = QStringLiteral("Wahr"), f = QStringLiteral("Falsch");
        const QStringList parts = m_displayValues.split(u';');
        if (parts.size() == 2) { t = parts[0]; f = parts[1]; }
        auto prefixOf = [&](const QString& full) { return full.startsWith(s, Qt::CaseInsensitive); };
        if (prefixOf(f) || prefixOf(QStringLiteral("False"))) return false;
        if (prefixOf(t) || prefixOf(QStringLiteral("True"))) return true;
        throw EConvertError(SInvalidBoolValue.arg(s, DisplayLabel()));
    }
    case ftDate: {
        QDate d;
        if (!DBFormat::TryStrToDate(s, d)) throw EConvertError(SInvalidDate.arg(s));
        return d;
    }
    case ftTime: {
        QTime t;
        if (!DBFormat::TryStrToTime(s, t)) throw EConvertError(SInvalidTime.arg(s));
        return t;
    }
    case ftDateTime: {
        QDateTime dt;
        if (!DBFormat::TryStrToDateTime(s, dt)) throw EConvertError(SInvalidDateTime.arg(s));
        return dt;
    }
    default:
        return s.toUtf8();
    }
}

QVariant TField::Coerce(const QVariant& v) const
{
    if (!v.isValid() || v.isNull()) return QVariant();
    if (v.typeId() == QMetaType::QString && m_type != ftString && m_type != ftMemo && m_type != ftFmtMemo)
        return ConvertText(v.toString());
    switch (m_type) {
    case ftString: {
        QString t = v.toString();
        if (m_size > 0) t = t.left(m_size);
        return t.isEmpty() ? QVariant() : QVariant(t);
    }
    case ftMemo: case ftFmtMemo: {
        QString t = v.toString();
        return t.isEmpty() ? QVariant() : QVariant(t);
    }
    case ftFloat: case ftCurrency: case ftBCD: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok) throw EConvertError(SInvalidFloat.arg(v.toString()));
        return d;
    }
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: {
        bool ok = false;
        qint64 i = v.toLongLong(&ok);
        if (!ok) {
            const double d = v.toDouble(&ok);
            if (!ok) throw EConvertError(SInvalidInteger.arg(v.toString()));
            i = qRound64(d);
        }
        return i;
    }
    case ftBoolean: return v.toBool();
    case ftDate: {
        QDate d = v.typeId() == QMetaType::QDateTime ? v.toDateTime().date() : v.toDate();
        if (!d.isValid()) throw EConvertError(SInvalidDate.arg(v.toString()));
        return d;
    }
    case ftTime: return v.toTime();
    case ftDateTime: return v.typeId() == QMetaType::QDate ? QDateTime(v.toDate(), QTime(0, 0)) : v.toDateTime();
    default: return v.toByteArray();
    }
}

void TField::SetValue(const QVariant& v) { m_ds->SetFieldValue(this, Coerce(v)); }
void TField::SetAsString(const QString& s) { m_ds->SetFieldValue(this, ConvertText(s)); }

void TField::SetText(const QString& s)
{
    if (OnSetText) OnSetText(this, s);
    else SetAsString(s);
}
void TField::SetAsFloat(double v) { SetValue(v); }
void TField::SetAsInteger(qint64 v) { SetValue(v); }
void TField::SetAsBoolean(bool v) { SetValue(v); }
void TField::SetAsDate(const QDate& d) { SetValue(d.isValid() ? QVariant(d) : QVariant()); }
void TField::SetAsDateTime(const QDateTime& dt) { SetValue(dt.isValid() ? QVariant(dt) : QVariant()); }

void TField::FocusControl()
{
    TField* f = this;
    m_ds->DataEvent(deFocusControl, reinterpret_cast<qintptr>(&f));
}
