// The extender's record filter and its definition dialog.
#include "DBEFilt.h"
#include "DBFormat.h"
#include "DataSet.h"
#include "Dbeconst.h"
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include "BusyCursor.h"
#include "Dialogs.h"
#include "Table.h"
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <memory>
#include <optional>
#include <QtEndian>
#include <climits>
#include <cmath>
#include <functional>

namespace {

constexpr int HeaderSize = 10;
constexpr int SlotSize = 18;
constexpr quint8 FieldNameType = 254;
constexpr qint64 MsPerDay = 86400000;

[[noreturn]] void FilterError(int id) { throw EDBEFilter(DBEString(id)); }

// Field names and texts travel in the table's character set.
QByteArray ToTableCharset(const QString& s)
{
    QStringEncoder enc("Windows-1252");
    if (enc.isValid()) return enc.encode(s);
    return s.toLatin1();
}

template <typename T> QByteArray LittleEndian(T v)
{
    QByteArray b(int(sizeof(T)), '\0');
    qToLittleEndian(v, b.data());
    return b;
}

// Day 1 is 1 January of year 1.
qint32 DayNumber(const QDate& d) { return d.isValid() ? qint32(QDate(1, 1, 1).daysTo(d) + 1) : 0; }

// Packed decimal of precision 32 with `scale` decimals.
QByteArray PackBcd(double value, int scale)
{
    scale = qBound(0, scale, 31);
    QByteArray b(18, '\0');
    b[0] = char(32);
    b[1] = char((value < 0 ? 0x80 : 0) | scale);
    const QString digits = QString::number(std::llround(std::fabs(value) * std::pow(10.0, scale))).rightJustified(32, u'0');
    for (int i = 0; i < 32; i += 2)
        b[2 + i / 2] = char(((digits.at(i).digitValue() & 0xF) << 4) | (digits.at(i + 1).digitValue() & 0xF));
    return b;
}

bool IsBlankTest(int op) { return op == foIsBlank || op == foNotBlank; }

} // namespace

TDBEFilter::TDBEFilter() = default;

TDBEFilter::~TDBEFilter()
{
    // Destroying the filter drops a registered one; nothing may escape here.
    try {
        ForgetRegistration();
    } catch (...) {
    }
    FreeTree();
}

int TDBEFilter::ValueTypeOf(TFieldType t)
{
    switch (t) {
    case ftString: return 1;
    case ftSmallint: return 5;
    case ftInteger: case ftAutoInc: return 6;
    case ftWord: return 12;
    case ftBoolean: return 4;
    case ftFloat: case ftCurrency: return 7;
    case ftBCD: return 8;
    case ftDate: return 2;
    case ftTime: return 10;
    case ftDateTime: return 11;
    default: return 0;
    }
}

void TDBEFilter::ForgetRegistration()
{
    if (m_registered && m_dataSet && !m_dataSet->Destroying() && m_dataSet->Active()) {
        try {
            m_dataSet->DropEngineFilter(m_engineFilter);
        } catch (const EDatabaseError&) {
            // A reopened table has forgotten its engine filters already.
        }
    }
    m_engineFilter = 0;
    m_registered = m_active = false;
}

void TDBEFilter::FreeTree()
{
    m_nodes.clear();
    m_literals.clear();
    m_expression.clear();
    m_root = -1;
}

void TDBEFilter::SetDataSet(TDataSet* ds)
{
    // A data set that vanished leaves its registration behind: forget it too.
    if (ds == m_dataSet.data() && !(ds == nullptr && m_registered)) return;
    if (m_registered) {
        ForgetRegistration();
        FreeTree();
    }
    m_dataSet = ds;
    m_state = ds ? 1 : 0;
}

void TDBEFilter::CheckDataSet()
{
    if (!m_dataSet) FilterError(59501);
}

void TDBEFilter::SetRegistered(bool on)
{
    CheckDataSet();
    if (m_dataSet->Destroying()) {
        if (!m_registered) FilterError(59501);
        m_registered = m_active = false;
        m_engineFilter = 0;
        m_state = 1;
        Clear();
        return;
    }
    if (on == m_registered) return;
    if (!on) {
        ForgetRegistration();
        m_state = 1;
        Clear();
        return;
    }
    if (m_expression.isEmpty()) BuildExpression();
    try {
        m_engineFilter = m_dataSet->AddEngineFilter(m_expression);
    } catch (...) {
        m_engineFilter = 0;
        m_registered = m_active = false;
        m_state = 1;
        Clear();
        throw;
    }
    m_registered = true;
    m_state = 2;
}

void TDBEFilter::SetActive(bool on)
{
    CheckDataSet();
    if (m_dataSet->Destroying()) {
        if (!m_registered) FilterError(59501);
        m_registered = m_active = false;
        m_engineFilter = 0;
        m_state = 1;
        Clear();
        return;
    }
    if (on == m_active) return;
    if (!on) {
        m_dataSet->SetEngineFilterActive(m_engineFilter, false);
        m_active = false;
        m_state = 2;
        return;
    }
    if (!m_registered) SetRegistered(true);
    if (OnMessage) OnMessage(4);
    m_dataSet->SetEngineFilterActive(m_engineFilter, true);
    m_active = true;
    m_state = 3;
}

void TDBEFilter::Clear()
{
    if (m_registered) SetRegistered(false);
    FreeTree();
}

