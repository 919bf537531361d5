#include "DBConsts.h"
#include "DBErrors.h"
#include "DataMod.h"
#include "Session.h"
#include "TestBackends.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace DBConsts;

namespace {

const QStringList kStartOrder{"KfzStamm.db", "TerminKz.db", "Termine.DB", "KfzVar.DB", "KfzMonat.DB", "KfzHisto.DB",
                              "Kfzsyspr.DB", "Kfzsyste.DB", "KfzGruppe.db", "HILFE.DB", "KfzStort.db"};

QString str(TDataSet* t, const char* field) { return t->FieldByName(QString::fromUtf8(field))->AsString(); }

void addMachine(TDataModule1& dm, const QString& ident)
{
    dm.TTblMain->Append();
    dm.TTblMain->FieldByName(QStringLiteral("IdentNummer"))->SetAsString(ident);
    dm.TTblMain->Post();
}

void gotoMachine(TDataModule1& dm, const QString& ident)
{
    QVERIFY(dm.TTblMain->FindKey({ident}));
}

void addVoucher(TTable* t, const QDate& date, const QString& nr, const QString& note = {}, const QString& code = {})
{
    t->Append();
    t->FieldByName(QStringLiteral("BelegDatum"))->SetAsDate(date);
    t->FieldByName(QStringLiteral("BelegNummer"))->SetAsString(nr);
    t->FieldByName(QStringLiteral("Bemerkung"))->SetAsString(note);
    t->FieldByName(QStringLiteral("NachschlagDummyFeld"))->SetAsString(code);
    t->Post();
}

} // namespace

class TestDataModule : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void openAndCloseOrder();
    void resetSpareHandles();
    void deliveredRecords();
    void realNamesIgnoreCase();
    void displayFormats_data();
    void displayFormats();

    void detailsFollowMachine();
    void historyByFirstTenCharacters();
    void voucherKeyOrder();
    void voucherCodeLookup();
    void monthEvaluationByPosition();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TBackendScope> m_backend;
    QString m_oldCwd;
};

void TestDataModule::init()
{
    m_oldCwd = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir::setCurrent(m_dir->path());
    QDir().mkpath(QStringLiteral("priv"));
    m_backend = std::make_unique<TBackendScope>(m_dir->path());
}

void TestDataModule::cleanup()
{
    TDataModule1::OnTableSwitched = nullptr;
    m_backend.reset();
    QDir::setCurrent(m_oldCwd);
    m_dir.reset();
}

void TestDataModule::openAndCloseOrder()
{
    QStringList opened, closed;
    TDataModule1::OnTableSwitched = [&](const QString& name, bool on) { (on ? opened : closed) << name; };
    auto dm = std::make_unique<TDataModule1>();
    QCOMPARE(opened, kStartOrder);
    QVERIFY(closed.isEmpty());
    for (TTable* t : dm->StartTables()) QVERIFY(t->Active());
    QVERIFY(!dm->TTblFuhrparkKosten->Active());
    dm.reset();
    QCOMPARE(closed, kStartOrder);
    QCOMPARE(opened, kStartOrder);
}

void TestDataModule::resetSpareHandles()
{
    TDataModule1 dm;
    for (TTable* t : {dm.TTblVar, dm.TTblVar1}) {
        t->SetDatabaseName(QStringLiteral("Pelmora"));
        t->SetTableName(QStringLiteral("KfzVar.DB"));
        t->SetIndexName(QString());
        t->SetMasterSource(dm.TDataSrcMain);
        t->SetMasterFields(QStringLiteral("IdentNummer"));
        t->SetFilter(QStringLiteral("Jahr = 2005"));
        t->SetFiltered(true);
        t->Open();
    }
    dm.ResetSpareHandles();
    for (TTable* t : {dm.TTblVar, dm.TTblVar1}) {
        QVERIFY(!t->Active());
        QVERIFY(t->DatabaseName().isEmpty());
        QVERIFY(t->TableName().isEmpty());
        QVERIFY(t->IndexName().isEmpty());
        QVERIFY(t->IndexFieldNames().isEmpty());
        QVERIFY(!t->MasterSource());
        QVERIFY(t->MasterFields().isEmpty());
        QVERIFY(t->Filter().isEmpty());
        QVERIFY(!t->Filtered());
    }
    // The main table no longer drives the spare handles.
    addMachine(dm, QStringLiteral("M1"));
    QVERIFY(!dm.TTblVar->Active());
}

