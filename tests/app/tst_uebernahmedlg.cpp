// "Datei – Daten übernehmen..." in the running program: the check's summary,
// the question before an existing park is replaced, the kept copy, and the
// main window showing the new park.
#include "AltPark.h"
#include "DBEdit.h"
#include "ParkFixture.h"
#include "Uebernahme.h"
#include "UebernahmeDlg.h"
#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>

class TestUebernahmeDlg : public ParkFixture {
    Q_OBJECT

private slots:
    void init()
    {
        InitPark();
        StoreMachine({{QStringLiteral("IdentNummer"), QStringLiteral("BISHER-1")}});
        Start(false);
    }
    void cleanup() { CleanupPark(); }

    void bestehenderParkNurNachFrage_data()
    {
        QTest::addColumn<int>("antwort");
        QTest::newRow("Nein") << int(mrNo);
        QTest::newRow("Ja") << int(mrYes);
    }
    void bestehenderParkNurNachFrage()
    {
        QFETCH(int, antwort);
        TAltPark alt;
        alt.Schreiben(m_dir->path());
        TDialogRecorder rec;
        rec.Answer({antwort});
        QString bericht;
        QTimer::singleShot(0, this, [&] {
            auto* dlg = qobject_cast<TUebernahmeDlg*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            QVERIFY(!dlg->BtnUebernehmen->isEnabled());
            dlg->EditOrdner->setText(alt.Ordner);
            dlg->BtnPruefen->click();
            bericht = dlg->MemoBericht->toPlainText();
            QVERIFY(dlg->BtnUebernehmen->isEnabled());
            dlg->BtnUebernehmen->click();
            if (dlg->isVisible()) dlg->BtnAbbrechen->click();
        });
        Main()->MenuDatenUebernehmen->trigger();

        QVERIFY(bericht.contains(QString::fromUtf8("KfzStamm.db: 5 Datensätze, davon 3 übernommen")));
        QVERIFY(bericht.contains(QString::fromUtf8("Berichtsvorlagen des alten Programms")));
        QVERIFY(!rec.IsEmpty());
        QCOMPARE(rec.Records().first().Type, mtConfirmation);
        QVERIFY(rec.Records().first().Text.startsWith(QString::fromUtf8("Der Maschinenpark enthält bereits 1 Maschinen.")));
        const QString kopie = m_dir->path() + QStringLiteral("/Daten/Pelmora.sqlite.vor-Import-2026-12-10");
        if (antwort == mrNo) {
            QCOMPARE(rec.Records().size(), 1);
            QCOMPARE(TUebernahme::MaschinenImPark(), 1);
            QVERIFY(!QFileInfo::exists(kopie));
            QCOMPARE(Main()->DBEditKopfIdentNummer->text(), QStringLiteral("BISHER-1"));
            return;
        }
        QCOMPARE(rec.Last().Type, mtInformation);
        QVERIFY(rec.Last().Text.contains(kopie));
        // The copy is a database of its own holding the park as it was.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("kopie"));
            db.setDatabaseName(kopie);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("SELECT \"IdentNummer\" FROM \"KfzStamm\"")));
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toString(), QStringLiteral("BISHER-1"));
            QVERIFY(!q.next());
        }
        QSqlDatabase::removeDatabase(QStringLiteral("kopie"));
        // The window shows the imported park at once.
        QCOMPARE(DM()->TTblMain->RecordCount(), 3);
        QCOMPARE(Main()->DBEditKopfIdentNummer->text(), QStringLiteral("BAG-001"));
        QCOMPARE(DM()->TTblVarKosten->RecordCount(), 2);
        QCOMPARE(DM()->TTblHistorie->RecordCount(), 1);
    }

    void nurLeserechte()
    {
        SetReadOnlyMode(true);
        TDialogRecorder rec;
        Main()->MenuDatenUebernehmen->trigger();
        SetReadOnlyMode(false);
        QCOMPARE(rec.Last().Text, QStringLiteral("Sie haben nur Leserechte!"));
        QCOMPARE(TUebernahme::MaschinenImPark(), 1);
    }
};

QTEST_MAIN(TestUebernahmeDlg)
#include "tst_uebernahmedlg.moc"