int TDBEFilter::NewLiteral(quint8 type, const QByteArray& value, quint16 size, quint8 flag)
{
    TDBEFilterLiteral lit;
    lit.ValueType = type;
    lit.Value = value.left(256);
    lit.Size = size;
    lit.Wildcard = flag;
    if (!m_literals.empty()) lit.Offset = quint16(m_literals.back().Offset + m_literals.back().Size);
    m_literals.push_back(lit);
    m_expression.clear();
    return int(m_literals.size()) - 1;
}

int TDBEFilter::AddField(const QString& fieldName)
{
    if (int(m_literals.size()) >= MaxLiterals || int(m_nodes.size()) >= MaxNodes) FilterError(59504);
    CheckDataSet();
    TField* f = m_dataSet->FieldByName(fieldName);
    const QByteArray name = ToTableCharset(fieldName).left(255);
    const int lit = NewLiteral(FieldNameType, char(name.size()) + name, quint16(name.size() + 1), 0);
    TDBEFilterNode n;
    n.NodeClass = fncField;
    n.Operator = foField;
    n.A = quint16(f->FieldNo());
    n.B = quint16(lit);
    m_nodes.push_back(n);
    return int(m_nodes.size()) - 1;
}

int TDBEFilter::AddConstant(TField* field, const QVariant& value, int flag)
{
    if (int(m_literals.size()) >= MaxLiterals || int(m_nodes.size()) >= MaxNodes) FilterError(59504);
    const int type = field ? ValueTypeOf(field->DataType()) : 0;
    if (!type) FilterError(59502);
    // An invalid value stands for the all-zero value of the type (blank tests).
    QByteArray bytes;
    quint16 size = 0;
    switch (type) {
    case 1: {
        const QByteArray s = ToTableCharset(value.toString().left(255)).left(255);
        bytes = char(s.size()) + s;
        size = quint16(s.size() + 1);
        break;
    }
    case 5: bytes = LittleEndian<qint16>(qint16(value.toLongLong())); size = 2; break;
    case 6: bytes = LittleEndian<qint32>(qint32(value.toLongLong())); size = 4; break;
    case 12: bytes = LittleEndian<quint16>(quint16(value.toLongLong())); size = 2; break;
    case 4: bytes = LittleEndian<qint16>(value.toBool() ? qint16(-1) : qint16(0)); size = 2; break;
    case 7: bytes = LittleEndian<double>(value.toDouble()); size = 8; break;
    case 8: bytes = PackBcd(value.toDouble(), field->Size()); size = 18; break;
    case 2:
        bytes = LittleEndian<qint32>(DayNumber(value.toDate())) + QByteArray(4, '\0');
        size = 8;
        break;
    case 10: {
        const QTime t = value.toTime();
        bytes = LittleEndian<qint32>(t.isValid() ? t.msecsSinceStartOfDay() : 0);
        size = 4;
        break;
    }
    case 11: {
        const QDateTime dt = value.toDateTime();
        const double ms = dt.isValid() ? double(DayNumber(dt.date())) * double(MsPerDay) + dt.time().msecsSinceStartOfDay() : 0.0;
        bytes = LittleEndian<double>(ms);
        size = 8;
        break;
    }
    }
    const int lit = NewLiteral(quint8(type), bytes, size, quint8(flag));
    TDBEFilterNode n;
    n.NodeClass = fncConst;
    n.Operator = foConst;
    n.A = quint16(type);
    n.B = size;
    n.C = quint16(lit);
    m_nodes.push_back(n);
    return int(m_nodes.size()) - 1;
}

int TDBEFilter::AddOperator(int op, int left, int right)
{
    if (!((op >= 1 && op <= 11) || op == foLike)) return -1;
    if (int(m_nodes.size()) >= MaxNodes) FilterError(59503);
    const auto wildConst = [&](int node) {
        return node >= 0 && node < int(m_nodes.size()) && m_nodes[node].NodeClass == fncConst
            && m_literals.at(m_nodes[node].C).Wildcard != 0;
    };
    const auto isConst = [&](int node) {
        return node >= 0 && node < int(m_nodes.size()) && m_nodes[node].NodeClass == fncConst;
    };
    TDBEFilterNode n;
    n.Operator = op;
    if (op == foIsBlank || op == foNotBlank || op == foNot) {
        n.NodeClass = fncUnary;
        n.A = quint16(left);
    } else if (op == foLike || (op == foEqual && (wildConst(left) || wildConst(right)))) {
        // Case-insensitive comparison over the constant's length.
        n.NodeClass = fncCompare;
        const int c = wildConst(left) ? left : (isConst(right) ? right : left);
        const int size = isConst(c) ? m_literals.at(m_nodes[c].C).Size : 1;
        n.A = 0xFFFF;
        n.B = quint16(size - 1);
        n.C = quint16(left);
        n.D = quint16(right);
    } else {
        n.NodeClass = fncBinary;
        n.A = quint16(left);
        n.B = quint16(right);
    }
    m_nodes.push_back(n);
    m_expression.clear();
    return int(m_nodes.size()) - 1;
}

