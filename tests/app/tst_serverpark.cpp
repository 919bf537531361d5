// The running program with its shared park on a database server: the
// rights the server grants, moving a park onto a server and back into a
// file, the import that needs a park in a folder.
#include "DBEdit.h"
#include "Panel.h"
#include "ParkFixture.h"
#include "Session.h"
#include "TestBackends.h"
#include "Uebernahme.h"
#include "UebertragungDlg.h"
#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSpinBox>
#include <QTimer>

namespace {

// The machines of a park as "number name, …", read through its own alias.
QString MachinesOf(const QString& alias)
{
    TTable t;
    t.SetDatabaseName(alias);
    t.SetTableName(QStringLiteral("KfzStamm.db"));
    t.Open();
    QStringList out;
    for (t.First(); !t.Eof(); t.Next())
        out << t.FieldByName(QStringLiteral("IdentNummer"))->AsString() + u' '
                   + t.FieldByName(QStringLiteral("Bezeichnung1"))->AsString();
    return out.join(QStringLiteral(", "));
}

// The same from a backup file, opened as any SQLite tool would.
QString MachinesInFile(const QString& file)
{
    QStringList out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("sicherung"));
        db.setDatabaseName(file);
        QSqlQuery q(db);
        if (db.open() && q.exec(QStringLiteral("SELECT \"IdentNummer\", \"Bezeichnung1\" FROM \"KfzStamm\" "
                                               "ORDER BY \"IdentNummer\"")))
            while (q.next()) out << q.value(0).toString() + u' ' + q.value(1).toString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("sicherung"));
    return out.join(QStringLiteral(", "));
}

}   // namespace

