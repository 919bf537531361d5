#pragma once
// A table of an alias, opened by its file name: index choice, key search,
// master/detail range and record filter.
#include "DataSet.h"

class TTable : public TDBDataSet {
    Q_OBJECT
public:
    explicit TTable(QObject* owner = nullptr);
    ~TTable() override;

    QString TableName() const { return m_tableName; }
    void SetTableName(const QString& name);

    // Index: by name ("" = primary) or by leading field names ("A;B").
    QString IndexName() const { return m_indexName; }
    void SetIndexName(const QString& name);
    QString IndexFieldNames() const { return m_indexFieldNames; }
    void SetIndexFieldNames(const QString& names);
    std::vector<TIndexDef> IndexDefs() const;      // read from the engine
    QStringList IndexNames() const;
    int IndexFieldCount() const;
    TField* IndexField(int i) const;
    QStringList OrderFields() const;               // fields of the order in force

    // Master/detail.
    TDataSource* MasterSource() const { return m_masterSource; }
    void SetMasterSource(TDataSource* src);
    QString MasterFields() const { return m_masterFields; }
    void SetMasterFields(const QString& fields);

    // Record filter text; malformed text is refused and the old filter stays.
    QString Filter() const { return m_filter; }
    void SetFilter(const QString& text);
    bool Filtered() const { return m_filtered; }
    void SetFiltered(bool on);

    // Key search.
    void SetKey();
    void EditKey();
    bool GotoKey();
    void GotoNearest();
    bool FindKey(const QVariantList& values);
    void FindNearest(const QVariantList& values);
    int KeyFieldCount() const { return m_keyFieldCount; }
    void SetKeyFieldCount(int n) { m_keyFieldCount = n; }

    // Structure for CreateTable.
    std::vector<TFieldDef>& DefsForCreate() { return m_createFields; }
    std::vector<TIndexDef>& IndexDefsForCreate() { return m_createIndexes; }
    void CreateTable();
    void EmptyTable();
    void DeleteTable();
    bool Exists() const;

    std::vector<TValCheckDesc> ValChecks() const;

protected:
    TViewDef BuildView() override;
    std::shared_ptr<TPhysTable> OpenPhysTable() override;
    void InitNewRecord(TRecord& rec) override;

private:
    class MasterLink;
    friend class MasterLink;
    void MasterChanged();
    const TIndexDef* CurrentIndex(const std::vector<TIndexDef>& defs) const;
    void IndexChanged();
    QVariantList KeyValuesFromBuffer(int count) const;
    void SetKeyValues(const QVariantList& values);
    QVariantList MasterValues() const;

    QString m_tableName, m_indexName, m_indexFieldNames, m_masterFields, m_filter;
    bool m_filtered = false;
    TSqlCondition m_filterCond;
    TDataSource* m_masterSource = nullptr;
    std::unique_ptr<MasterLink> m_masterLink;
    int m_keyFieldCount = 0;
    std::vector<TFieldDef> m_createFields;
    std::vector<TIndexDef> m_createIndexes;
};
