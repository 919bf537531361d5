#pragma once
// Data sets, data sources and data links: the data-access layer the forms
// and the navigation extender work with.
#include "Cursor.h"
#include "DBTypes.h"
#include "Field.h"
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class TDataSource;
class TDataLink;
class QIODevice;

using TDataSetNotifyEvent = std::function<void(class TDataSet*)>;

class TDataSet : public QObject {
    Q_OBJECT
public:
    explicit TDataSet(QObject* owner = nullptr);
    ~TDataSet() override;

    QString Name() const { return objectName(); }

    // Opening and closing.
    bool Active() const { return m_state != dsInactive; }
    void SetActive(bool on);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    bool Destroying() const { return m_destroying; }

    TDataSetState State() const { return m_state; }
    bool Modified() const { return m_modified; }
    bool CanModify() const;
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool v);

    // Fields.
    const std::vector<std::unique_ptr<TField>>& Fields() const { return m_fields; }
    int FieldCount() const { return int(m_fields.size()); }
    TField* FieldAt(int i) const { return m_fields.at(i).get(); }
    TField* FindField(const QString& name) const;
    TField* FieldByName(const QString& name) const;   // raises "Feld 'x' nicht gefunden"
    TField* FieldByNumber(int fieldNo) const;
    // Declared fields replace the engine's default field list at the next open.
    void DeclareFields(const std::vector<TFieldDesc>& fields);
    const std::vector<TFieldDesc>& DeclaredFields() const { return m_declared; }
    // Physical structure of the open table.
    std::vector<TFieldDef> FieldDefs() const;

    // Navigation.
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);
    bool Bof() const { return m_bof; }
    bool Eof() const { return m_eof; }
    bool IsEmpty() const;
    int RecordCount() const;
    int RecNo() const;                 // 1-based sequence number; 0 while inserting
    void SetRecNo(int n);

    // Bookmarks of the engine.
    TBookmark GetBookmark() const;
    void GotoBookmark(TBookmark b);
    bool BookmarkValid(TBookmark b) const;
    int CompareBookmarks(TBookmark a, TBookmark b) const;
    void FreeBookmark(TBookmark) {}

    // Editing.
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    void InsertRecord(const QVariantList& values);
    void AppendRecord(const QVariantList& values);
    void CheckBrowseMode();
    void UpdateRecord();
    void Refresh();
    void Resync();

    // Control updates.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    // Engine level.
    quint64 Handle() const { return m_cursor ? m_cursor->Handle() : 0; }
    TEngineCursor* Cursor() const { return m_cursor.get(); }
    std::unique_ptr<TEngineCursor> CloneCursor() const;
    // Moves this data set to the record a cursor on the same table stands on.
    void SetToCursor(const TEngineCursor& other);
    void GotoCursorOf(TDataSet* other);
    // Raw values of the record at a sequence position, without moving (grids).
    TRecordPtr RecordAt(int seq) const;
    std::unique_ptr<QIODevice> CreateBlobStream(TField* field) const;
    QString TableTypeName() const { return m_cursor ? m_cursor->TableTypeName() : QString(); }

    // Record filter of the engine; the expression is checked when registered.
    int AddEngineFilter(const QByteArray& expression);
    void SetEngineFilterActive(int handle, bool on);
    void DropEngineFilter(int handle);
    bool EngineFilterActive(int handle) const;

    // The data sources showing this data set.
    const std::vector<TDataSource*>& DataSources() const { return m_sources; }

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent OnNewRecord;
    // A post or delete that failed after its before-event ran (the error
    // is passed on afterwards), so a handler can undo what it began there.
    TDataSetNotifyEvent OnPostError, OnDeleteError;

    // Used by fields.
    QVariant FieldValue(const TField* f) const;
    QVariant OldFieldValue(const TField* f) const;
    void SetFieldValue(TField* f, const QVariant& v);
    QVariant LookupValue(const TField* f) const;
    void DataEvent(TDataEvent event, qintptr info = 0);
    TPhysTable* Phys() const { return m_phys.get(); }

protected:
    // What decides the rows: subclasses give order, range and filters.
    virtual TViewDef BuildView();
    virtual std::shared_ptr<TPhysTable> OpenPhysTable() = 0;
    virtual void InitNewRecord(TRecord& rec);
    virtual void OnLayoutChanged() {}
    void CheckActive() const;
    void CheckInactive() const;
    void ReapplyView(bool gotoFirst);
    void NewHandle();
    struct EngineFilter { int handle; TSqlCondition cond; bool active; };
    std::vector<EngineFilter> m_engineFilters;
    std::shared_ptr<TPhysTable> m_phys;
    std::unique_ptr<TEngineCursor> m_cursor;
    bool m_destroying = false;

