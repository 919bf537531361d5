#pragma once
// The table view: every record of the caller's table in a grid, with its
// own extender and bar, synchronous or on a copy; exports what it shows as
// a CSV file for a German spreadsheet and keeps the column widths the user
// set for the next time.
#include "DBEView.h"
#include <QList>
#include <functional>

class QIODevice;
class QProgressBar;
class TDBGrid;

class TTableViewForm : public TDBEViewForm {
    Q_OBJECT
public:
    TTableViewForm(TDBExtender* caller, TDataSet* ds, const TFormEventRec& rec);
    ~TTableViewForm() override;

    TDBGrid* TblGrid;
    QPushButton* CsvBtn;          // "Als CSV exportieren"
    QProgressBar* CsvProgress;    // over the status panel while exporting

    void CsvBtnClick();
    // Writes every record of the view under its filter, the grid's columns
    // in their order; false when the user aborted (nothing is written then).
    bool ExportCsv(const QString& fileName);
    // The grid's columns in the order they are shown.
    QList<TField*> ShownColumns() const;

    // Where the widths of a table's columns are kept for the user.
    static QString ColumnWidthGroup(TDataSet* ds);

    void done(int result) override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void SaveColumnWidths();
    void LoadColumnWidths();
    bool m_exporting = false;
};

// Opens the table view of an entry (the record is what OnSpecialForm left).
void ShowTableView(TDBExtender& caller, TTableDefs* entry, TDataSet* ds, const TFormEventRec& rec);

// One value as a German spreadsheet reads it: decimal comma without
// thousands separators, dates as dd.MM.yyyy, truth values as shown,
// pictures and other binary values empty.
QString CsvText(const TField* field, const QVariant& value);
// Quotes a value where the separator, a quote or a line break needs it.
QString CsvQuoted(const QString& text);
// The records of ds with a title line: UTF-8 with byte-order mark,
// semicolons, CRLF. The data set does not move; progress(done, total) is
// called every few hundred records and may throw to abort.
void WriteCsv(TDataSet* ds, const QList<TField*>& columns, QIODevice& out,
              const std::function<void(int done, int total)>& progress = {});
