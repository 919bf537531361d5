#pragma once
// Numbered bookmarks of one table: the engine's bookmark of a record with
// a few of its values as text, kept in memory only; and the dialog that
// lists them, deletes them, renumbers them by dragging and goes to one.
#include "DBEForm.h"
#include "DBErrors.h"
#include "DataSet.h"
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QTableWidget>
#include <functional>
#include <memory>
#include <vector>

class QGroupBox;
class QPushButton;

class EDBEBookMarks : public Exception {
public:
    using Exception::Exception;
};

class TBMItem {
public:
    // Takes the current record of the data set; raises EDBEBookMarks.
    TBMItem(TDataSet* ds, int number, bool keepOnlyIndex, bool useNonVisFields);
    ~TBMItem();

    TDataSet* DataSet() const { return m_dataSet; }
    int Number = 0;
    TBookmark EngineBookmark = 0;
    QStringList Values;
    int MaxFields = 5;
    bool KeepOnlyIndex = true;
    bool UseNonVisFields = true;

private:
    QPointer<TDataSet> m_dataSet;
};

class TBMManager : public QObject {
    Q_OBJECT
public:
    TBMManager(TDataSet* ds, bool allowUserAbort, bool allowMasterMove, bool useNonVisFields, bool keepOnlyIndex,
               QObject* parent = nullptr);
    ~TBMManager() override;

    int Count() const { return int(m_items.size()); }
    TBMItem* Item(int position) const { return m_items.at(position).get(); }
    int IndexOfNumber(int number) const;   // position or -1
    int Add();                              // the new number; -1 without a data set
    void SetNumbered(int number);
    void Delete(int number);
    void Renumber(int oldNumber, int newNumber);
    // Moves the data set to bookmark `number`, moving its master when
    // needed and allowed. Failures raise when raiseErrors, else false.
    bool GotoNumber(int number, bool raiseErrors);
    void Clear();

    TDataSet* DataSet() const { return m_dataSet; }
    void SetDataSet(TDataSet* ds);
    bool KeepOnlyIndex() const { return m_keepOnlyIndex; }
    void SetKeepOnlyIndex(bool on);
    bool UseNonVisFields() const { return m_useNonVisFields; }
    void SetUseNonVisFields(bool on);
    bool AllowMasterMove() const { return m_allowMasterMove; }
    void SetAllowMasterMove(bool on) { m_allowMasterMove = on; }
    bool AllowUserAbort() const { return m_allowUserAbort; }
    void SetAllowUserAbort(bool on) { m_allowUserAbort = on; }

    // Names of the captured fields: the dialog's columns after "Nr".
    QStringList ColumnFields() const;
    static QStringList CapturedFields(TDataSet* ds, bool keepOnlyIndex, bool useNonVisFields, int maxFields = 5);

private:
    bool Live() const { return m_dataSet && !m_dataSet->Destroying(); }
    std::unique_ptr<TBMItem> NewItem(int number) const;

    QPointer<TDataSet> m_dataSet;
    std::vector<std::unique_ptr<TBMItem>> m_items;
    bool m_keepOnlyIndex = true, m_useNonVisFields = true, m_allowMasterMove = true, m_allowUserAbort = true;
};

// The bookmark grid: rows are dragged to new places with the mouse.
class TBMGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit TBMGrid(QWidget* parent = nullptr);
    // A row dropped elsewhere: its row and the row it went to (0 = first bookmark).
    std::function<void(int from, int to)> OnRowMoved;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    int m_pressRow = -1;
    QPoint m_pressPos;
    bool m_dragging = false;
};

class TBMForm : public TDBEForm {
    Q_OBJECT
public:
    TBMForm(TDBExtender* ext, const TFormEventRec& rec, TBMManager* manager);

    QGroupBox* GroupBox1;
    TBMGrid* BMGrid;
    QWidget* BottomPanel;
    QPushButton* DelBtn;
    QPushButton* UserBtn;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    // Heads, widths and one row per bookmark (at least one empty row).
    void FillGrid();
    // Deletes the selected row's bookmark.
    void DelBtnClick();
    // The bookmark of row `from` takes the number its new place asks for.
    void BMGridRowMoved(int from, int to);
    // The number of the selected bookmark; 0 when none.
    int SelectedNumber() const;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void SelectNumber(int number);
    TBMManager* m_bm;
};
