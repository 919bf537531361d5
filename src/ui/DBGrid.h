#pragma once
// A grid over a data set: one row per record, one column per visible field,
// editing in place.
#include "DataSet.h"
#include <QHash>
#include <QPointer>
#include <QTableView>
#include <functional>
#include <memory>

class TDBGridModel;
class TDBGridDelegate;

enum TDBGridOption {
    dgEditing = 0x1, dgAlwaysShowEditor = 0x2, dgTitles = 0x4, dgIndicator = 0x8, dgColumnResize = 0x10,
    dgColLines = 0x20, dgRowLines = 0x40, dgTabs = 0x80, dgRowSelect = 0x100, dgAlwaysShowSelection = 0x200,
    dgConfirmDelete = 0x400, dgCancelOnExit = 0x800, dgMultiSelect = 0x1000
};
using TDBGridOptions = int;
constexpr TDBGridOptions dgDefaultOptions = dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines
    | dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit;

class TDBGrid : public QTableView {
    Q_OBJECT
    Q_PROPERTY(TDataSource* DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(int SelectedIndex READ SelectedIndex WRITE SetSelectedIndex)
public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* src);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool on);
    TDBGridOptions Options() const { return m_options; }
    void SetOptions(TDBGridOptions options);
    // Down on the last row appends a record (when the data set may change).
    bool AllowAppendOnDown() const { return m_appendOnDown; }
    void SetAllowAppendOnDown(bool on) { m_appendOnDown = on; }

    // The current column among the visible fields.
    int SelectedIndex() const;
    void SetSelectedIndex(int column);
    TField* SelectedField() const;
    void SetSelectedField(TField* f);
    int FieldCount() const;
    TField* Fields(int column) const;
    // Records marked with dgMultiSelect.
    QList<TBookmark> SelectedRows() const;
    TDBGridModel* GridModel() const { return m_model; }
    // The in-place editor of the current cell; none while hidden.
    QWidget* InplaceEditor() const { return m_editor; }
    // Widths the user gave columns by dragging, by field name (any case);
    // they outlast rebuilds of the columns.
    QHash<QString, int> UserColumnWidths() const { return m_userWidths; }
    void SetUserColumnWidths(const QHash<QString, int>& widths);

    std::function<void(TDBGrid*)> OnColEnter;
    std::function<void(TDBGrid*)> OnColExit;

    // Used by the in-place editors.
    bool BeginEditing();
    void EditorModified() { m_editorModified = true; }
    bool HandleKey(QKeyEvent* e, bool fromEditor);
    QWidget* CreateEditor(QWidget* parent, const QModelIndex& index);
    void LoadEditor();
    void LoadEditorUnlessTyped() { if (!m_editorModified) LoadEditor(); }
    void ChooseLookup(const QString& text);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* e) override;

private:
    class GridLink;
    friend class GridLink;
    void LinkActiveChanged();
    void LinkDataSetChanged();
    void LinkRecordChanged(TField* field);
    void LinkEditingChanged();
    void LinkUpdateData();
    void LinkFocusControl(TField** field);
    bool CheckDataSet();
    TDataSet* DataSetOf() const;

    void Rebuild();
    void SyncCurrent();
    void SetCurrentCell(int row, int column);
    void MoveToRow(int row);
    void ShowEditor();
    void HideEditor();
    bool EditorAllowed() const;
    bool FocusWithin() const;
    QString EditorText() const;
    void CommitEditor();
    void ApplyOptions();
    void ApplyColumnWidths();
    void FocusChanged(QWidget* old, QWidget* now);
    void LeaveGrid();

    void MoveRowBy(int delta);
    void MoveColBy(int delta);
    void DownKey();
    void EnterKey();
    void EscapeKey();
    void DeleteKey();

    // First: events reach the grid while the members below are built.
    TDBGridOptions m_options = dgDefaultOptions;
    std::unique_ptr<GridLink> m_link;
    TDBGridModel* m_model = nullptr;
    TDBGridDelegate* m_delegate = nullptr;
    QPointer<QWidget> m_editor;
    QPersistentModelIndex m_editorIndex;
    bool m_readOnly = false;
    bool m_appendOnDown = true;
    bool m_editorModified = false;
    bool m_editorRequested = false;   // without dgAlwaysShowEditor: typing opened it
    bool m_syncing = false;
    bool m_internalFocus = false;
    bool m_destroying = false;
    int m_lastColumn = 0;
    QHash<QString, int> m_userWidths;   // keys in lower case
    bool m_applyingWidths = false;
};
