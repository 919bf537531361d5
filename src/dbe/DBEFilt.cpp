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
            v = l.Value.mid(1) + '\0';   // characters and a closing zero instead of the length byte
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
    std::vector<int> r(count, -1);
    for (int i = 0; i < count; ++i) {
        const TDBEFilterRow& row = rows[i];
        TField* field = m_dataSet->FieldByName(row.FieldName);
        QVariant value;
        int flag = 0;
        if (!IsBlankTest(row.Operator) && !ConvertOperand(field, row.Operand, value, flag)) FilterError(59509);
        const int c = AddConstant(field, value, flag);
        const int f = AddField(row.FieldName);
        r[i] = AddOperator(row.Operator, f, c);
    }
    // Strictly left to right: ((r0 op r1) op r2) ...
    m_root = r[0];
    for (int i = 0; i + 1 < count; ++i) m_root = AddOperator(rows[i].Connective, m_root, r[i + 1]);
    if (activate) SetActive(true);
    if (m_dataSet && m_dataSet->Active()) m_dataSet->Resync();
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
        l.Value = data.mid(pos, 256);
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
        case fncUnary: check(n.A); break;
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