void TDBEFilter::BuildExpression()
{
    m_expression.clear();
    const int count = int(m_nodes.size());
    // Nodes reachable from the root, in pre-order.
    std::vector<int> order;
    std::vector<int> slotOf(count, -1);
    std::function<void(int)> visit = [&](int n) {
        if (n < 0 || n >= count || slotOf[n] >= 0) return;
        slotOf[n] = int(order.size());
        order.push_back(n);
        const TDBEFilterNode& node = m_nodes[n];
        switch (node.NodeClass) {
        case fncUnary: visit(node.A); break;
        case fncBinary: visit(node.A); visit(node.B); break;
        case fncCompare: visit(node.C); visit(node.D); break;
        default: break;
        }
    };
    visit(m_root);
    const auto nodeOffset = [&](int n) { return quint16(n >= 0 && n < count && slotOf[n] >= 0 ? slotOf[n] * SlotSize : 0); };
    const auto literalOffset = [&](int l) {
        return quint16(l >= 0 && l < int(m_literals.size()) ? m_literals[l].Offset : 0);
    };

    int poolSize = 0;
    for (const auto& l : m_literals) poolSize += l.Size;
    const int nodeArea = SlotSize * count;
    const int total = HeaderSize + nodeArea + poolSize;
    QByteArray out(total, '\0');
    char* p = out.data();
    qToLittleEndian<quint16>(2, p);
    qToLittleEndian<quint16>(quint16(total), p + 2);
    qToLittleEndian<quint16>(quint16(count), p + 4);
    qToLittleEndian<quint16>(HeaderSize, p + 6);
    qToLittleEndian<quint16>(quint16(HeaderSize + nodeArea), p + 8);

    for (int s = 0; s < int(order.size()); ++s) {
        TDBEFilterNode n = m_nodes[order[s]];
        switch (n.NodeClass) {
        case fncUnary: n.A = nodeOffset(n.A); break;
        case fncBinary: n.A = nodeOffset(n.A); n.B = nodeOffset(n.B); break;
        case fncCompare: n.C = nodeOffset(n.C); n.D = nodeOffset(n.D); break;
        case fncField: n.B = literalOffset(n.B); break;
        case fncConst: n.C = literalOffset(n.C); break;
        default: break;
        }
        char* q = p + HeaderSize + s * SlotSize;
        qToLittleEndian<qint32>(n.NodeClass, q);
        qToLittleEndian<qint32>(n.Operator, q + 4);
        qToLittleEndian<quint16>(n.A, q + 8);
        qToLittleEndian<quint16>(n.B, q + 10);
        qToLittleEndian<quint16>(n.C, q + 12);
        qToLittleEndian<quint16>(n.D, q + 14);
    }

    char* pool = p + HeaderSize + nodeArea;
    for (const auto& l : m_literals) {
        if (l.Offset + l.Size > poolSize) continue;
        QByteArray v;
        if (l.ValueType == 1 || l.ValueType == FieldNameType)
            // characters and a closing zero instead of the length byte
            v = l.Value.mid(1, l.Value.isEmpty() ? 0 : quint8(l.Value[0])) + '\0';
        else
            v = l.Value;
        v = v.left(l.Size);
        memcpy(pool + l.Offset, v.constData(), size_t(v.size()));
    }
    m_expression = out;
}

bool TDBEFilter::ConvertOperand(TField* field, const QString& text, QVariant& value, int& flag)
{
    flag = 0;
    value = QVariant();
    if (!field) return false;
    QString t = text;
    const TFieldType type = field->DataType();
    if (type == ftString) {
        const int first = int(t.indexOf(QStringLiteral("..")));
        if (first >= 0 && first == t.size() - 2) {
            if (t.startsWith(QStringLiteral(".."))) {
                flag = 2;
                t.remove(0, 2);
            }
            if (t.endsWith(QStringLiteral(".."))) {
                flag |= 1;
                t.chop(2);
            }
            if (t.isEmpty()) return false;
        }
    }
    const QString s = t.trimmed();
    switch (type) {
    case ftString:
        value = t.left(255);
        return true;
    case ftSmallint: case ftWord: case ftInteger: case ftAutoInc: {
        qint64 i = 0;
        if (!s.isEmpty() && !DBFormat::TryStrToInt(s, i)) return false;
        if (type == ftSmallint && (i < -32768 || i > 32767)) return false;
        if (type == ftWord && (i < 0 || i > 65535)) return false;
        if ((type == ftInteger || type == ftAutoInc) && (i < INT_MIN || i > INT_MAX)) return false;
        value = i;
        return true;
    }
    case ftBoolean: {
        if (s.isEmpty()) {
            value = false;
            return true;
        }
        QString trueText = QStringLiteral("True"), falseText = QStringLiteral("False");
        const QString dv = field->DisplayValues();
        if (!dv.isEmpty()) {
            const int semi = int(dv.indexOf(u';'));
            trueText = semi >= 0 ? dv.left(semi) : dv;
            falseText = semi >= 0 ? dv.mid(semi + 1) : QString();
        }
        if (falseText.startsWith(s, Qt::CaseInsensitive)) {
            value = false;
            return true;
        }
        if (trueText.startsWith(s, Qt::CaseInsensitive)) {
            value = true;
            return true;
        }
        return false;
    }
    case ftFloat: case ftCurrency: case ftBCD: {
        double d = 0;
        if (!s.isEmpty() && !DBFormat::TryStrToFloat(s, d)) return false;
        value = d;
        return true;
    }
    case ftDate: {
        QDate d;
        if (!s.isEmpty() && !DBFormat::TryStrToDate(s, d)) return false;
        value = d;
        return true;
    }
    case ftTime: {
        QTime tm;
        if (!s.isEmpty() && !DBFormat::TryStrToTime(s, tm)) return false;
        value = tm;
        return true;
    }
    case ftDateTime: {
        QDateTime dt;
        if (!s.isEmpty() && !DBFormat::TryStrToDateTime(s, dt)) return false;
        value = dt;
        return true;
    }
    default:
        // Accepted without a value; the value-type table refuses it later.
        return true;
    }
}

