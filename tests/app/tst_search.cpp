// Searching machines in the main window: the value-search dialog on Ctrl+S,
// search next with F3 and Ctrl+F3, incremental search in the number field.
#include "DBESrch.h"
#include "DBEdit.h"
#include "Panel.h"
#include "ParkFixture.h"
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

class TestSearch : public ParkFixture {
    Q_OBJECT

    TTable* Machines() { return DM()->TTblMain; }
    TDBExtender* Extender() { return Main()->TDBExtenderMain; }
    QString Ident() { return Machine("IdentNummer"); }
    void GotoIdent(const QString& ident)
    {
        for (Machines()->First(); !Machines()->Eof() && Ident() != ident;) Machines()->Next();
    }
    void FocusOn(QWidget* w)
    {
        w->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        QVERIFY(HasFocusIn(w));
    }

private slots:
    void init()
    {
        InitPark();
        StoreMachine({{"IdentNummer", "BAG-001"}, {"Bezeichnung1", "Kettenbagger"}, {"FahrgestellNr", "WZX100"}});
        StoreMachine({{"IdentNummer", "BAG-002"}, {"Bezeichnung1", "Mobilbagger"}, {"FahrgestellNr", "WAB200"}});
        StoreMachine({{"IdentNummer", "KRA-001"}, {"Bezeichnung1", "Autokran"}, {"FahrgestellNr", "WZX300"}});
        StoreMachine({{"IdentNummer", "LKW-001"}, {"Bezeichnung1", "Kipper"}});
        StoreMachine({{"IdentNummer", "RAD-001"}, {"Bezeichnung1", "Radlader"}, {"FahrgestellNr", "WZX500"}});
        Start(false);
    }
    void cleanup() { CleanupPark(); }

    // Ctrl+S opens the dialog on the focused field; "Suchen" goes to the
    // first machine whose description contains the text and selects it.
    void ctrlSFindsAndSelects()
    {
        GotoIdent(QStringLiteral("RAD-001"));
        FocusOn(Main()->EditBezeichnung1);
        QString caption, preselected;
        QTimer::singleShot(0, this, [&] {
            auto* dlg = qobject_cast<TSrchForm*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            caption = dlg->windowTitle();
            preselected = dlg->FieldListBox->currentText();
            QTest::keyClicks(dlg->SrchEdit, QStringLiteral("..bagger.."));
            QTest::keyClick(dlg->SrchEdit, Qt::Key_Return);   // "Suchen" is the default button
        });
        QTest::keyClick(Main()->EditBezeichnung1, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(caption, QStringLiteral("Wertsuche [Stammdaten]"));
        QCOMPARE(preselected, Machines()->FieldByName(QStringLiteral("Bezeichnung1"))->DisplayLabel());
        QCOMPARE(Ident(), QStringLiteral("BAG-001"));
        QCOMPARE(Main()->focusWidget(), Main()->EditBezeichnung1);
        QCOMPARE(Main()->EditBezeichnung1->selectedText(), QStringLiteral("bagger"));
        QCOMPARE(Main()->TPanelMessage->Caption(), QString());
    }

    // F3 searches on, Ctrl+F3 back; the end of the search is reported and
    // the machine stays.
    void f3AndCtrlF3()
    {
        FocusOn(Main()->EditFahrgestellNr);
        QVERIFY(!Extender()->Possibilities(nbSearchNext));
        QVERIFY(Extender()->Search(Machines(), QStringLiteral("FahrgestellNr"), true, true, true,
                                   QStringLiteral("wzx..")));
        QCOMPARE(Ident(), QStringLiteral("BAG-001"));
        Extender()->CheckPoss();
        QVERIFY(Extender()->Possibilities(nbSearchNext));

        QTest::keyClick(Main()->EditFahrgestellNr, Qt::Key_F3);
        QCOMPARE(Ident(), QStringLiteral("KRA-001"));
        QCOMPARE(Main()->EditFahrgestellNr->selectedText(), QStringLiteral("WZX"));
        QTest::keyClick(Main()->EditFahrgestellNr, Qt::Key_F3);
        QCOMPARE(Ident(), QStringLiteral("RAD-001"));
        QTest::keyClick(Main()->EditFahrgestellNr, Qt::Key_F3);
        QCOMPARE(Ident(), QStringLiteral("RAD-001"));
        QCOMPARE(Main()->TPanelMessage->Caption(), QStringLiteral("\"WZX..\" nicht weiter gefunden."));
        QTest::keyClick(Main()->EditFahrgestellNr, Qt::Key_F3, Qt::ControlModifier);
        QCOMPARE(Ident(), QStringLiteral("KRA-001"));
        QCOMPARE(Main()->TPanelMessage->Caption(), QString());
        QTest::keyClick(Main()->EditFahrgestellNr, Qt::Key_F3);   // forwards again
        QCOMPARE(Ident(), QStringLiteral("RAD-001"));
    }

    // Ctrl+I in the number field, then typing: each key walks to the first
    // matching machine; a key that finds none is dropped; Esc ends it.
    void incrementalSearchInTheNumberField()
    {
        GotoIdent(QStringLiteral("LKW-001"));
        QLineEdit* nr = Main()->EditIdentNr;
        FocusOn(nr);
        QTest::keyClick(nr, Qt::Key_I, Qt::ControlModifier);
        QVERIFY(Extender()->IncSearchActive());
        QVERIFY(Main()->TDBENavMain->Button(nbSearchInc)->Down());
        QTest::keyClicks(nr, QStringLiteral("BAG"));
        QCOMPARE(Ident(), QStringLiteral("BAG-001"));
        QCOMPARE(Extender()->IncSearchText(), QStringLiteral("BAG"));
        QVERIFY2(Main()->TPanelStatus->Caption().endsWith(QStringLiteral("Suche: \"BAG\"")),
                 qPrintable(Main()->TPanelStatus->Caption()));

        QTest::keyClick(nr, Qt::Key_X);   // no "BAGX": dropped
        QCOMPARE(Extender()->IncSearchText(), QStringLiteral("BAG"));
        QCOMPARE(Ident(), QStringLiteral("BAG-001"));
        QCOMPARE(nr->text(), QStringLiteral("BAG-001"));

        QTest::keyClicks(nr, QStringLiteral("-002"));
        QCOMPARE(Ident(), QStringLiteral("BAG-002"));
        QCOMPARE(Extender()->IncSearchText(), QStringLiteral("BAG-002"));

        QTest::keyClick(nr, Qt::Key_Escape);
        QVERIFY(!Extender()->IncSearchActive());
        QVERIFY(!Main()->TDBENavMain->Button(nbSearchInc)->Down());
        QVERIFY(!Main()->TPanelStatus->Caption().contains(QStringLiteral("Suche:")));
        QCOMPARE(Ident(), QStringLiteral("BAG-002"));
    }
};

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
