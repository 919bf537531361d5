// The extender's dialogs as the main window offers them: F2 on a machine's
// memo, Ctrl+X choosing the order in which the machines are walked,
// Ctrl+Space filling a voucher's due-date code from the codes.
#include "DBEIndex.h"
#include "DBENav.h"
#include "DBEdit.h"
#include "DBGrid.h"
#include "Dbelu.h"
#include "DBMemo.h"
#include "Dbememo.h"
#include "ParkFixture.h"
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>

namespace {

// A memo of more than 64000 bytes.
QString LongMemo()
{
    QString s;
    for (int i = 0; s.size() < 66000; ++i) s += QStringLiteral("Wartung %1: Hydrauliköl gewechselt\n").arg(i);
    return s;
}

template <class D>
void OnDialog(QObject* context, std::function<void(D*)> act)
{
    QTimer::singleShot(0, context, [act] {
        auto* dlg = qobject_cast<D*>(QApplication::activeModalWidget());
        QVERIFY2(dlg, "no dialog of the expected kind");
        act(dlg);
    });
}

}   // namespace

class TestViewers : public ParkFixture {
    Q_OBJECT

    TTable* Machines() { return DM()->TTblMain; }
    QString Ident() { return Machine("IdentNummer"); }
    void GotoIdent(const QString& ident)
    {
        for (Machines()->First(); !Machines()->Eof() && Ident() != ident;) Machines()->Next();
    }

private slots:
    void init()
    {
        InitPark();
        StoreMachine({{"IdentNummer", "BAG-001"}, {"Bezeichnung1", "Kettenbagger"}, {"Gruppe", "Erdbau"},
                      {"Memo", LongMemo()}});
        StoreMachine({{"IdentNummer", "KRA-001"}, {"Bezeichnung1", "Autokran"}, {"Gruppe", "Hebezeuge"}});
        StoreMachine({{"IdentNummer", "LKW-001"}, {"Bezeichnung1", "Kipper"}, {"Gruppe", "Transport"}});
        StoreMachine({{"IdentNummer", "RAD-001"}, {"Bezeichnung1", "Radlader"}, {"Gruppe", "Erdbau"}});
    }
    void cleanup() { CleanupPark(); }

    void memoViewer_data()
    {
        QTest::addColumn<bool>("editing");
        QTest::addColumn<QString>("press");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("keeps");
        QTest::newRow("Ändern, OK") << true << "OKBtn" << "Bearbeite Memofeld Memo" << true;
        QTest::newRow("Ändern, Abbruch") << true << "CancelBtn" << "Bearbeite Memofeld Memo" << false;
        QTest::newRow("Lesen, OK") << false << "OKBtn" << "Ansicht Memofeld Memo" << false;
    }
    // F2 in the memo shows the machine's whole memo; OK keeps an edit,
    // which "Speichern" then saves; "Abbruch" and the read mode keep nothing.
    void memoViewer()
    {
        QFETCH(bool, editing);
        QFETCH(QString, press);
        QFETCH(bool, keeps);
        Start(editing);
        ClickMainTab(tabMemo);
        QVERIFY(HasFocusIn(Main()->EditDBMemo));
        QString shown, caption;
        OnDialog<TMemoForm>(this, [&](TMemoForm* dlg) {
            shown = dlg->Memo->toPlainText();
            caption = dlg->windowTitle();
            dlg->Memo->moveCursor(QTextCursor::End);
            QTest::keyClicks(dlg->Memo, QStringLiteral("Ketten gespannt"));
            dlg->findChild<QPushButton*>(press)->click();
        });
        QTest::keyClick(Main()->EditDBMemo, Qt::Key_F2);
        QCOMPARE(shown, LongMemo());
        QTEST(caption, "caption");
        const QString expected = keeps ? LongMemo() + QStringLiteral("Ketten gespannt") : LongMemo();
        QCOMPARE(Main()->EditDBMemo->toPlainText(), expected);
        Main()->BtnMemoSpeichern->click();
        QCOMPARE(Machines()->State(), dsBrowse);
        QCOMPARE(Machine("Memo"), expected);
    }

