#pragma once
// The extender's record filter of one table: rows of field, operator and
// operand become a tree of typed nodes and literals, serialised into the
// engine's filter expression and registered with the table's cursor.
#include "DBErrors.h"
#include "DBTypes.h"
#include "DataSet.h"
#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

class QWidget;
class TDataSet;
class TField;

class EDBEFilter : public Exception {
public:
    using Exception::Exception;
};

// A filter that cannot be turned back into dialog rows.
class EDBEFilterDefError : public Exception {
public:
    using Exception::Exception;
};

// Operator codes of the engine's expressions (also stored in filter files).
enum TDBEFilterOp {
    foIsBlank = 1, foNotBlank = 2, foEqual = 3, foNotEqual = 4, foGreater = 5, foLess = 6,
    foGreaterEq = 7, foLessEq = 8, foNot = 9, foAnd = 10, foOr = 11, foField = 13, foConst = 14, foLike = 30
};
enum TDBEFilterNodeClass { fncUnary = 1, fncBinary = 2, fncCompare = 3, fncField = 4, fncConst = 5 };

// 18 bytes in files and in the engine expression.
struct TDBEFilterNode {
    qint32 NodeClass = 0;
    qint32 Operator = 0;
    quint16 A = 0, B = 0, C = 0, D = 0;
};

// 262 bytes in files: size, offset, wildcard flag, type code, 256 value bytes.
struct TDBEFilterLiteral {
    quint16 Size = 0;      // bytes the value takes in the engine expression
    quint16 Offset = 0;    // position in the literal pool
    quint8 Wildcard = 0;   // 1: the operand ended with ".."; 2: it began with ".."
    quint8 ValueType = 0;
    QByteArray Value;      // at most 256 bytes; strings as length byte + characters
};

// A row set by program code.
struct TDBEFilterRow {
    QString FieldName;
    int Operator = foEqual;
    QString Operand;
    int Connective = foAnd;   // to the next row
};

class TDBEFilter {
public:
    static constexpr int MaxNodes = 70;
    static constexpr int MaxLiterals = 70;
    static constexpr int MaxRows = 10;

    TDBEFilter();
    ~TDBEFilter();
    TDBEFilter(const TDBEFilter&) = delete;
    TDBEFilter& operator=(const TDBEFilter&) = delete;

    // 0 no data set; 1 no filter registered; 2 registered, off; 3 on.
    int State() const { return m_state; }
    TDataSet* DataSet() const { return m_dataSet; }
    void SetDataSet(TDataSet* ds);
    bool Registered() const { return m_registered; }
    void SetRegistered(bool on);
    bool Active() const { return m_active; }
    void SetActive(bool on);
    void Clear();
    void ApplyRows(const TDBEFilterRow* rows, int count, bool activate);
    void ApplyRows(const std::vector<TDBEFilterRow>& rows, bool activate)
    {
        ApplyRows(rows.data(), int(rows.size()), activate);
    }

    // Tree builders; each returns the new node's index.
    int AddOperator(int op, int left, int right);
    int AddConstant(TField* field, const QVariant& value, int flag);
    int AddField(const QString& fieldName);
    void BuildExpression();

    // Operand text to the value AddConstant takes; false when the text
    // does not fit the field's type.
    static bool ConvertOperand(TField* field, const QString& text, QVariant& value, int& flag);
    // The engine's type code of a field type; 0 when filters cannot use it.
    static int ValueTypeOf(TFieldType t);

    // Filter definition files (*.TFD): the tree itself, with the table's name.
    void SaveToFile(const QString& fileName);
    void LoadFromFile(const QString& fileName);

    const std::vector<TDBEFilterNode>& Nodes() const { return m_nodes; }
    const std::vector<TDBEFilterLiteral>& Literals() const { return m_literals; }
    int NodeCount() const { return int(m_nodes.size()); }
    int LiteralCount() const { return int(m_literals.size()); }
    int Root() const { return m_root; }
    void SetRoot(int node) { m_root = node; }
    const QByteArray& Expression() const { return m_expression; }
    int EngineFilter() const { return m_engineFilter; }

    bool HideBtnGlyphs = false;
    // Progress (code 4: the filter is being switched on), dialog shown,
    // dialog about to close.
    std::function<void(int code)> OnMessage;
    std::function<void(QWidget*)> OnDialogShow;
    std::function<void(QWidget*, bool& canClose)> OnDialogCloseQuery;

private:
    void CheckDataSet();
    void ForgetRegistration();
    void FreeTree();
    int NewLiteral(quint8 type, const QByteArray& value, quint16 size, quint8 flag);

    int m_state = 0;
    std::vector<TDBEFilterNode> m_nodes;
    std::vector<TDBEFilterLiteral> m_literals;
    int m_root = -1;
    QByteArray m_expression;
    QPointer<TDataSet> m_dataSet;
    int m_engineFilter = 0;
    bool m_registered = false;
    bool m_active = false;
};