void TestDataModule::deliveredRecords()
{
    // A second start finds the tables and adds nothing.
    for (int start = 0; start < 2; ++start) {
        TDataModule1 dm;
        QCOMPARE(dm.TTblBetriebsstunden->RecordCount(), 8);
        QCOMPARE(dm.TTblEinstellungenAllgem->RecordCount(), 1);
        QVERIFY(!str(dm.TTblEinstellungenAllgem, "MitHeader").isEmpty());
        QCOMPARE(dm.TTblEinstellungenAllgem->FieldByName(QStringLiteral("TÜVTIntervall"))->AsInteger(), 12);
        QCOMPARE(dm.TTblEinstellungenPriv->RecordCount(), 1);
        QCOMPARE(str(dm.TTblEinstellungenPriv, "Rights"), QStringLiteral("S"));
        QCOMPARE(str(dm.TTblEinstellungenPriv, "Schreibschutz"), QStringLiteral("Falsch"));
        QCOMPARE(dm.TTblHilfe->RecordCount(), 1);
        QVERIFY(str(dm.TTblHilfe, "Hilfe").startsWith(QStringLiteral("Erste Schritte")));
        QVERIFY(dm.TTblMain->IsEmpty());
    }
    // The private settings lie in the private alias.
    QVERIFY(Session().Database(QStringLiteral("PelmoraPriv"))->TableExists(QStringLiteral("kfzsyspr.db")));
    QVERIFY(!Session().Database(QStringLiteral("Pelmora"))->TableExists(QStringLiteral("Kfzsyspr.DB")));
}

void TestDataModule::realNamesIgnoreCase()
{
    TDataModule1 dm;
    QCOMPARE(SchemaOf(QStringLiteral("kfzvar.db")).FileName, QStringLiteral("KfzVar.DB"));
    TTable t;
    t.SetDatabaseName(QStringLiteral("pelmora"));
    t.SetTableName(QStringLiteral("kfzvar.db"));
    t.Open();
    QCOMPARE(t.FieldByName(QStringLiteral("WartungsKosten"))->FieldName(), QStringLiteral("Wartungskosten"));
    QCOMPARE(dm.TTblVarKosten->FieldByName(QStringLiteral("terminkz"))->FieldKind(), fkLookup);
    QCOMPARE(dm.TTblMain->FieldByName(QStringLiteral("tüvtermin"))->FieldName(), QStringLiteral("TÜVTermin"));
}

void TestDataModule::displayFormats_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("label");
    QTest::newRow("voucher costs") << "TTblVarKosten" << "ReparaturKosten" << "1234,50" << "Reparaturkosten";
    QTest::newRow("month sums") << "TTblMonatKosten" << "GesamtKosten" << "1.234,50" << "Gesamt";
    QTest::newRow("money without format") << "TTblMain" << "Anschaffungspreis" << "1.234,50 €" << "Anschaffungspreis";
}

void TestDataModule::displayFormats()
{
    QFETCH(QString, table);
    QFETCH(QString, field);
    QFETCH(QString, display);
    QFETCH(QString, label);
    TDataModule1 dm;
    addMachine(dm, QStringLiteral("M1"));
    auto* t = dm.findChild<TTable*>(table);
    QVERIFY(t);
    if (t != dm.TTblMain) t->Append();
    else t->Edit();
    if (t == dm.TTblMonatKosten) {
        t->FieldByName(QStringLiteral("AuswJahr"))->SetAsString(QStringLiteral("2020"));
        t->FieldByName(QStringLiteral("AuswMonatNum"))->SetAsInteger(1);
        t->FieldByName(QStringLiteral("AuswMonatText"))->SetAsString(MonthNames().first());
    }
    t->FieldByName(field)->SetAsFloat(1234.5);
    t->Post();
    QCOMPARE(t->FieldByName(field)->DisplayText(), display);
    QCOMPARE(t->FieldByName(field)->DisplayLabel(), label);
}

