#pragma once
// Small tables of the tests' own, in the shared database of the running
// session, and the master/detail form the extender tests work on.
#include "Session.h"
#include <QList>
#include <QWidget>
#include <vector>

class QLineEdit;
class TDataSource;
class TDBEdit;
class TDBExtender;
class TDBGrid;
class TDBMemo;
class TDataSet;
class TPanel;
class TTable;

// Creates a table of the shared database.
void CreateTestTable(const QString& file, std::vector<TFieldDef> fields, std::vector<TIndexDef> indexes);
// Points t at a table of the shared database and opens it.
void OpenTestTable(TTable& t, const QString& file);

// Master.DB: Nr (integer key), Name, Ort, Notiz (memo), indexes ByName and
// ByOrtName; Detail.DB: Nr, Pos, Text keyed on Nr;Pos.
struct TMasterRow {
    int Nr;
    const char* Name;
    const char* Ort;   // "" leaves the field empty
};
// The masters in entry order, three details ("Teil nr.pos") for each number
// in detailsOf, whether a master of that number exists or not.
void CreateMasterDetailTables(const QList<TMasterRow>& masters, const QList<int>& detailsOf);

int NrOf(TDataSet* ds);
// Moves to the record whose Nr is nr (or to the end when there is none).
void GotoNr(TDataSet* ds, int nr);

// A data form: master with a name and a place edit and a memo, its details
// in a grid, a plain edit without data, a message panel and the extender.
class TMasterDetailForm : public QWidget {
public:
    struct TOptions {
        QString MasterFile = QStringLiteral("Master.DB");
        QString DetailFile = QStringLiteral("Detail.DB");
        QString GridName = QStringLiteral("GridDetail");
        bool ReadOnlyMaster = false;
    };
    TMasterDetailForm() : TMasterDetailForm(TOptions()) {}
    explicit TMasterDetailForm(const TOptions& options);
    // Controls go before the tables they show, as forms go before the data module.
    ~TMasterDetailForm() override;

    // Puts the focus on a control and lets the extender follow it.
    void Focus(QWidget* w);
    QWidget* Control(const QString& name) const;

    TTable* Master;
    TTable* Detail;
    TDataSource* SrcMaster;
    TDataSource* SrcDetail;
    TDBEdit* EditName;
    TDBEdit* EditOrt;
    TDBMemo* Memo;
    TDBGrid* Grid;
    QLineEdit* Plain;
    TPanel* Panel;
    TDBExtender* Ext;
};
