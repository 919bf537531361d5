#pragma once
// The frame of the extender's views that carry an extender and a navigator
// bar of their own (the table view, the single-record view, the lookup
// dialog): the bar on top, the view's status and message panel and the OK
// and "Abbruch" buttons below, the caller's table shown itself
// (synchronous) or through a private copy, and the caller moved to the
// chosen record on OK.
//
// How a view uses it:
//
//   class TFooView : public TDBEViewForm {
//   public:
//       TFooView(TDBExtender* caller, TDataSet* ds, const TFormEventRec& rec)
//           : TDBEViewForm(caller, ds, rec, {"FooExtender", "FooNav", "FooStatusPanel"})
//       {
//           SetCenter(new QWidget(this));     // between bar and buttons
//           setWindowTitle(...);
//       }
//   };
//
//   // In the extender, after OnSpecialForm: one view per table entry and kind.
//   RunDBEView(*this, entry->FooView, entry->FooViewTable, entry->OpeningFooView, 59594,
//              [&] { return new TFooView(this, ds, rec); });
#include "DBEForm.h"
#include "Dbextend.h"
#include <QPointer>
#include <functional>

class QPushButton;
class QVBoxLayout;
class TDBENavigator;
class TPanel;

class TDBEViewForm : public TDBEForm {
    Q_OBJECT
public:
    struct TNames {
        QString Extender, Navigator, StatusPanel;
    };
    // Opens the copy (unless synchronous) and sets up the view's extender
    // and bar; an error leaves nothing behind (the caller frees the form).
    TDBEViewForm(TDBExtender* caller, TDataSet* ds, const TFormEventRec& rec, const TNames& names);
    ~TDBEViewForm() override;

    TDBExtender* ViewExtender() const { return m_ext; }
    TDBExtender* Caller() const { return m_caller; }
    TDataSet* CallerDataSet() const { return m_callerDs; }
    // The data set the view shows: the caller's table or the copy.
    TDataSet* ShownDataSet() const;
    TTable* Copy() const { return m_copy; }
    bool Synchronous() const { return !m_copy; }
    bool Modal() const { return BorderStyle() == bsDialog; }
    const TFormEventRec& Options() const { return m_rec; }
    // The field of the shown data set that was focused in the calling form.
    TField* CallerField() const;

    TPanel* TopPanel;        // holds the bar
    TDBENavigator* Nav;
    TDataSource* Source;
    TPanel* BottomPanel;
    TPanel* UserBtnPanel;
    TPanel* StatusPanel;     // the view extender's status and message panel
    TPanel* Panel1;          // OK and "Abbruch"
    QPushButton* UserBtn;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    // Moves the calling table to the record the view stands on; false
    // (with the reason on the view's display) when it cannot show it.
    bool MoveCaller();
    // Puts the copy on the caller's record (asked for again while open).
    void FollowCaller();
    // OK and the grid's double click: move the caller, then close.
    void OKBtnClick();
    // A view asked for again comes to the front; false when there is none.
    static bool BringToFront(QWidget* view);

protected:
    // The part between the bar and the buttons.
    void SetCenter(QWidget* w);
    // A grid on the view's source as the center, with the options,
    // read-only state and auto-edit the record asks for.
    class TDBGrid* CenterGrid(const QString& name);
    // The view's caller refreshes its availability and bars.
    void RefreshCaller();
    void keyPressEvent(QKeyEvent* e) override;
    // Esc closes only while this holds.
    virtual bool EscapeCloses() const;

private:
    void BuildFrame(const TNames& names);
    void OpenData(TDataSet* ds);
    void FormKey(int& key, TShiftState shift, bool& handled);
    void FormException(const std::exception& e, bool& handled);

    QPointer<TDBExtender> m_caller;
    QPointer<TDataSet> m_callerDs;
    TFormEventRec m_rec;
    TDBExtender* m_ext = nullptr;
    TTable* m_copy = nullptr;
    QVBoxLayout* m_layout = nullptr;
    QPointer<QWidget> m_center;
};

// Field settings of a table for its copy in a view: with a field list only
// those fields, in that order and with the labels of the label list (when
// the two lists have the same count); else the table's own fields as they
// are configured. Calculated fields have no place in a copy.
std::vector<TFieldDesc> ViewFieldDescs(TDataSet* table, const QString& fieldList, const QString& labelList);

// Opens a view the way both views open: the opening flag held, the
// opening message on the caller's display, the view registered with the
// table entry; a dialog-style view runs modally and is freed afterwards.
void RunDBEView(TDBExtender& caller, QPointer<QWidget>& viewSlot, QPointer<TTable>& tableSlot, bool& opening,
                int openingTextId, const std::function<TDBEViewForm*()>& make);
