// The views in the main window: F7 on the machines opens the table view
// with the window's own buttons, moving in it moves the window, OK goes
// back; the menu opens the single-record view of a page's table, without
// the hidden fields and read-only while the window is reading.
#include "DBComboBox.h"
#include "DBESRec.h"
#include "DBEdit.h"
#include "DBGrid.h"
#include "Dbetview.h"
#include "ParkFixture.h"
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

class TestViews : public ParkFixture {
    Q_OBJECT

    QString Ident() { return Machine("IdentNummer"); }

private slots:
    void init()
    {
        InitPark();
        StoreMachine({{"IdentNummer", "BAG-001"}, {"Bezeichnung1", "Kettenbagger"}});
        StoreMachine({{"IdentNummer", "BAG-002"}, {"Bezeichnung1", "Mobilbagger"}});
        StoreMachine({{"IdentNummer", "KRA-001"}, {"Bezeichnung1", "Autokran"}});
        StoreCost(QStringLiteral("BAG-001"), QDate(2026, 11, 3), 120.5);
        StoreCost(QStringLiteral("BAG-001"), QDate(2026, 11, 20), 80);
    }
    void cleanup() { CleanupPark(); }

    void f7ShowsTheMachinesLive()
    {
        Start(false);
        Main()->EditIdentNr->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        QTest::keyClick(Main()->EditIdentNr, Qt::Key_F7);
        auto* v = Main()->findChild<TTableViewForm*>();
        QVERIFY(v);
        QVERIFY(v->Synchronous());
        QCOMPARE(v->windowTitle(), QStringLiteral("Tabellenansicht [Stammdaten]"));
        QCOMPARE(v->Nav->VisBtnsSearch(), (TSrchNavBtns{snbSearch, snbSearchInc, snbSearchNext, snbSetBookmark,
                                                         snbGotoBookmark, snbActiveFilter}));
        QCOMPARE(v->Nav->VisBtnsMove(), (TMoveNavBtns{mnbFirst, mnbPrior, mnbNext, mnbLast}));
        QCOMPARE(v->Nav->VisBtnsExtend(), (TExtNavBtns{enbMemoView}));
        QVERIFY(v->Nav->VisBtnsRecord().IsEmpty());
        QVERIFY(v->TblGrid->ReadOnly());
        QCOMPARE(v->TblGrid->model()->rowCount(), 3);
        QCOMPARE(v->TblGrid->SelectedField()->FieldName(), QStringLiteral("IdentNummer"));
        v->TblGrid->setCurrentIndex(v->TblGrid->model()->index(2, 0));
        QCOMPARE(Main()->EditIdentNr->text(), QStringLiteral("KRA-001"));
        v->OKBtn->click();
        QTRY_VERIFY(!Main()->findChild<TTableViewForm*>());
        QCOMPARE(Ident(), QStringLiteral("KRA-001"));
    }

    void singleRecViewOfTheVouchers_data()
    {
        QTest::addColumn<bool>("editing");
        QTest::newRow("reading") << false;
        QTest::newRow("editing") << true;
    }

    void singleRecViewOfTheVouchers()
    {
        QFETCH(bool, editing);
        Start(editing);
        Main()->PageCtrlMain->setCurrentWidget(Main()->TabKosten);
        Main()->MenuBearbeiten->aboutToShow();
        QVERIFY(Main()->MenuEinzelansicht->isEnabled());
        Main()->MenuEinzelansicht->trigger();
        auto* v = Main()->findChild<TSingleRecViewForm*>();
        QVERIFY(v);
        QVERIFY(QTest::qWaitForWindowExposed(v));
        QCOMPARE(v->windowTitle(), QStringLiteral("Einzeldatensatzansicht [KfzVar.DB]"));
        QCOMPARE(v->ShownDataSet(), static_cast<TDataSet*>(DM()->TTblVarKosten));
        // The link, month and year fields stay hidden.
        for (const char* hidden : {"IdentNummer", "Monat", "Jahr", "NachschlagDummyFeld"})
            QVERIFY2(!v->FieldNames().contains(QString::fromLatin1(hidden)), hidden);
        QVERIFY(qobject_cast<TDBLookupComboBox*>(v->ControlOf(QStringLiteral("TerminKz"))));
        auto* date = qobject_cast<TDBEdit*>(v->ControlOf(QStringLiteral("BelegDatum")));
        QVERIFY(date);
        QCOMPARE(date->text(), QStringLiteral("03.11.2026"));
        QCOMPARE(date->ReadOnly(), !editing);
        QCOMPARE(v->Nav->VisBtnsRecord().IsEmpty(), !editing);
        v->ViewExtender()->HandleNBBtn(nbNext);
        QCOMPARE(DM()->TTblVarKosten->FieldByName("BelegDatum")->AsDate(), QDate(2026, 11, 20));
        v->OKBtn->click();
        QTRY_VERIFY(!Main()->findChild<TSingleRecViewForm*>());
    }

    // Wherever a machine's field is named to the user, it is by its caption
    // on the master-data page or by the firm's name of a free field or date.
    void machineFieldsByTheirCaptions()
    {
        WriteSettings({{"NameFreifeld1", "Kennzeichen"}, {"NameFreitermin2", "Tachograph"}});
        Start(false);
        const QStringList wanted{"Ident.-Nummer", "Kennzeichen", "Tachograph", QString::fromUtf8("TÜV-Termin"),
                                 "Marke", "Freifeld2"};
        const QStringList unwanted{"IdentNummer", "Freifeld1", "FreierTermin2", "Hersteller/Typ"};
        auto check = [&](const QStringList& shown, const char* where) {
            for (const QString& w : wanted) QVERIFY2(shown.contains(w), qPrintable(where + (u' ' + w)));
            for (const QString& u : unwanted) QVERIFY2(!shown.contains(u), qPrintable(where + (u' ' + u)));
        };

        Main()->EditIdentNr->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        QTest::keyClick(Main()->EditIdentNr, Qt::Key_F7);
        auto* v = Main()->findChild<TTableViewForm*>();
        QVERIFY(v);
        QStringList titles;
        for (int c = 0; c < v->TblGrid->model()->columnCount(); ++c)
            titles << v->TblGrid->model()->headerData(c, Qt::Horizontal).toString();
        check(titles, "Tabellenansicht");
        QTemporaryDir files;
        const QString csv = files.filePath(QStringLiteral("maschinen.csv"));
        QVERIFY(v->ExportCsv(csv));
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QString head = QString::fromUtf8(f.readLine()).trimmed();
        head.remove(QChar(0xFEFF));
        QStringList columns;
        for (QString c : head.split(u';')) columns << c.remove(u'"');
        check(columns, "CSV");
        v->OKBtn->click();
        QTRY_VERIFY(!Main()->findChild<TTableViewForm*>());

        Main()->MenuBearbeiten->aboutToShow();
        Main()->MenuEinzelansicht->trigger();
        auto* single = Main()->findChild<TSingleRecViewForm*>();
        QVERIFY(single);
        QVERIFY(QTest::qWaitForWindowExposed(single));
        QStringList captions;
        for (QLabel* l : single->Labels()) captions << l->text().remove(u'&');
        check(captions, "Einzeldatensatzansicht");
        single->OKBtn->click();
        QTRY_VERIFY(!Main()->findChild<TSingleRecViewForm*>());
    }
};

QTEST_MAIN(TestViews)
#include "tst_views.moc"