void TDBEFilter::ApplyRows(const TDBEFilterRow* rows, int count, bool activate)
{
    if (!rows || count <= 0) return;
    CheckDataSet();
    if (count > MaxRows) FilterError(59505);
    // Always from scratch: a tree left over by a failed build goes too.
    Clear();
    std::vector<TDBEFilterValueRow> converted;
    for (int i = 0; i < count; ++i) {
        const TDBEFilterRow& row = rows[i];
        TDBEFilterValueRow v{row.FieldName, row.Operator, {}, 0, row.Connective};
        if (!IsBlankTest(row.Operator)
            && !ConvertOperand(m_dataSet->FieldByName(row.FieldName), row.Operand, v.Value, v.Wildcard))
            FilterError(59509);
        converted.push_back(v);
    }
    BuildTree(converted);
    if (activate) SetActive(true);
    if (m_dataSet && m_dataSet->Active()) m_dataSet->Resync();
}

void TDBEFilter::BuildTree(const std::vector<TDBEFilterValueRow>& rows)
{
    if (rows.empty()) return;
    std::vector<int> r;
    for (const TDBEFilterValueRow& row : rows) {
        TField* field = m_dataSet->FieldByName(row.FieldName);
        // A blank test keeps its constant: all zero, of the field's type.
        const int c = AddConstant(field, IsBlankTest(row.Operator) ? QVariant() : row.Value,
                                  IsBlankTest(row.Operator) ? 0 : row.Wildcard);
        const int f = AddField(row.FieldName);
        r.push_back(AddOperator(row.Operator, f, c));
    }
    // Strictly left to right: ((r0 op r1) op r2) ...
    m_root = r[0];
    for (size_t i = 0; i + 1 < rows.size(); ++i) m_root = AddOperator(rows[i].Connective, m_root, r[i + 1]);
}

// ------------------------------------------------------------ filter files

namespace {
const QByteArray kFileMagic = QByteArrayLiteral("\x0b" "DBExtFilter");
constexpr int kNameBytes = 128;
constexpr int kNodeBytes = 18;
constexpr int kLiteralBytes = 262;

QString TableNameOf(TDataSet* ds)
{
    if (auto* t = qobject_cast<TTable*>(ds)) return t->TableName();
    return ds ? ds->objectName() : QString();
}

// A literal's value as stored: a length byte, then the characters.
QString CountedText(const QByteArray& value)
{
    if (value.isEmpty()) return {};
    const int n = std::min<int>(quint8(value[0]), value.size() - 1);
    QStringDecoder dec("Windows-1252");
    return QString(dec(value.mid(1, n)));
}
}

void TDBEFilter::SaveToFile(const QString& fileName)
{
    if (!m_registered) throw EDBEFilter(DBEString(59521));
    QByteArray out = kFileMagic;
    out.append('\0');
    out.append('\x5c');
    QStringEncoder enc("Windows-1252");
    QByteArray name = QByteArray(enc(TableNameOf(m_dataSet))).left(kNameBytes);
    out.append(char(name.size()));
    out.append(name.leftJustified(kNameBytes, '\0'));
    auto i32 = [&](qint32 v) { char b[4]; qToLittleEndian(v, b); out.append(b, 4); };
    auto u16 = [&](quint16 v) { char b[2]; qToLittleEndian(v, b); out.append(b, 2); };
    i32(m_root);
    i32(qint32(m_nodes.size()));
    i32(qint32(m_literals.size()));
    for (const auto& n : m_nodes) {
        i32(n.NodeClass);
        i32(n.Operator);
        u16(n.A); u16(n.B); u16(n.C); u16(n.D);
        out.append(2, '\0');
    }
    for (const auto& l : m_literals) {
        u16(l.Size);
        u16(l.Offset);
        out.append(char(l.Wildcard));
        out.append(char(l.ValueType));
        out.append(l.Value.left(256).leftJustified(256, '\0'));
    }
    QFile f(fileName);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(out) != out.size())
        throw EDBEFilter(QStringLiteral("Datei %1 kann nicht geschrieben werden: %2").arg(fileName, f.errorString()));
}

