#include "TestTables.h"
#include "DBEdit.h"
#include "DBGrid.h"
#include "DBMemo.h"
#include "Dbextend.h"
#include "Panel.h"
#include "Table.h"
#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>

void CreateTestTable(const QString& file, std::vector<TFieldDef> fields, std::vector<TIndexDef> indexes)
{
    TTable t;
    t.SetDatabaseName(QStringLiteral("Pelmora"));
    t.SetTableName(file);
    t.DefsForCreate() = std::move(fields);
    t.IndexDefsForCreate() = std::move(indexes);
    t.CreateTable();
}

void OpenTestTable(TTable& t, const QString& file)
{
    t.SetDatabaseName(QStringLiteral("Pelmora"));
    t.SetTableName(file);
    t.Open();
}

void CreateMasterDetailTables(const QList<TMasterRow>& masters, const QList<int>& detailsOf)
{
    CreateTestTable(QStringLiteral("Master.DB"),
                    {{"Nr", ftInteger, 0, true}, {"Name", ftString, 20}, {"Ort", ftString, 20}, {"Notiz", ftMemo, 240}},
                    {{QString(), "Nr", ixPrimary | ixUnique}, {"ByName", "Name", 0}, {"ByOrtName", "Ort;Name", 0}});
    CreateTestTable(QStringLiteral("Detail.DB"),
                    {{"Nr", ftInteger, 0, true}, {"Pos", ftInteger, 0, true}, {"Text", ftString, 20}},
                    {{QString(), "Nr;Pos", ixPrimary | ixUnique}});
    TTable m;
    OpenTestTable(m, QStringLiteral("Master.DB"));
    for (const TMasterRow& r : masters) {
        m.Append();
        m.FieldByName("Nr")->SetAsInteger(r.Nr);
        m.FieldByName("Name")->SetAsString(QString::fromUtf8(r.Name));
        if (*r.Ort) m.FieldByName("Ort")->SetAsString(QString::fromUtf8(r.Ort));
        m.Post();
    }
    TTable d;
    OpenTestTable(d, QStringLiteral("Detail.DB"));
    for (int nr : detailsOf)
        for (int pos = 1; pos <= 3; ++pos)
            d.AppendRecord({nr, pos, QStringLiteral("Teil %1.%2").arg(nr).arg(pos)});
}

int NrOf(TDataSet* ds)
{
    return int(ds->FieldByName("Nr")->AsInteger());
}

void GotoNr(TDataSet* ds, int nr)
{
    ds->First();
    while (!ds->Eof() && NrOf(ds) != nr) ds->Next();
}

TMasterDetailForm::TMasterDetailForm(const TOptions& options)
{
    setObjectName(QStringLiteral("TestForm"));
    resize(400, 500);
    Master = new TTable(this);
    Master->setObjectName(QStringLiteral("TTblMaster"));
    Master->SetDatabaseName(QStringLiteral("Pelmora"));
    Master->SetTableName(options.MasterFile);
    Master->SetReadOnly(options.ReadOnlyMaster);
    SrcMaster = new TDataSource(this);
    SrcMaster->SetDataSet(Master);
    Detail = new TTable(this);
    Detail->setObjectName(QStringLiteral("TTblDetail"));
    Detail->SetDatabaseName(QStringLiteral("Pelmora"));
    Detail->SetTableName(options.DetailFile);
    Detail->SetIndexFieldNames(QStringLiteral("Nr"));
    Detail->SetMasterSource(SrcMaster);
    Detail->SetMasterFields(QStringLiteral("Nr"));
    SrcDetail = new TDataSource(this);
    SrcDetail->SetDataSet(Detail);

    auto* lay = new QVBoxLayout(this);
    auto edit = [&](const char* name, const char* field) {
        auto* e = new TDBEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->SetDataSource(SrcMaster);
        e->SetDataField(QString::fromLatin1(field));
        lay->addWidget(e);
        return e;
    };
    EditName = edit("EditName", "Name");
    EditOrt = edit("EditOrt", "Ort");
    Memo = new TDBMemo(this);
    Memo->setObjectName(QStringLiteral("MemoNotiz"));
    Memo->SetDataSource(SrcMaster);
    Memo->SetDataField(QStringLiteral("Notiz"));
    lay->addWidget(Memo);
    Grid = new TDBGrid(this);
    Grid->setObjectName(options.GridName);
    Grid->SetDataSource(SrcDetail);
    lay->addWidget(Grid);
    Plain = new QLineEdit(this);
    Plain->setObjectName(QStringLiteral("EditFrei"));
    lay->addWidget(Plain);
    Panel = new TPanel(this);
    Panel->setObjectName(QStringLiteral("PnlMeldung"));
    lay->addWidget(Panel);
    Master->Open();
    Detail->Open();
    Ext = new TDBExtender(this);
    Ext->SetMessagePanel(Panel);
    Ext->ErrorBeep = false;
}

TMasterDetailForm::~TMasterDetailForm()
{
    delete Ext;
    qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
}

void TMasterDetailForm::Focus(QWidget* w)
{
    w->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    Ext->CheckPoss();
}

QWidget* TMasterDetailForm::Control(const QString& name) const
{
    return findChild<QWidget*>(name);
}