private:
    friend class TDataSource;
    friend class TField;
    void OpenCursor();
    void CloseCursor();
    void SetState(TDataSetState s);
    void CreateFields();
    void DoBeforeScroll();
    void DoAfterScroll();
    void BeginInsertAppend(bool append);
    void CheckRequiredFields();
    void InternalPost();
    void AssignByPosition(const QVariantList& values);
    const TRecord* ActiveBuffer() const;
    TFilterFieldResolver Resolver() const;

    TDataSetState m_state = dsInactive;
    std::vector<std::unique_ptr<TField>> m_fields;
    std::vector<TFieldDesc> m_declared;
    std::vector<TFilterField> m_filterFields;
    std::vector<TDataSource*> m_sources;
    TRecord m_buf;           // edit and insert buffer
    TRecord m_orig;          // the record as it was read, for the concurrency check
    TRecord m_keyBuf;
    TDataSetState m_keySaved = dsBrowse;
    qint64 m_editId = 0;
    int m_insertPos = -1;
    bool m_modified = false;
    bool m_bof = true, m_eof = true;
    bool m_readOnly = false;
    int m_disableCount = 0;
    TDataSetState m_disabledState = dsInactive;
    int m_nextFilterHandle = 1;
    static quint64 s_nextHandle;
    quint64 m_handleId = 0;

protected:
    TRecord& KeyBuffer() { return m_keyBuf; }
    friend class TTable;
};

// A data set on a table of an alias.
class TDBDataSet : public TDataSet {
    Q_OBJECT
public:
    using TDataSet::TDataSet;
    QString DatabaseName() const { return m_databaseName; }
    void SetDatabaseName(const QString& alias);
    TDatabase* Database() const;
protected:
    QString m_databaseName;
};

class TDataSource : public QObject {
    Q_OBJECT
public:
    explicit TDataSource(QObject* owner = nullptr);
    ~TDataSource() override;
    QString Name() const { return objectName(); }

    TDataSet* DataSet() const { return m_dataSet; }
    void SetDataSet(TDataSet* ds);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool on);
    bool AutoEdit() const { return m_autoEdit; }
    void SetAutoEdit(bool on) { m_autoEdit = on; }
    TDataSetState State() const { return m_state; }
    void Edit();
    const std::vector<TDataLink*>& Links() const { return m_links; }

    std::function<void(TDataSource*, TField*)> OnDataChange;
    std::function<void(TDataSource*)> OnStateChange;
    std::function<void(TDataSource*)> OnUpdateData;

private:
    friend class TDataSet;
    friend class TDataLink;
    void NotifyDataLinks(TDataEvent event, qintptr info);
    void DataEvent(TDataEvent event, qintptr info);
    void SetState(TDataSetState s);
    void AddDataLink(TDataLink* l);
    void RemoveDataLink(TDataLink* l);
    QPointer<TDataSet> m_dataSet;
    bool m_enabled = true, m_autoEdit = true;
    TDataSetState m_state = dsInactive;
    std::vector<TDataLink*> m_links;
};

class TDataLink {
public:
    TDataLink();
    virtual ~TDataLink();
    TDataSource* DataSource() const { return m_source; }
    void SetDataSource(TDataSource* src);
    TDataSet* DataSet() const;
    bool Active() const { return m_active; }
    bool Editing() const { return m_editing; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool v);
    bool Edit();
    void UpdateRecord();

protected:
    friend class TDataSource;
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int distance) { DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void FocusControl(TField** field) {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* field) {}
    virtual void UpdateData() {}
    void DataEvent(TDataEvent event, qintptr info);

private:
    void UpdateState();
    void SetActive(bool on);
    void SetEditing(bool on);
    TDataSource* m_source = nullptr;
    bool m_active = false, m_editing = false, m_readOnly = false, m_updating = false;
};

// Keeps the data-aware controls still while code walks the records; they
// see the data set again on every way out.
class TControlsDisabled {
public:
    explicit TControlsDisabled(TDataSet* ds) : m_ds(ds) { m_ds->DisableControls(); }
    ~TControlsDisabled() { m_ds->EnableControls(); }
    TControlsDisabled(const TControlsDisabled&) = delete;
    TControlsDisabled& operator=(const TControlsDisabled&) = delete;

private:
    TDataSet* m_ds;
};
