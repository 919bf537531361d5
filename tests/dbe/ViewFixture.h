#pragma once
// A machine table with every kind of field the views show (text, truth
// value, number with a display format, date, memo, a group by lookup),
// its vouchers as details, and a data form with an extender over both.
#include "DBEdit.h"
#include "DBGrid.h"
#include "DataSet.h"
#include "Dbextend.h"
#include "Panel.h"
#include "Session.h"
#include "Table.h"
#include <QApplication>
#include <QDate>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>
#include <memory>

struct TMachRow {
    int Nr;
    const char* Name;
    int Aktiv;          // -1 blank
    const char* Gruppe; // key into the groups
    double Preis;
    QDate Kauf;
    const char* Notiz;
};

// Key order = entry order; names with umlauts, a semicolon and quotes.
inline const TMachRow kMachines[] = {
    {1, "Bagger Müller", 1, "BA", 1234.5, QDate(2020, 3, 1), "Kettenbagger"},
    {2, "Rüttelplatte \"Typ 3\"; groß", 0, "VE", 0.25, QDate(2019, 12, 31), "Zeile 1\nZeile 2"},
    {3, "Kran", -1, "", -17, QDate(), ""},
    {4, "Walze Öhler", 1, "VE", 99999.99, QDate(2021, 7, 14), ""},
    {5, "Anhänger", 0, "BA", 12, QDate(2018, 1, 2), ""},
};

inline void CreateViewTables()
{
    auto create = [](const char* file, std::vector<TFieldDef> fields, std::vector<TIndexDef> indexes) {
        TTable t;
        t.SetDatabaseName(QStringLiteral("Pelmora"));
        t.SetTableName(QString::fromLatin1(file));
        t.DefsForCreate() = std::move(fields);
        t.IndexDefsForCreate() = std::move(indexes);
        t.CreateTable();
    };
    create("Masch.DB",
           {{"Nr", ftInteger, 0, true}, {"Name", ftString, 30}, {"Aktiv", ftBoolean, 0}, {"GruppeKz", ftString, 2},
            {"Preis", ftFloat, 0}, {"Kauf", ftDate, 0}, {"Notiz", ftMemo, 240}},
           {{QString(), "Nr", ixPrimary | ixUnique}, {"ByName", "Name", 0}});
    create("Gruppen.DB", {{"Kz", ftString, 2, true}, {"Text", ftString, 20}}, {{QString(), "Kz", ixPrimary | ixUnique}});
    create("Belege.DB", {{"Nr", ftInteger, 0, true}, {"Pos", ftInteger, 0, true}, {"Betrag", ftFloat, 0}},
           {{QString(), "Nr;Pos", ixPrimary | ixUnique}});
    TTable g;
    g.SetDatabaseName(QStringLiteral("Pelmora"));
    g.SetTableName(QStringLiteral("Gruppen.DB"));
    g.Open();
    g.AppendRecord({QStringLiteral("BA"), QStringLiteral("Bagger")});
    g.AppendRecord({QStringLiteral("VE"), QStringLiteral("Verdichter")});
    TTable m;
    m.SetDatabaseName(QStringLiteral("Pelmora"));
    m.SetTableName(QStringLiteral("Masch.DB"));
    m.Open();
    for (const TMachRow& r : kMachines) {
        m.Append();
        m.FieldByName("Nr")->SetAsInteger(r.Nr);
        m.FieldByName("Name")->SetAsString(QString::fromUtf8(r.Name));
        if (r.Aktiv >= 0) m.FieldByName("Aktiv")->SetAsBoolean(r.Aktiv);
        if (*r.Gruppe) m.FieldByName("GruppeKz")->SetAsString(QString::fromLatin1(r.Gruppe));
        m.FieldByName("Preis")->SetAsFloat(r.Preis);
        if (r.Kauf.isValid()) m.FieldByName("Kauf")->SetAsDate(r.Kauf);
        if (*r.Notiz) m.FieldByName("Notiz")->SetAsString(QString::fromUtf8(r.Notiz));
        m.Post();
    }
    TTable b;
    b.SetDatabaseName(QStringLiteral("Pelmora"));
    b.SetTableName(QStringLiteral("Belege.DB"));
    b.Open();
    for (int nr : {1, 2})
        for (int pos = 1; pos <= 3; ++pos) b.AppendRecord({nr, pos, nr * 100.0 + pos});
}

