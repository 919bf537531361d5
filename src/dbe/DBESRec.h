#pragma once
// The single-record view: one labelled data control per field of the
// caller's table, laid out side by side or under one another (labels on
// top, or on the left aligned left or right), with its own extender and
// bar; synchronous or on a copy.
#include "DBEView.h"
#include <QStringList>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QScrollArea;

// Posted by the registry: the view refreshes its contents later.
constexpr int SRVRefreshEventType = 1001;   // QEvent::User + 1

class TSingleRecViewForm : public TDBEViewForm {
    Q_OBJECT
public:
    TSingleRecViewForm(TDBExtender* caller, TDataSet* ds, const TFormEventRec& rec);
    ~TSingleRecViewForm() override;

    QScrollArea* ScrollBox;
    QMenu* PopupMenu1;
    QAction* piHoriz;
    QAction* piVert;
    QAction* piVertTop;
    QAction* piVertLeftLeft;
    QAction* piVertLeftRight;

    TSingleRecLayout Layout() const { return m_layout; }
    // As the popup menu does: the item checked, the choice kept in the
    // view's options, a relayout posted.
    void ChooseLayout(TSingleRecLayout layout);

    // The three parallel lists, in field order.
    const QStringList& FieldNames() const { return m_fieldNames; }
    const std::vector<QLabel*>& Labels() const { return m_labels; }
    const std::vector<QWidget*>& Controls() const { return m_controls; }
    QWidget* ControlOf(const QString& fieldName) const;
    QLabel* LabelOf(const QString& fieldName) const;
    // Height of the last layout; the scroll range is this plus 8.
    int TotalHeight() const { return m_totalHeight; }

    // The registry re-attached the table: the controls are made anew.
    Q_INVOKABLE void RebuildControls();
    // Lays the controls out again now, when shown and not busy.
    void Relayout();

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool EscapeCloses() const override;

private:
    struct TRefSizes {
        QSize Label, Edit, Memo, Image, CheckBox;
    };
    void PostRelayout();
    void DoRelayout();
    void MeasureReferences();
    void BuildControls();
    void ClearControls();
    void LayOutSideBySide(int cw);
    void LayOutUnderOneAnother(int cw);
    // The width the field's text needs in the control, kept to the room.
    int TextWidth(const TField* field, const QWidget* control, int left, int cw) const;
    // Width and height a control takes before it is cut to the room.
    QSize ControlSize(int index, int textWidth, int room) const;
    bool SingleLine(const QWidget* control) const;
    void CheckLayoutItem();

    TSingleRecLayout m_layout;
    QStringList m_fieldNames;
    std::vector<QLabel*> m_labels;
    std::vector<QWidget*> m_controls;
    QString m_focusField;
    TRefSizes m_ref;
    int m_scrollBarWidth = 0;
    int m_totalHeight = 0;
    int m_lastWidth = -1;
    bool m_shown = false, m_busy = false, m_built = false, m_relayoutPosted = false,
         m_rebuildPosted = false;
};

// Opens the single-record view of an entry (the record is what
// OnSpecialForm left).
void ShowSingleRecView(TDBExtender& caller, TTableDefs* entry, TDataSet* ds, const TFormEventRec& rec);

// Label captions with their first "&" doubled and, one character each, the
// accelerators that the fewest labels compete for.
QStringList GenerateAccelChars(const QStringList& captions);