void TDBEFilter::LoadFromFile(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Datei %1 kann nicht geöffnet werden: %2").arg(fileName, f.errorString()));
    CheckDataSet();
    // The current filter goes before anything is examined.
    if (m_registered) SetRegistered(false);
    const QByteArray data = f.readAll();
    if (data.size() < 14 || data.left(12) != kFileMagic)
        throw EDBEFilter(DBEFormat(59520, {fileName}));
    const QByteArray bad = DBEFormat(59520, {fileName}).toUtf8();
    if (data.size() < 15 + kNameBytes + 12) throw EDBEFilter(QString::fromUtf8(bad));
    const int nameLen = std::min<int>(quint8(data[14]), kNameBytes);
    QStringDecoder dec("Windows-1252");
    const QString stored = QString(dec(data.mid(15, nameLen)));
    int pos = 15 + kNameBytes;
    auto i32 = [&]() { const qint32 v = qFromLittleEndian<qint32>(data.constData() + pos); pos += 4; return v; };
    auto u16 = [&]() { const quint16 v = qFromLittleEndian<quint16>(data.constData() + pos); pos += 2; return v; };
    const qint32 root = i32(), nodeCount = i32(), literalCount = i32();
    const QString current = TableNameOf(m_dataSet);
    if (stored.compare(current, Qt::CaseInsensitive) != 0
        && MessageDlg(DBEFormat(59573, {stored, current}), mtConfirmation, mbYesNo) != mrYes)
        return;
    TBusyCursor busy;
    if (nodeCount < 0 || nodeCount > MaxNodes || literalCount < 0 || literalCount > MaxLiterals
        || data.size() < pos + nodeCount * kNodeBytes + literalCount * kLiteralBytes)
        throw EDBEFilter(QString::fromUtf8(bad));
    std::vector<TDBEFilterNode> nodes(static_cast<size_t>(nodeCount), TDBEFilterNode{});
    for (auto& n : nodes) {
        n.NodeClass = i32();
        n.Operator = i32();
        n.A = u16(); n.B = u16(); n.C = u16(); n.D = u16();
        pos += 2;
    }
    std::vector<TDBEFilterLiteral> literals(static_cast<size_t>(literalCount), TDBEFilterLiteral{});
    for (auto& l : literals) {
        l.Size = u16();
        l.Offset = u16();
        l.Wildcard = quint8(data[pos++]);
        l.ValueType = quint8(data[pos++]);
        // Bytes beyond the literal's size mean nothing and may be anything.
        l.Value = data.mid(pos, std::min<int>(l.Size, 256));
        pos += 256;
    }

    // Checks the tree from the root; a field compared with a constant must
    // still exist with its number and type.
    struct Problem { bool structure; QString name; int number; QString text; };
    std::optional<Problem> problem;
    int depth = 0;
    std::function<void(int)> check = [&](int i) {
        if (problem) return;
        if (i < 0 || i >= nodeCount || ++depth > 200) { problem = Problem{true, {}, 0, DBEString(59522)}; return; }
        const TDBEFilterNode& n = nodes[size_t(i)];
        // A field tested on its own ("Leer", "Nicht leer") must still exist with its number.
        auto fieldAlone = [&](int a) {
            if (a < 0 || a >= nodeCount) return;
            const TDBEFilterNode& fn = nodes[size_t(a)];
            if (fn.NodeClass != fncField || fn.B >= literalCount) return;
            const QString name = CountedText(literals[fn.B].Value);
            TField* fld = m_dataSet->FindField(name);
            if (!fld || fld->FieldKind() != fkData) problem = Problem{false, name, fn.A, DBEString(59523)};
            else if (fld->FieldNo() != fn.A) problem = Problem{false, name, fn.A, DBEString(59524)};
        };
        auto fieldAndConst = [&](int a, int b) {
            if (a < 0 || a >= nodeCount || b < 0 || b >= nodeCount) return;
            const TDBEFilterNode *fn = &nodes[size_t(a)], *cn = &nodes[size_t(b)];
            if (fn->NodeClass == fncConst) std::swap(fn, cn);
            if (fn->NodeClass != fncField || cn->NodeClass != fncConst || fn->B >= literalCount) return;
            const QString name = CountedText(literals[fn->B].Value);
            TField* fld = m_dataSet->FindField(name);
            if (!fld || fld->FieldKind() != fkData) problem = Problem{false, name, fn->A, DBEString(59523)};
            else if (fld->FieldNo() != fn->A) problem = Problem{false, name, fn->A, DBEString(59524)};
            else if (ValueTypeOf(fld->DataType()) != cn->A) problem = Problem{false, name, fn->A, DBEString(59525)};
        };
        switch (n.NodeClass) {
        case fncUnary: check(n.A); if (!problem) fieldAlone(n.A); break;
        case fncBinary: check(n.A); check(n.B); if (!problem) fieldAndConst(n.A, n.B); break;
        case fncCompare: check(n.C); check(n.D); if (!problem) fieldAndConst(n.C, n.D); break;
        case fncField: if (n.B >= literalCount) problem = Problem{true, {}, 0, DBEString(59522)}; break;
        case fncConst: if (n.C >= literalCount) problem = Problem{true, {}, 0, DBEString(59522)}; break;
        default: problem = Problem{true, {}, 0, DBEString(59522)};
        }
        --depth;
    };
    check(root);
    if (problem) {
        Clear();
        QString text = DBEString(59526) + u'\n';
        if (problem->structure) text += problem->text;
        else
            text += DBEString(59527) + u'\n' + DBEFormat(59528, {problem->name, QString::number(problem->number)})
                + u'\n' + problem->text;
        throw EDBEFilter(text);
    }
    FreeTree();
    m_nodes = std::move(nodes);
    m_literals = std::move(literals);
    m_root = root;
    SetActive(true);
    m_dataSet->Resync();
}

// ------------------------------------------------------------ back to rows

namespace {
template <typename T> T FromLittleEndian(const QByteArray& b, T otherwise = T())
{
    return b.size() >= int(sizeof(T)) ? qFromLittleEndian<T>(b.constData()) : otherwise;
}

QDate DateOfDayNumber(qint64 day) { return day >= 1 ? QDate(1, 1, 1).addDays(day - 1) : QDate(); }

double UnpackBcd(const QByteArray& b)
{
    if (b.size() < 18) return 0;
    const int precision = std::min<int>(quint8(b[0]), 32);
    const int scale = quint8(b[1]) & 0x3F;
    double v = 0;
    for (int i = 0; i < precision; ++i) {
        const int nibble = (i % 2 == 0) ? quint8(b[2 + i / 2]) >> 4 : quint8(b[2 + i / 2]) & 0xF;
        v = v * 10 + std::min(nibble, 9);
    }
    v /= std::pow(10.0, scale);
    return (quint8(b[1]) & 0x80) ? -v : v;
}
}   // namespace

