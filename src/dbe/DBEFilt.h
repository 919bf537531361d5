#pragma once
// The extender's record filter of one table: rows of field, operator and
// operand become a tree of typed nodes and literals, serialised into the
// engine's filter expression and registered with the table's cursor.
#include "DBErrors.h"
#include "DBTypes.h"
#include "DBEForm.h"
#include "DataSet.h"
#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <array>
#include <functional>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QWidget;
class TDataSet;
class TDBExtender;
class TField;
struct TFormEventRec;

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

// A row of the filter dialog as the tree gives it back.
struct TDBEFilterDialogRow {
    QString FieldLabel;       // the field's display label
    int Operator = 0;
    QString Operand;          // the value as text, without wildcard dots
    int ValueType = 0;
    int Wildcard = 0;
    int Connective = 0;       // to the next row; 0 after the last
};

// A row ready for the tree: the operand converted for its field.
struct TDBEFilterValueRow {
    QString FieldName;
    int Operator = foEqual;
    QVariant Value;           // invalid: the all-zero value (blank tests)
    int Wildcard = 0;
    int Connective = foAnd;
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

    // The rows the registered tree stands for (the dialog shows them).
    std::vector<TDBEFilterDialogRow> TreeToRows() const;
    // The filter dialog on this filter; on OK the rows replace the filter and
    // it is switched on. The record gives the user button and the frame,
    // the extender (may be none) owns the dialog and hears its events.
    // True when the dialog was left with OK.
    bool EditDialog(TDBExtender* ext, const TFormEventRec& rec, const QString& description, bool useNonVisFields,
                    TField* focusedField);
    // Fields the dialog offers: data fields of a comparable kind.
    static bool IsFilterField(const TField* field, bool useNonVisFields);
    // Dialog texts of the operator codes; empty for codes without one.
    static QString OperatorName(int code);
    static int OperatorCode(const QString& name);

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
    // Replaces the tree by the rows, joined strictly from left to right.
    void BuildTree(const std::vector<TDBEFilterValueRow>& rows);
    QString ConstantText(const TDBEFilterLiteral& lit, const TField* field) const;
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

// The filter definition dialog: ten rows of field, operator and operand,
// joined by "Und"/"Oder".
class TFilterForm : public TDBEForm {
    Q_OBJECT
public:
    static constexpr int Rows = TDBEFilter::MaxRows;
    TFilterForm(TDBExtender* ext, const TFormEventRec& rec, TDBEFilter* filter, std::vector<TField*> fields);

    // The rows that passed the checks on OK, without gaps.
    const std::vector<TDBEFilterValueRow>& Result() const { return m_result; }
    // Row i (0-based) as the user fills it in.
    void FeldChange(int i);
    void OperatorChange(int i);
    void DelBtnClick(int i);
    void SetRow(int i, const TDBEFilterDialogRow& row, bool last);

    void done(int result) override;

    QLabel* LblFeld;
    QLabel* LblOperator;
    QLabel* LblOperand;
    std::array<QComboBox*, Rows> Feld{};
    std::array<QComboBox*, Rows> Operator{};
    std::array<QLineEdit*, Rows> Operant{};
    std::array<QPushButton*, Rows> DelBtn{};
    std::array<QComboBox*, Rows - 1> Verkn{};
    QLabel* WildcardLabel;
    QFrame* Bevel;
    QPushButton* UserBtn;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Collects the rows; false (after the message) at the first bad one.
    bool CheckRows();
    TField* FieldOfRow(int i) const;
    TDBEFilter* m_filter;
    std::vector<TField*> m_fields;
    std::vector<TDBEFilterValueRow> m_result;
};