// ------------------------------------------------------------ master and details

void TestDataModule::detailsFollowMachine()
{
    TDataModule1 dm;
    addMachine(dm, QStringLiteral("M1"));
    addVoucher(dm.TTblVarKosten, QDate(2020, 1, 5), QStringLiteral("1"));
    QCOMPARE(str(dm.TTblVarKosten, "IdentNummer"), QStringLiteral("M1"));
    addMachine(dm, QStringLiteral("M2"));
    QVERIFY(dm.TTblVarKosten->IsEmpty());
    addVoucher(dm.TTblVarKosten, QDate(2020, 1, 6), QStringLiteral("2"));
    addVoucher(dm.TTblVarKosten, QDate(2020, 1, 7), QStringLiteral("3"));
    QCOMPARE(str(dm.TTblVarKosten, "IdentNummer"), QStringLiteral("M2"));

    dm.TTblMain->First();
    QCOMPARE(str(dm.TTblMain, "IdentNummer"), QStringLiteral("M1"));
    QCOMPARE(dm.TTblVarKosten->RecordCount(), 1);
    QCOMPARE(str(dm.TTblVarKosten, "BelegNummer"), QStringLiteral("1"));
    dm.TTblMain->Next();
    QCOMPARE(dm.TTblVarKosten->RecordCount(), 2);
    QCOMPARE(dm.TTblVarKosten->RecNo(), 1);
    QCOMPARE(str(dm.TTblVarKosten, "BelegNummer"), QStringLiteral("2"));

    // The month evaluations follow the same machine.
    dm.TTblMonatKosten->Append();
    dm.TTblMonatKosten->FieldByName(QStringLiteral("AuswJahr"))->SetAsString(QStringLiteral("2020"));
    dm.TTblMonatKosten->Post();
    QCOMPARE(str(dm.TTblMonatKosten, "IdentNummer"), QStringLiteral("M2"));
    dm.TTblMain->First();
    QVERIFY(dm.TTblMonatKosten->IsEmpty());
}

void TestDataModule::historyByFirstTenCharacters()
{
    TDataModule1 dm;
    addMachine(dm, QStringLiteral("ABCDEFGHIJ-1"));
    addMachine(dm, QStringLiteral("ABCDEFGHIJ-2"));
    addMachine(dm, QStringLiteral("ABCDEFGHIK"));
    gotoMachine(dm, QStringLiteral("ABCDEFGHIJ-1"));

    TTable* h = dm.TTblHistorie;
    QVERIFY(h->IsEmpty());
    h->Append();
    QCOMPARE(str(h, "KfzNr"), QStringLiteral("ABCDEFGHIJ"));
    h->FieldByName(QStringLiteral("Datum"))->SetAsDate(QDate(2021, 4, 1));
    h->FieldByName(QStringLiteral("Info"))->SetAsString(QStringLiteral("Motor getauscht"));
    h->Post();
    QCOMPARE(str(h, "KfzNr"), QStringLiteral("ABCDEFGHIJ"));
    QCOMPARE(h->RecordCount(), 1);

    gotoMachine(dm, QStringLiteral("ABCDEFGHIJ-2"));
    QCOMPARE(h->RecordCount(), 1);
    QCOMPARE(str(h, "Info"), QStringLiteral("Motor getauscht"));
    gotoMachine(dm, QStringLiteral("ABCDEFGHIK"));
    QVERIFY(h->IsEmpty());
    // Vouchers are kept by the whole number.
    gotoMachine(dm, QStringLiteral("ABCDEFGHIJ-1"));
    addVoucher(dm.TTblVarKosten, QDate(2021, 4, 1), QStringLiteral("1"));
    gotoMachine(dm, QStringLiteral("ABCDEFGHIJ-2"));
    QVERIFY(dm.TTblVarKosten->IsEmpty());
}