QString TDBEFilter::ConstantText(const TDBEFilterLiteral& lit, const TField* field) const
{
    const QByteArray& v = lit.Value;
    switch (lit.ValueType) {
    case 1: return CountedText(v);
    case 2: return DBFormat::DateToStr(DateOfDayNumber(FromLittleEndian<qint32>(v)));
    case 4: {
        const bool on = FromLittleEndian<qint16>(v) != 0;
        // A field with texts of its own gets them back, so that the dialog
        // reads its own answer again.
        const QString dv = field ? field->DisplayValues() : QString();
        const int semi = int(dv.indexOf(u';'));
        if (semi > 0 && semi < dv.size() - 1) return on ? dv.left(semi) : dv.mid(semi + 1);
        return on ? QStringLiteral("True") : QStringLiteral("False");
    }
    case 5: return QString::number(FromLittleEndian<qint16>(v));
    case 6: return QString::number(FromLittleEndian<qint32>(v));
    case 12: return QString::number(FromLittleEndian<quint16>(v));
    case 7: return DBFormat::FloatToStr(FromLittleEndian<double>(v));
    case 8: return DBFormat::FloatToStr(UnpackBcd(v));
    case 10: {
        const qint32 ms = FromLittleEndian<qint32>(v);
        return DBFormat::TimeToStr(ms >= 0 && ms < MsPerDay ? QTime::fromMSecsSinceStartOfDay(ms) : QTime());
    }
    case 11: {
        const qint64 ms = std::llround(FromLittleEndian<double>(v));
        const QDate d = DateOfDayNumber(ms / MsPerDay);
        return DBFormat::DateTimeToStr(QDateTime(d, QTime::fromMSecsSinceStartOfDay(int(ms % MsPerDay))));
    }
    default: FilterError(59506);
    }
}

std::vector<TDBEFilterDialogRow> TDBEFilter::TreeToRows() const
{
    std::vector<TDBEFilterDialogRow> rows(1);
    const TField* rowField = nullptr;
    const int count = int(m_nodes.size());
    int depth = 0;
    std::function<void(int)> walk = [&](int n) {
        if (n < 0 || n >= count || ++depth > 200) throw EDBEFilter(DBEString(59507));
        const TDBEFilterNode& node = m_nodes[size_t(n)];
        TDBEFilterDialogRow& row = rows.back();
        switch (node.Operator) {
        case foIsBlank: case foNotBlank:
            row.Operator = node.Operator;
            walk(node.A);
            break;
        case foEqual: case foNotEqual: case foGreater: case foLess: case foGreaterEq: case foLessEq: case foLike:
            row.Operator = node.Operator;
            if (node.NodeClass == fncCompare) {
                walk(node.C);
                walk(node.D);
            } else {
                walk(node.A);
                walk(node.B);
            }
            break;
        case foAnd: case foOr:
            walk(node.A);
            rows.back().Connective = node.Operator;
            if (int(rows.size()) >= MaxRows) throw EDBEFilterDefError(DBEString(59505));
            rows.emplace_back();
            rowField = nullptr;
            walk(node.B);
            break;
        case foField: {
            if (node.B >= m_literals.size()) throw EDBEFilter(DBEString(59507));
            const QString name = CountedText(m_literals[node.B].Value);
            rowField = m_dataSet ? m_dataSet->FindField(name) : nullptr;
            row.FieldLabel = (rowField ? rowField->DisplayLabel() : name).left(63);
            break;
        }
        case foConst: {
            if (node.C >= m_literals.size()) throw EDBEFilter(DBEString(59507));
            const TDBEFilterLiteral& lit = m_literals[node.C];
            row.Operand = ConstantText(lit, rowField);
            row.ValueType = lit.ValueType;
            row.Wildcard = lit.Wildcard;
            break;
        }
        default:
            throw EDBEFilter(DBEString(59507));
        }
        --depth;
    };
    walk(m_root);
    return rows;
}

// ------------------------------------------------------------ the dialog

namespace {
// Operator codes 1-11 and 30 with the texts of the dialog; the rows offer 1-8.
const int kOperatorIds[] = {0, 59035, 59036, 59037, 59038, 59039, 59040, 59041, 59042, 59043, 59044, 59045};
constexpr int kRowOperators = 8;
}

QString TDBEFilter::OperatorName(int code)
{
    if (code >= 1 && code <= 11) return DBEString(kOperatorIds[code]).left(15);
    if (code == foLike) return DBEString(59046).left(15);
    return {};
}

int TDBEFilter::OperatorCode(const QString& name)
{
    if (name.isEmpty()) return 0;
    for (int code : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, int(foLike)})
        if (OperatorName(code) == name) return code;
    return 0;
}

bool TDBEFilter::IsFilterField(const TField* f, bool useNonVisFields)
{
    if (!f || f->FieldKind() != fkData) return false;
    switch (f->DataType()) {
    case ftUnknown: case ftBytes: case ftVarBytes: case ftBlob: case ftMemo: case ftGraphic: return false;
    default: break;
    }
    return f->Visible() || useNonVisFields;
}