    // Ctrl+X on the machines offers their orders; the one chosen keeps the
    // current machine, and the walk goes by descriptions from then on.
    void ctrlXChoosesTheOrder()
    {
        Start(false);
        GotoIdent(QStringLiteral("KRA-001"));
        Main()->EditIdentNr->setFocus();
        QApplication::processEvents();
        QStringList entries;
        QString caption;
        OnDialog<TIdxDlg>(this, [&](TIdxDlg* dlg) {
            caption = dlg->windowTitle();
            for (int i = 0; i < dlg->IdxList->count(); ++i) entries << dlg->IdxList->item(i)->text();
            QCOMPARE(dlg->IdxList->currentRow(), 0);
            dlg->IdxList->setCurrentRow(1);
            dlg->OKBtn->click();
        });
        QTest::keyClick(Main()->EditIdentNr, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(caption, QStringLiteral("Indexwahl [Stammdaten]"));
        QCOMPARE(entries, (QStringList{"*Primär", "Bezeichnung", "Gruppe", "Standort"}));
        QCOMPARE(Ident(), QStringLiteral("KRA-001"));
        QCOMPARE(Main()->EditIdentNr->text(), QStringLiteral("KRA-001"));
        // The offscreen platform gives the window back no activation of its own.
        QVERIFY(ShowActive(Main()));
        QTest::keyClick(Main()->EditIdentNr, Qt::Key_PageDown);
        QCOMPARE(Ident(), QStringLiteral("BAG-001"));   // Autokran, Kettenbagger, Kipper, Radlader
        QTest::keyClick(Main()->EditIdentNr, Qt::Key_PageDown);
        QCOMPARE(Ident(), QStringLiteral("LKW-001"));
    }

    // Ctrl+Space in the due-date code of a new voucher shows the codes with
    // the window's own bar; the code chosen goes into the voucher.
    void lookupFillsANewVoucher()
    {
        Start(true);
        ClickMainTab(tabKosten);
        Main()->TBtnVarKostenNeu->click();
        TTable* costs = DM()->TTblVarKosten;
        QCOMPARE(costs->State(), dsInsert);
        TDBGrid* grid = Main()->TDBGridVarKosten;
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(grid->currentIndex().row(), 3));
        QApplication::processEvents();
        QCOMPARE(grid->SelectedField()->FieldName(), QStringLiteral("TerminKz"));
        QString caption;
        QStringList codes;
        OnDialog<TLUDlg>(this, [&](TLUDlg* dlg) {
            caption = dlg->windowTitle();
            QVERIFY(dlg->DBENavigator1->VisBtnsSearch().IsEmpty());
            QCOMPARE(dlg->DBENavigator1->VisBtnsMove(), (TMoveNavBtns{mnbFirst, mnbPrior, mnbNext, mnbLast}));
            TDataSet* lu = dlg->LUSource->DataSet();
            for (lu->First(); !lu->Eof(); lu->Next()) codes << lu->FieldByName("TerminKennzeichen")->AsString();
            for (lu->First(); lu->FieldByName("TerminKennzeichen")->AsString() != QLatin1String("TUV");) lu->Next();
            dlg->OKBtn->click();
        });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space, Qt::ControlModifier);
        QCOMPARE(caption, QStringLiteral("Nachschlagen [TerminKz.db]"));
        QCOMPARE(codes, (QStringList{"BST", "FT1", "FT2", "FT3", "GRW", "KLW", "TUV", "UVV"}));
        QCOMPARE(costs->State(), dsInsert);
        QCOMPARE(costs->FieldByName("NachschlagDummyFeld")->AsString(), QStringLiteral("TUV"));
        QCOMPARE(costs->FieldByName("TerminKz")->AsString(), QStringLiteral("TUV"));
    }
};

TARVOS_UI_TEST_MAIN(TestViewers)
#include "tst_viewers.moc"