class TestServerPark : public ParkFixture {
    Q_OBJECT

private slots:
    void init()
    {
        if (CurrentBackend() != TTestBackend::PostgreSQL) QSKIP("Nur mit einem Datenbankserver.");
        InitPark();
    }
    void cleanup()
    {
        if (!m_dir) return;
        CleanupPark();
        m_backend.reset();
        if (!m_database.isEmpty())
            ServerSql(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_database));
        m_database.clear();
    }

    void rightsFromTheServer_data()
    {
        QTest::addColumn<QString>("grants");
        QTest::addColumn<QString>("afterF9");
        QTest::addColumn<QString>("message");
        // The user's own settings say "read and write, start editing" in both.
        QTest::newRow("nur SELECT") << "SELECT" << "Lesen" << "Sie haben nur Leserechte!";
        QTest::newRow("lesen und schreiben") << "SELECT, INSERT, UPDATE, DELETE" << QString::fromUtf8("Ändern")
                                             << QString();
    }
    void rightsFromTheServer()
    {
        QFETCH(QString, grants);
        QFETCH(QString, afterF9);
        QFETCH(QString, message);
        ServerPark();
        StoreMachine({{QStringLiteral("IdentNummer"), QStringLiteral("M-1")},
                      {QStringLiteral("Bezeichnung1"), QStringLiteral("Bagger")}});
        WriteOwnSettings(QStringLiteral("S"), true);
        Session().CloseDatabases();
        UseServerRole(QStringLiteral("Pelmora"), QStringLiteral("benutzer"), grants);

        TDialogRecorder rec;
        StartAsIs();
        QCOMPARE(Main()->DBEditKopfIdentNummer->text(), QStringLiteral("M-1"));
        // A role that may write starts as the user's settings say.
        const bool writer = message.isEmpty();
        QCOMPARE(Main()->TPaGlobalEdit->Caption(), writer ? QString::fromUtf8("Ändern") : QStringLiteral("Lesen"));
        QVERIFY(rec.IsEmpty());
        if (writer) Main()->TDBENavMain->BtnClick(nbGlobalEdit);
        Main()->EditBezeichnung1->setFocus();
        QTest::keyClick(Main()->EditBezeichnung1, Qt::Key_F9);
        QCOMPARE(Main()->TPaGlobalEdit->Caption(), afterF9);
        QCOMPARE(rec.Last().Text, message);
        QCOMPARE(Main()->EditBezeichnung1->ReadOnly(), !writer);
    }

    void renameOnTheServer_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("vouchersOf");   // the number the vouchers and history are stored under
        QTest::newRow("neue Nummer") << "BAG-0002" << "BAG-0002";
        QTest::newRow("vergebene Nummer") << "M-2" << "M-1";
    }
    void renameOnTheServer()
    {
        QFETCH(QString, number);
        QFETCH(QString, vouchersOf);
        ServerPark();
        StoreMachine({{QStringLiteral("IdentNummer"), QStringLiteral("M-1")}});
        StoreMachine({{QStringLiteral("IdentNummer"), QStringLiteral("M-2")}});
        StoreCost(QStringLiteral("M-1"), QDate(2026, 11, 3), 120.5);
        StoreCost(QStringLiteral("M-1"), QDate(2026, 11, 4), 80);
        StoreRecord(QStringLiteral("KfzMonat.DB"), {{"IdentNummer", "M-1"}, {"AuswJahr", "2026"},
                                                    {"AuswMonatNum", "11"}, {"AuswMonatText", "November"}});
        StoreRecord(QStringLiteral("KfzHisto.DB"), {{"KfzNr", "M-1"}, {"Datum", "05.11.2026"}, {"Info", "Reifen"}});
        Start();
        TDialogRecorder rec;
        QVERIFY(DM()->TTblMain->FindKey({QStringLiteral("M-1")}));
        Main()->EditIdentNr->setFocus();
        Main()->EditIdentNr->selectAll();
        QTest::keyClick(Main()->EditIdentNr, Qt::Key_Delete);
        QTest::keyClicks(Main()->EditIdentNr, number);
        Main()->TDBENavMain->BtnClick(nbPost);
        if (number != vouchersOf) Main()->TDBENavMain->BtnClick(nbCancel);
        QCOMPARE(rec.Records().size(), number == vouchersOf ? 0 : 1);

        // What other users read from the server.
        auto countOf = [](const char* table, const char* field, const QString& value) {
            TTable t;
            t.SetDatabaseName(QStringLiteral("Pelmora"));
            t.SetTableName(QString::fromLatin1(table));
            t.Open();
            int n = 0;
            for (t.First(); !t.Eof(); t.Next()) n += t.FieldByName(QString::fromLatin1(field))->AsString() == value;
            return n;
        };
        QCOMPARE(countOf("KfzVar.DB", "IdentNummer", vouchersOf), 2);
        QCOMPARE(countOf("KfzMonat.DB", "IdentNummer", vouchersOf), 1);
        QCOMPARE(countOf("KfzHisto.DB", "KfzNr", vouchersOf), 1);
        QCOMPARE(DM()->TTblVarKosten->RecordCount(), 2);
    }

    void parkOntoTheServer()
    {
        StoreMachine({{QStringLiteral("IdentNummer"), QStringLiteral("M-1")},
                      {QStringLiteral("Bezeichnung1"), QStringLiteral("Bagger")}});
        StoreMachine({{QStringLiteral("IdentNummer"), QStringLiteral("M-2")},
                      {QStringLiteral("Bezeichnung1"), QString::fromUtf8("Rüttler")}});
        StoreCost(QStringLiteral("M-1"), QDate(2026, 11, 3), 120.5);
        Start(false);
        const TServerAlias server = EmptyServerDatabase();
        TDialogRecorder rec;
        rec.Answer({mrYes, mrOk});
        QString vorher, nachher;
        QTimer::singleShot(0, this, [&] {
            auto* dlg = qobject_cast<TUebertragungDlg*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            QVERIFY(dlg->ZumServer());
            vorher = dlg->MemoAnzahlen->toPlainText();
            dlg->EditServer->setText(server.Host);
            dlg->EditPort->setValue(server.Port);
            dlg->EditDatenbank->setText(server.Database);
            dlg->EditBenutzer->setText(server.User);
            dlg->BtnUebertragen->click();
            nachher = dlg->MemoAnzahlen->toPlainText();
            QCOMPARE(dlg->ProgressBar->value(), 1000);
            dlg->BtnAbbrechen->click();
        });
        Main()->MenuDatenAufServer->trigger();

        QVERIFY2(vorher.contains(QRegularExpression(QStringLiteral("KfzStamm +2\\n"))), qPrintable(vorher));
        QVERIFY2(nachher.contains(QRegularExpression(QStringLiteral("KfzStamm +2 +2\\n"))), qPrintable(nachher));
        QVERIFY2(nachher.contains(QRegularExpression(QStringLiteral("KfzVar +1 +1\\n"))), qPrintable(nachher));
        QVERIFY(nachher.endsWith(QString::fromUtf8("Alle Datensätze wurden übertragen.")));
        QCOMPARE(rec.Records().size(), 2);
        QCOMPARE(rec.Records().first().Type, mtConfirmation);
        QVERIFY(rec.Records().first().Text.contains(QStringLiteral("aliases.ini")));

        // This workstation takes the server at its next start; the running
        // program stays with its file, and the server holds the same park.
        QSettings ini(QStringLiteral("aliases.ini"), QSettings::IniFormat);
        QCOMPARE(ini.value(QStringLiteral("Pelmora/Server")).toString(), server.Host);
        QCOMPARE(ini.value(QStringLiteral("Pelmora/Database")).toString(), server.Database);
        QVERIFY(!Session().IsServerAlias(QStringLiteral("Pelmora")));
        Session().SetAliasServer(QStringLiteral("Ziel"), server);
        QCOMPARE(MachinesOf(QStringLiteral("Ziel")), QString::fromUtf8("M-1 Bagger, M-2 Rüttler"));
        QCOMPARE(MachinesOf(QStringLiteral("Pelmora")), MachinesOf(QStringLiteral("Ziel")));
    }

    void serverParkIntoAFile()
    {
        ServerPark();
        StoreMachine({{QStringLiteral("IdentNummer"), QStringLiteral("S-7")},
                      {QStringLiteral("Bezeichnung1"), QStringLiteral("Kran")}});
        Start(false);
        const QString ordner = m_dir->filePath(QStringLiteral("Sicherung"));
        TDialogRecorder rec;
        QTimer::singleShot(0, this, [&] {
            auto* dlg = qobject_cast<TUebertragungDlg*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            QVERIFY(!dlg->ZumServer());
            dlg->EditOrdner->setText(ordner);
            dlg->BtnUebertragen->click();
            dlg->BtnAbbrechen->click();
        });
        Main()->MenuDatenAufServer->trigger();
        QCOMPARE(rec.Last().Type, mtInformation);
        const QString datei = ordner + QStringLiteral("/Pelmora.sqlite");
        QVERIFY(rec.Last().Text.contains(datei));
        QCOMPARE(MachinesInFile(datei), QStringLiteral("S-7 Kran"));

        // A second backup into the same folder is refused; the first stays.
        rec.Clear();
        QTimer::singleShot(0, this, [&] {
            auto* dlg = qobject_cast<TUebertragungDlg*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            dlg->EditOrdner->setText(ordner);
            dlg->BtnUebertragen->click();
            dlg->BtnAbbrechen->click();
        });
        Main()->MenuDatenAufServer->trigger();
        QVERIFY2(rec.Last().Text.contains(QString::fromUtf8("enthält schon Tabellen")), qPrintable(rec.Last().Text));
        QCOMPARE(MachinesInFile(datei), QStringLiteral("S-7 Kran"));
    }

    void importNeedsAFolder()
    {
        ServerPark();
        Start(false);
        TDialogRecorder rec;
        Main()->MenuDatenUebernehmen->trigger();
        QCOMPARE(rec.Last().Text, TUebernahme::ZielHindernis());
        QVERIFY(rec.Last().Text.startsWith(QStringLiteral("Der gemeinsame Park liegt auf einem Datenbankserver.")));
        QVERIFY(!QApplication::activeModalWidget());
    }

private:
    // The shared alias on a fresh schema of the test server, the private
    // one in the park's folder.
    void ServerPark()
    {
        m_backend = std::make_unique<TBackendScope>(m_dir->path());
        Session().SetAliasPath(QStringLiteral("PelmoraPriv"), m_dir->filePath(QStringLiteral("Privat")));
    }
    // A database of its own on the test server, empty.
    TServerAlias EmptyServerDatabase()
    {
        m_database = QStringLiteral("tarvos_ziel_%1").arg(QCoreApplication::applicationPid());
        ServerSql(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_database));
        QString error;
        if (!ServerSql(QStringLiteral("CREATE DATABASE %1").arg(m_database), &error)) qFatal("%s", qPrintable(error));
        TServerAlias s = TestServerAlias();
        s.Database = m_database;
        s.Options.clear();
        return s;
    }
    std::unique_ptr<TBackendScope> m_backend;
    QString m_database;
};

TARVOS_BACKEND_APP_MAIN(TestServerPark, TApplication)
#include "tst_serverpark.moc"