bool TDBEFilter::EditDialog(TDBExtender* ext, const TFormEventRec& rec, const QString& description,
                            bool useNonVisFields, TField* focusedField)
{
    CheckDataSet();
    std::unique_ptr<TFilterForm> dlg;
    {
        TBusyCursor busy;
        std::vector<TField*> fields;
        for (const auto& f : m_dataSet->Fields())
            if (IsFilterField(f.get(), useNonVisFields)) fields.push_back(f.get());
        dlg = std::make_unique<TFilterForm>(ext, rec, this, fields);
        dlg->setWindowTitle(DBEFormat(59030, {description}));
        if (m_registered) {
            const std::vector<TDBEFilterDialogRow> rows = TreeToRows();
            for (size_t i = 0; i < rows.size(); ++i) dlg->SetRow(int(i), rows[i], i + 1 == rows.size());
        } else if (focusedField && IsFilterField(focusedField, useNonVisFields)) {
            const int at = dlg->Feld[0]->findText(focusedField->DisplayLabel());
            if (at >= 0) {
                dlg->Feld[0]->setCurrentIndex(at);
                dlg->FeldChange(0);
            }
        }
    }
    if (dlg->exec() != mrOk) return false;
    const std::vector<TDBEFilterValueRow> rows = dlg->Result();
    dlg.reset();
    if (m_registered) SetRegistered(false);
    FreeTree();
    BuildTree(rows);
    if (!rows.empty()) SetActive(true);
    if (m_dataSet && m_dataSet->Active()) m_dataSet->Resync();
    return true;
}

TFilterForm::TFilterForm(TDBExtender* ext, const TFormEventRec& rec, TDBEFilter* filter, std::vector<TField*> fields)
    : TDBEForm(ext, rec), m_filter(filter), m_fields(std::move(fields))
{
    setObjectName(QStringLiteral("FilterForm"));
    SetClientSize(517, 367);
    QFont bold = font();
    bold.setBold(true);
    auto head = [&](const char* name, int id, int x) {
        auto* l = new QLabel(DBEString(id), this);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(bold);
        l->move(x, 12);
        return l;
    };
    LblFeld = head("LblFeld", 59031, 73);
    LblOperator = head("LblOperator", 59032, 198);
    LblOperand = head("LblOperand", 59033, 300);

    QStringList labels;
    for (TField* f : m_fields) labels << f->DisplayLabel();
    QStringList operators;
    for (int code = 1; code <= kRowOperators; ++code) operators << TDBEFilter::OperatorName(code);
    const QStringList connectives{TDBEFilter::OperatorName(foAnd), TDBEFilter::OperatorName(foOr)};
    auto combo = [&](const QString& name, const QStringList& items, int x, int y, int w) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        c->addItems(items);
        c->setCurrentIndex(-1);
        c->setGeometry(x, y, w, 21);
        c->setEnabled(false);
        return c;
    };
    for (int i = 0; i < Rows; ++i) {
        const int y = 30 + 22 * i;
        const QString n = QString::number(i + 1);
        Feld[i] = combo(QStringLiteral("Feld") + n, labels, 74, y, 119);
        Operator[i] = combo(QStringLiteral("Operator") + n, operators, 198, y, 97);
        Operant[i] = new QLineEdit(this);
        Operant[i]->setObjectName(QStringLiteral("Operant") + n);
        Operant[i]->setGeometry(300, y, 121, 21);
        Operant[i]->setEnabled(false);
        DelBtn[i] = new QPushButton(QStringLiteral("<< ") + DBEString(59034), this);
        DelBtn[i]->setObjectName(QStringLiteral("DelBtn") + n);
        DelBtn[i]->setGeometry(426, y, 80, 21);
        DelBtn[i]->setAutoDefault(false);
        if (i > 0) Verkn[i - 1] = combo(QStringLiteral("Verkn") + QString::number(i), connectives, 11, y, 58);
        connect(Feld[i], &QComboBox::activated, this, [this, i] { FeldChange(i); });
        connect(Operator[i], &QComboBox::activated, this, [this, i] { OperatorChange(i); });
        connect(DelBtn[i], &QPushButton::clicked, this, [this, i] { DelBtnClick(i); });
    }
    Feld[0]->setEnabled(true);

    WildcardLabel = new QLabel(DBEString(59050), this);
    WildcardLabel->setObjectName(QStringLiteral("WildcardLabel"));
    WildcardLabel->setGeometry(11, 262, 498, 42);
    WildcardLabel->setWordWrap(true);
    WildcardLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Bevel = new QFrame(this);
    Bevel->setObjectName(QStringLiteral("Bevel1"));
    Bevel->setFrameShape(QFrame::HLine);
    Bevel->setFrameShadow(QFrame::Sunken);
    Bevel->setGeometry(11, 307, 495, 2);

    UserBtn = new QPushButton(this);
    UserBtn->setGeometry(11, 323, 80, 30);
    OKBtn = GlyphButton(bkOK, QStringLiteral("&OK"), QStringLiteral("OKBtn"));
    OKBtn->setGeometry(342, 323, 80, 30);
    OKBtn->setDefault(true);
    SetModalResult(OKBtn, mrOk);
    CancelBtn = GlyphButton(bkCancel, DBEString(59581), QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(426, 323, 80, 30);
    SetModalResult(CancelBtn, mrCancel);

    // Row by row, the connective below each row, then the buttons.
    QWidget* prev = nullptr;
    auto chain = [&](QWidget* w) {
        if (prev) setTabOrder(prev, w);
        prev = w;
    };
    for (int i = 0; i < Rows; ++i) {
        chain(Feld[i]);
        chain(Operator[i]);
        chain(Operant[i]);
        chain(DelBtn[i]);
        if (i < Rows - 1) chain(Verkn[i]);
    }
    chain(OKBtn);
    chain(CancelBtn);
    chain(UserBtn);
    FrameButtons(UserBtn, {OKBtn, CancelBtn});
    if (m_filter && m_filter->HideBtnGlyphs)
        for (QPushButton* b : {OKBtn, CancelBtn}) b->setIcon(QIcon());
}

