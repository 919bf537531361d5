#pragma once
// The rows and columns a data grid shows: one row per record of the data set
// in its current order, read on demand without moving the data set.
#include "DataSet.h"
#include <QAbstractTableModel>
#include <QHash>
#include <QPointer>
#include <vector>

class TDBGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TDBGridModel(QObject* parent = nullptr);

    TDataSet* DataSet() const { return m_ds; }
    // Takes the data set and its visible fields afresh.
    void Rebuild(TDataSet* ds);
    // Whether Refresh will reset the model (the number of rows changed).
    bool NeedsReset() const { return RowsNow() != m_rows; }
    // After the data set changed or scrolled.
    void Refresh();
    void RowChanged(int row);
    void IndicatorChanged();
    void SetEditable(bool on) { m_editable = on; }

    int ColumnCount() const { return int(m_cols.size()); }
    TField* FieldAt(int column) const;
    int ColumnOf(const TField* f) const;
    // The row of the data set's current record, or of the record being inserted.
    int CurrentRow() const;
    int InsertRow() const;             // -1 unless inserting
    TBookmark BookmarkAt(int row) const;   // 0 for the new row and the blank row

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The result text of a lookup field by its key text, read once from
    // the lookup data set; and the key text of a record (empty when blank).
    static QHash<QString, QString> LookupTable(const TField* f);
    static QString LookupKey(const TField* f, const TRecord& rec);

private:
    bool Active() const { return m_ds && m_ds->Active(); }
    int RowsNow() const;
    int SeqOfRow(int row) const;       // 0 when the row is no stored record
    QString CellText(int row, TField* f, bool display) const;
    QString LookupText(TField* f, const TRecord& rec) const;

    QPointer<TDataSet> m_ds;
    std::vector<TField*> m_cols;
    int m_rows = 0;
    bool m_editable = true;
    // Per lookup field: key text -> result text, read once per refresh.
    mutable QHash<const TField*, QHash<QString, QString>> m_lookups;
};