void TestDataModule::voucherKeyOrder()
{
    TDataModule1 dm;
    addMachine(dm, QStringLiteral("M1"));
    TTable* v = dm.TTblVarKosten;
    addVoucher(v, QDate(2020, 3, 1), QStringLiteral("30"), QStringLiteral("erst"));
    addVoucher(v, QDate(2020, 5, 5), QStringLiteral("50"), QStringLiteral("a"));
    addVoucher(v, QDate(2020, 1, 1), QStringLiteral("10"));
    addVoucher(v, QDate(2020, 3, 1), QStringLiteral("31"), QStringLiteral("dann"));
    addVoucher(v, QDate(2020, 5, 5), QStringLiteral("50"), QStringLiteral("b"));   // same date and number
    addVoucher(v, QDate(2019, 12, 31), QStringLiteral("9"));
    QCOMPARE(v->RecordCount(), 6);

    QStringList order;
    for (v->First(); !v->Eof(); v->Next()) order << str(v, "BelegNummer") + u'/' + str(v, "Bemerkung");
    QCOMPARE(order, (QStringList{"9/", "10/", "30/erst", "31/dann", "50/a", "50/b"}));
    v->Last();
    QCOMPARE(v->FieldByName(QStringLiteral("BelegDatum"))->AsDate(), QDate(2020, 5, 5));
    QCOMPARE(str(v, "Bemerkung"), QStringLiteral("b"));
}

void TestDataModule::voucherCodeLookup()
{
    TDataModule1 dm;
    addMachine(dm, QStringLiteral("M1"));
    TTable* v = dm.TTblVarKosten;
    addVoucher(v, QDate(2020, 1, 1), QStringLiteral("1"), {}, QStringLiteral("TUV"));
    QCOMPARE(str(v, "TerminKz"), QStringLiteral("TUV"));
    addVoucher(v, QDate(2020, 1, 2), QStringLiteral("2"), {}, QStringLiteral("XYZ"));
    QCOMPARE(str(v, "NachschlagDummyFeld"), QStringLiteral("XYZ"));
    QVERIFY(v->FieldByName(QStringLiteral("TerminKz"))->IsNull());
    QCOMPARE(v->FieldByName(QStringLiteral("TerminKz"))->DisplayText(), QString());

    // Choosing a code through the lookup field fills the stored one.
    v->Edit();
    v->FieldByName(QStringLiteral("TerminKz"))->SetAsString(QStringLiteral("UVV"));
    QCOMPARE(str(v, "NachschlagDummyFeld"), QStringLiteral("UVV"));
    v->Post();
    QCOMPARE(str(v, "TerminKz"), QStringLiteral("UVV"));
}

void TestDataModule::monthEvaluationByPosition()
{
    TDataModule1 dm;
    addMachine(dm, QStringLiteral("M1"));
    TTable* m = dm.TTblMonatKosten;
    const QVariantList march{"M1", "2020", 3, MonthNames().at(2), 100.0, 60.0, 40.0};
    m->InsertRecord(march);
    QCOMPARE(m->RecordCount(), 1);
    QCOMPARE(str(m, "AuswMonatText"), QStringLiteral("März"));
    QCOMPARE(m->FieldByName(QStringLiteral("AuswMonatNum"))->AsInteger(), 3);
    QCOMPARE(m->FieldByName(QStringLiteral("Reifenkosten"))->AsFloat(), 40.0);

    QString message;
    try {
        m->InsertRecord(march);
    } catch (const EDBEngineError& e) {
        message = e.Message();
    }
    QCOMPARE(message, SKeyViol);
    QCOMPARE(m->State(), dsInsert);
    m->Cancel();
    QCOMPARE(m->RecordCount(), 1);

    // Another month or year of the same machine is a new evaluation.
    m->InsertRecord({"M1", "2020", 4, MonthNames().at(3), 10.0});
    m->InsertRecord({"M1", "2021", 3, MonthNames().at(2), 10.0});
    QCOMPARE(m->RecordCount(), 3);
}

TARVOS_BACKEND_MAIN(TestDataModule)
#include "tst_datamod.moc"