void TFilterForm::FeldChange(int i)
{
    Operator[i]->setEnabled(true);
    Operator[i]->setCurrentIndex(foEqual - 1);
    Operant[i]->setEnabled(true);
    Operant[i]->setFocus(Qt::OtherFocusReason);
    if (i < Rows - 1) {
        Verkn[i]->setEnabled(true);
        Verkn[i]->setCurrentIndex(0);
        Feld[i + 1]->setEnabled(true);
    }
}

void TFilterForm::OperatorChange(int i)
{
    const int code = TDBEFilter::OperatorCode(Operator[i]->currentText());
    const bool noOperand = code == 0 || code == foIsBlank || code == foNotBlank;
    if (noOperand) Operant[i]->clear();
    Operant[i]->setEnabled(!noOperand);
}

void TFilterForm::DelBtnClick(int i)
{
    Feld[i]->setCurrentIndex(-1);
    Operator[i]->setCurrentIndex(-1);
    Operator[i]->setEnabled(false);
    Operant[i]->clear();
    Operant[i]->setEnabled(false);
}

void TFilterForm::SetRow(int i, const TDBEFilterDialogRow& row, bool last)
{
    if (i < 0 || i >= Rows) return;
    Feld[i]->setEnabled(true);
    Feld[i]->setCurrentIndex(Feld[i]->findText(row.FieldLabel));
    Operator[i]->setEnabled(true);
    // "Wie" and "Nicht" have no place in the list: the operator stays empty.
    Operator[i]->setCurrentIndex(Operator[i]->findText(TDBEFilter::OperatorName(row.Operator)));
    const bool blankTest = row.Operator == foIsBlank || row.Operator == foNotBlank;
    Operant[i]->setEnabled(!blankTest);
    QString operand = blankTest ? QString() : row.Operand;
    if (!blankTest && (row.Wildcard & 2)) operand.prepend(QStringLiteral(".."));
    if (!blankTest && (row.Wildcard & 1)) operand.append(QStringLiteral(".."));
    Operant[i]->setText(operand);
    if (i < Rows - 1) {
        Verkn[i]->setEnabled(true);
        Feld[i + 1]->setEnabled(true);
        if (!last) Verkn[i]->setCurrentIndex(row.Connective == foOr ? 1 : 0);
    }
}

TField* TFilterForm::FieldOfRow(int i) const
{
    const int at = Feld[i]->currentIndex();
    return at >= 0 && at < int(m_fields.size()) ? m_fields[size_t(at)] : nullptr;
}

bool TFilterForm::CheckRows()
{
    m_result.clear();
    auto refuse = [&](int id, QWidget* focus) {
        MessageDlg(DBEString(id), mtError, mbOK);
        focus->setFocus(Qt::OtherFocusReason);
        m_result.clear();
        return false;
    };
    for (int i = 0; i < Rows; ++i) {
        if (!Operator[i]->isEnabled()) continue;
        const int code = TDBEFilter::OperatorCode(Operator[i]->currentText());
        if (code == 0) return refuse(59508, Operator[i]);
        TField* field = FieldOfRow(i);
        if (!field) return refuse(59508, Feld[i]);
        TDBEFilterValueRow row{field->FieldName(), code, {}, 0, foAnd};
        if (code != foIsBlank && code != foNotBlank) {
            const QString text = Operant[i]->text();
            if (text.isEmpty()) return refuse(59508, Operant[i]);
            if (text == QLatin1String("..")) return refuse(59529, Operant[i]);
            if (!TDBEFilter::ConvertOperand(field, text, row.Value, row.Wildcard)) return refuse(59509, Operant[i]);
        }
        m_result.push_back(row);
    }
    // The connectives in order, whatever rows were left out in between.
    for (size_t k = 0; k + 1 < m_result.size(); ++k)
        m_result[k].Connective = Verkn[k]->currentIndex() == 1 ? foOr : foAnd;
    if (!m_result.empty()) m_result.back().Connective = 0;
    return true;
}

void TFilterForm::done(int result)
{
    if (result == mrOk && !CheckRows()) return;
    if (!Extender() && m_filter && m_filter->OnDialogCloseQuery) {
        bool canClose = true;
        m_filter->OnDialogCloseQuery(this, canClose);
        if (!canClose) return;
    }
    TDBEForm::done(result);
}

void TFilterForm::showEvent(QShowEvent* event)
{
    TDBEForm::showEvent(event);
    // Without an extender the frame has no one to tell; the filter's owner hears it.
    if (!event->spontaneous() && !Extender() && m_filter && m_filter->OnDialogShow) m_filter->OnDialogShow(this);
}