// Another user changes the table behind the program's back.
inline void ChangeElsewhere(const QString& sql)
{
    const QString conn = QStringLiteral("other-user");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(Session().Database(QStringLiteral("Pelmora"))->FileName());
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY2(q.exec(sql), qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(conn);
}

inline int NrOf(TDataSet* ds) { return int(ds->FieldByName("Nr")->AsInteger()); }

inline void GotoNr(TDataSet* ds, int nr)
{
    ds->First();
    while (!ds->Eof() && NrOf(ds) != nr) ds->Next();
}

inline bool ShowActiveWindow(QWidget* w)
{
    w->show();
    w->activateWindow();
    QApplication::setActiveWindow(w);
    return QTest::qWaitForWindowActive(w);
}

// The data form: machines in an edit, their vouchers in a grid.
class TViewForm : public QWidget {
public:
    TViewForm()
    {
        setObjectName(QStringLiteral("ViewForm"));
        Gruppen = OpenTable("Gruppen.DB");
        Masch = new TTable(this);
        Masch->setObjectName(QStringLiteral("TTblMasch"));
        Masch->SetDatabaseName(QStringLiteral("Pelmora"));
        Masch->SetTableName(QStringLiteral("Masch.DB"));
        std::vector<TFieldDesc> decl;
        auto d = [&](const char* name, const char* label, const char* format = "") {
            TFieldDesc f;
            f.FieldName = QString::fromLatin1(name);
            f.DisplayLabel = QString::fromUtf8(label);
            f.DisplayFormat = QString::fromLatin1(format);
            decl.push_back(f);
        };
        d("Nr", "Nummer");
        d("Name", "Name");
        d("Aktiv", "Aktiv");
        d("GruppeKz", "Gruppen-Kz");
        TFieldDesc lookup;
        lookup.FieldName = QStringLiteral("Gruppe");
        lookup.FieldKind = fkLookup;
        lookup.DataType = ftString;
        lookup.Size = 20;
        lookup.KeyFields = QStringLiteral("GruppeKz");
        lookup.LookupDataSet = Gruppen;
        lookup.LookupKeyFields = QStringLiteral("Kz");
        lookup.LookupResultField = QStringLiteral("Text");
        decl.push_back(lookup);
        d("Preis", "Preis €", "#,##0.00");
        d("Kauf", "Kaufdatum");
        d("Notiz", "Notiz");
        Masch->DeclareFields(decl);
        SrcMasch = new TDataSource(this);
        SrcMasch->SetDataSet(Masch);
        Belege = new TTable(this);
        Belege->setObjectName(QStringLiteral("TTblBelege"));
        Belege->SetDatabaseName(QStringLiteral("Pelmora"));
        Belege->SetTableName(QStringLiteral("Belege.DB"));
        Belege->SetIndexFieldNames(QStringLiteral("Nr"));
        Belege->SetMasterSource(SrcMasch);
        Belege->SetMasterFields(QStringLiteral("Nr"));
        SrcBelege = new TDataSource(this);
        SrcBelege->SetDataSet(Belege);

        auto* lay = new QVBoxLayout(this);
        EditName = new TDBEdit(this);
        EditName->setObjectName(QStringLiteral("EditName"));
        EditName->SetDataSource(SrcMasch);
        EditName->SetDataField(QStringLiteral("Name"));
        Grid = new TDBGrid(this);
        Grid->setObjectName(QStringLiteral("GridBelege"));
        Grid->SetDataSource(SrcBelege);
        Panel = new TPanel(this);
        Panel->setObjectName(QStringLiteral("PnlMeldung"));
        lay->addWidget(EditName);
        lay->addWidget(Grid);
        lay->addWidget(Panel);
        Masch->Open();
        Belege->Open();
        Ext = new TDBExtender(this);
        Ext->SetMessagePanel(Panel);
        Ext->ErrorBeep = false;
    }
    ~TViewForm() override
    {
        // Views and controls go before the tables they show.
        delete Ext;
        qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
    }

    void Focus(QWidget* w)
    {
        w->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        Ext->CheckPoss();
    }

    TTable* Masch;
    TTable* Gruppen;
    TTable* Belege;
    TDataSource* SrcMasch;
    TDataSource* SrcBelege;
    TDBEdit* EditName;
    TDBGrid* Grid;
    TPanel* Panel;
    TDBExtender* Ext;

private:
    TTable* OpenTable(const char* file)
    {
        auto* t = new TTable(this);
        t->SetDatabaseName(QStringLiteral("Pelmora"));
        t->SetTableName(QString::fromLatin1(file));
        t->Open();
        return t;
    }
};

// Fresh databases and the form, per test.
class TViewFixture {
public:
    TViewFixture()
    {
        Session().Reset();
        Session().SetAliasPath(QStringLiteral("Pelmora"), m_shared.path());
        Session().SetAliasPath(QStringLiteral("PelmoraPriv"), m_priv.path());
        CreateViewTables();
        Form = std::make_unique<TViewForm>();
    }
    ~TViewFixture()
    {
        Form.reset();
        Session().Reset();
    }
    TViewForm& F() { return *Form; }
    std::unique_ptr<TViewForm> Form;

private:
    QTemporaryDir m_shared, m_priv;
};
