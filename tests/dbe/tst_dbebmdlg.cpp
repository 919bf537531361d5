// Bookmarks on a data form: setting them with the button and with Ctrl+K
// and a digit, going to them with Ctrl+Q and a digit, a record another user
// deleted, dropping them when the table changes, and the bookmark dialog
// with its grid, deleting and renumbering by dragging.
#include "Application.h"
#include "Dbebmdlg.h"
#include "Dbeutil.h"
#include "Dialogs.h"
#include "ViewFixture.h"
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>

namespace {

QList<int> Numbers(const TBMManager* bm)
{
    QList<int> out;
    for (int i = 0; i < bm->Count(); ++i) out << bm->Item(i)->Number;
    return out;
}

QStringList Heads(const QTableWidget* grid)
{
    QStringList out;
    for (int c = 0; c < grid->columnCount(); ++c) out << grid->horizontalHeaderItem(c)->text();
    return out;
}

QStringList RowTexts(const QTableWidget* grid, int row)
{
    QStringList out;
    for (int c = 0; c < grid->columnCount(); ++c) out << (grid->item(row, c) ? grid->item(row, c)->text() : QString());
    return out;
}

}   // namespace

class TstDbebmdlg : public QObject {
    Q_OBJECT

    std::unique_ptr<TViewFixture> m_fix;

    // Shown and active, the focus on the machine's name: the actions work
    // on the machines.
    TViewForm& form()
    {
        m_fix = std::make_unique<TViewFixture>();
        TViewForm& f = m_fix->F();
        if (!ShowActiveWindow(&f)) qWarning("form not active");
        f.Focus(f.EditName);
        return f;
    }
    TBMManager* bookmarks() { return EntryOfDataSet(*m_fix->F().Ext, m_fix->F().Masch)->Bookmarks(); }
    // Bookmarks with these numbers on the records with the same Nr.
    void setBookmarks(const QList<int>& numbers)
    {
        TViewForm& f = m_fix->F();
        for (int n : numbers) {
            GotoNr(f.Masch, n);
            bookmarks()->SetNumbered(n);
        }
    }
    // Acts on the bookmark dialog once it is up.
    void onDialog(std::function<void(TBMForm*)> act)
    {
        QTimer::singleShot(0, this, [this, act] {
            auto* dlg = qobject_cast<TBMForm*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            act(dlg);
        });
    }

private slots:
    void cleanup() { m_fix.reset(); }

    // --- setting and going by keys and button

    void setBookmark_data()
    {
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<int>("digit");   // -1: the bar's button
        QTest::addColumn<QList<int>>("after");
        QTest::addColumn<int>("onCurrent");   // the number that now holds record 5
        QTest::newRow("button on none gives 1") << QList<int>{} << -1 << QList<int>{1} << 1;
        QTest::newRow("button takes the next free number") << QList<int>{1, 3, 4} << -1 << QList<int>{1, 3, 4, 5} << 5;
        QTest::newRow("Ctrl+K then 3 sets bookmark 3") << QList<int>{} << 3 << QList<int>{3} << 3;
        QTest::newRow("Ctrl+K then 7 goes to the end") << QList<int>{1, 3, 4} << 7 << QList<int>{1, 3, 4, 7} << 7;
        QTest::newRow("Ctrl+K then 3 replaces 3") << QList<int>{1, 3, 4} << 3 << QList<int>{1, 3, 4} << 3;
        QTest::newRow("Ctrl+K then 0 is the button") << QList<int>{1, 2} << 0 << QList<int>{1, 2, 3} << 3;
    }

    void setBookmark()
    {
        QFETCH(QList<int>, before);
        QFETCH(int, digit);
        QFETCH(QList<int>, after);
        QFETCH(int, onCurrent);
        TViewForm& f = form();
        setBookmarks(before);
        GotoNr(f.Masch, 5);
        if (digit < 0) {
            f.Ext->HandleNBBtn(nbSetBookmark);
        } else {
            QTest::keyClick(f.EditName, Qt::Key_K, Qt::ControlModifier);
            QTest::keyClick(f.EditName, Qt::Key(Qt::Key_0 + digit));
        }
        QCOMPARE(Numbers(bookmarks()), after);
        const TBMItem* item = bookmarks()->Item(bookmarks()->IndexOfNumber(onCurrent));
        QCOMPARE(item->EngineBookmark, f.Masch->GetBookmark());
        QCOMPARE(item->Values, QStringList{"5"});   // the key field only
        QCOMPARE(f.EditName->text(), QStringLiteral("Anhänger"));   // the digit did not reach the edit
        QVERIFY(f.Ext->Possibilities(nbGotoBookmark));
    }

    void gotoByDigit_data()
    {
        QTest::addColumn<int>("digit");
        QTest::addColumn<int>("nr");   // where the table stands afterwards
        QTest::newRow("bookmark 2") << 2 << 4;
        QTest::newRow("bookmark 1") << 1 << 1;
        QTest::newRow("no bookmark 5: nothing") << 5 << 3;
    }

    void gotoByDigit()
    {
        QFETCH(int, digit);
        QFETCH(int, nr);
        TViewForm& f = form();
        GotoNr(f.Masch, 1);
        bookmarks()->SetNumbered(1);
        GotoNr(f.Masch, 4);
        bookmarks()->SetNumbered(2);
        GotoNr(f.Masch, 3);
        QTest::keyClick(f.EditName, Qt::Key_Q, Qt::ControlModifier);
        QTest::keyClick(f.EditName, Qt::Key(Qt::Key_0 + digit));
        QCOMPARE(NrOf(f.Masch), nr);
        QCOMPARE(f.Panel->Caption(), QString());
    }

    // The record went away meanwhile: a warning with the number, and the
    // table stays where it was; the same through the dialog.
    void gotoRecordDeletedByAnotherUser_data()
    {
        QTest::addColumn<bool>("byDialog");
        QTest::newRow("Ctrl+Q then 2") << false;
        QTest::newRow("dialog") << true;
    }

    void gotoRecordDeletedByAnotherUser()
    {
        QFETCH(bool, byDialog);
        TViewForm& f = form();
        GotoNr(f.Masch, 1);
        bookmarks()->SetNumbered(1);
        GotoNr(f.Masch, 4);
        bookmarks()->SetNumbered(2);
        GotoNr(f.Masch, 3);
        ChangeElsewhere(QStringLiteral("DELETE FROM \"Masch\" WHERE \"Nr\" = 4"));
        if (byDialog) {
            onDialog([](TBMForm* dlg) {
                dlg->BMGrid->selectRow(1);
                dlg->OKBtn->click();
            });
            f.Ext->HandleNBBtn(nbGotoBookmark);
        } else {
            f.Ext->HandleNBBtn(nbGotoBookmark, {}, 2);
        }
        QCOMPARE(NrOf(f.Masch), 3);
        QCOMPARE(f.Panel->Caption(), QStringLiteral("Lesezeichen 2: Datensatz nicht gefunden."));
        // The others still work.
        f.Ext->HandleNBBtn(nbGotoBookmark, {}, 1);
        QCOMPARE(NrOf(f.Masch), 1);
        QCOMPARE(f.Panel->Caption(), QString());
    }

    // --- when bookmarks are dropped

    void droppedWhenTheTableChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("dropped");
        QTest::newRow("index chosen") << "index" << true;
        QTest::newRow("table reopened") << "reopen" << true;
        QTest::newRow("capture option changed") << "option" << true;
        QTest::newRow("record moved") << "move" << false;
    }

    void droppedWhenTheTableChanges()
    {
        QFETCH(QString, change);
        QFETCH(bool, dropped);
        TViewForm& f = form();
        f.Ext->HandleNBBtn(nbSetBookmark);
        f.Masch->Next();
        f.Ext->HandleNBBtn(nbSetBookmark);
        TTableDefs* entry = EntryOfDataSet(*f.Ext, f.Masch);
        if (change == QLatin1String("index")) entry->SetIndex(QStringLiteral("ByName"));
        if (change == QLatin1String("reopen")) {
            f.Masch->Close();
            f.Masch->Open();
        }
        if (change == QLatin1String("option")) f.Ext->SetBMKeepOnlyIndex(false);
        if (change == QLatin1String("move")) f.Masch->Last();
        f.Ext->CheckPoss();
        QCOMPARE(entry->Bookmarks()->Count(), dropped ? 0 : 2);
        QCOMPARE(f.Ext->Possibilities(nbGotoBookmark), !dropped);
    }

    // --- the dialog

    void dialogShowsTheCapturedFields_data()
    {
        QTest::addColumn<bool>("keepOnlyIndex");
        QTest::addColumn<QStringList>("heads");
        QTest::addColumn<QStringList>("secondRow");
        QTest::newRow("index fields") << true << QStringList{"Nr", "Nummer"} << QStringList{"2", "4"};
        QTest::newRow("every data field")
            << false
            << QStringList{"Nr", "Nummer", "Name", "Aktiv", "Gruppen-Kz", "Preis €", "Kaufdatum", "Notiz"}
            << QStringList{"2", "4", "Walze Öhler", "Wahr", "VE", "99.999,99", "14.07.2021", "(Memo)"};
    }

    void dialogShowsTheCapturedFields()
    {
        QFETCH(bool, keepOnlyIndex);
        TViewForm& f = form();
        f.Ext->SetBMKeepOnlyIndex(keepOnlyIndex);
        setBookmarks({1});
        GotoNr(f.Masch, 4);
        bookmarks()->SetNumbered(2);
        TFormEventRec offered;
        f.Ext->OnSpecialForm = [&](QObject*, TFormEventRec& rec) { offered = rec; };
        QString caption;
        QStringList heads, second;
        bool okEnabled = false;
        int rows = 0;
        onDialog([&](TBMForm* dlg) {
            caption = dlg->windowTitle();
            heads = Heads(dlg->BMGrid);
            rows = dlg->BMGrid->rowCount();
            second = RowTexts(dlg->BMGrid, 1);
            okEnabled = dlg->OKBtn->isEnabled();
            QCOMPARE(dlg->GroupBox1->title(), QStringLiteral("Verfügbare Lesezeichen"));
            QCOMPARE(dlg->CancelBtn->text(), QStringLiteral("Abbruch"));
            QVERIFY(!dlg->UserBtn->isVisible());
            dlg->CancelBtn->click();
        });
        f.Ext->HandleNBBtn(nbGotoBookmark);
        QCOMPARE(offered.FormType, fetBookmark);
        QCOMPARE(offered.DataSet, static_cast<QObject*>(bookmarks()));
        QCOMPARE(offered.BorderStyle, bsDialog);
        QCOMPARE(caption, QStringLiteral("Lesezeichen [Masch.DB]"));
        QTEST(heads, "heads");
        QCOMPARE(rows, 2);
        QTEST(second, "secondRow");
        QVERIFY(okEnabled);
        QCOMPARE(NrOf(f.Masch), 4);
    }

    void dialogGoesToTheChosenBookmark()
    {
        TViewForm& f = form();
        setBookmarks({1, 2, 4});
        GotoNr(f.Masch, 5);
        f.Panel->SetCaption(QStringLiteral("alt"));
        onDialog([](TBMForm* dlg) {
            dlg->BMGrid->selectRow(1);
            QCOMPARE(dlg->SelectedNumber(), 2);
            emit dlg->BMGrid->doubleClicked(dlg->BMGrid->model()->index(1, 0));
        });
        f.Ext->HandleNBBtn(nbGotoBookmark);
        QCOMPARE(NrOf(f.Masch), 2);
        QCOMPARE(f.Panel->Caption(), QString());
    }

    void dialogDeletes()
    {
        TViewForm& f = form();
        setBookmarks({1, 2});
        GotoNr(f.Masch, 5);
        QList<int> afterFirst;
        bool delEnabled = true, okEnabled = true;
        int rows = 0;
        onDialog([&](TBMForm* dlg) {
            dlg->BMGrid->selectRow(0);
            dlg->DelBtn->click();
            afterFirst = Numbers(bookmarks());
            QCOMPARE(RowTexts(dlg->BMGrid, 0).first(), QStringLiteral("2"));
            dlg->DelBtn->click();
            delEnabled = dlg->DelBtn->isEnabled();
            okEnabled = dlg->OKBtn->isEnabled();
            rows = dlg->BMGrid->rowCount();
            dlg->CancelBtn->click();
        });
        f.Ext->HandleNBBtn(nbGotoBookmark);
        QCOMPARE(afterFirst, QList<int>{2});
        QVERIFY(!delEnabled);
        QVERIFY(!okEnabled);
        QCOMPARE(rows, 1);   // one empty row stays
        QCOMPARE(bookmarks()->Count(), 0);
        QCOMPARE(NrOf(f.Masch), 5);
    }

    // Dragging a row renumbers its bookmark so that the numbers follow the
    // new order; each keeps its record.
    void dialogRenumbersByDragging_data()
    {
        QTest::addColumn<QList<int>>("start");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QList<int>>("records");   // the records in list order afterwards
        QTest::addColumn<QList<int>>("numbers");
        QTest::newRow("1 dragged below 3") << QList<int>{1, 2, 3} << 0 << 2 << QList<int>{2, 3, 1} << QList<int>{1, 2, 3};
        QTest::newRow("3 dragged to the top") << QList<int>{1, 2, 3} << 2 << 0 << QList<int>{3, 1, 2}
                                             << QList<int>{1, 2, 3};
        QTest::newRow("down into the middle") << QList<int>{1, 2, 3, 4} << 0 << 2 << QList<int>{2, 3, 1, 4}
                                              << QList<int>{1, 2, 3, 4};
        QTest::newRow("up behind a number") << QList<int>{1, 3, 4} << 2 << 1 << QList<int>{1, 4, 3}
                                            << QList<int>{1, 2, 3};
        QTest::newRow("down before a gap") << QList<int>{1, 2, 4} << 0 << 1 << QList<int>{2, 1, 4}
                                           << QList<int>{2, 3, 4};
        QTest::newRow("to the last row takes the last number") << QList<int>{2, 4, 5} << 0 << 2
                                                               << QList<int>{4, 5, 2} << QList<int>{3, 4, 5};
    }

    void dialogRenumbersByDragging()
    {
        QFETCH(QList<int>, start);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QList<int>, records);
        QFETCH(QList<int>, numbers);
        TViewForm& f = form();
        setBookmarks(start);
        QStringList firstColumn;
        onDialog([&](TBMForm* dlg) {
            dlg->BMGridRowMoved(from, to);
            for (int r = 0; r < dlg->BMGrid->rowCount(); ++r) firstColumn << dlg->BMGrid->item(r, 0)->text();
            QCOMPARE(RowTexts(dlg->BMGrid, to).at(1), QString::number(start.at(from)));
            dlg->CancelBtn->click();
        });
        f.Ext->HandleNBBtn(nbGotoBookmark);
        QList<int> gotRecords;
        for (int i = 0; i < bookmarks()->Count(); ++i) gotRecords << bookmarks()->Item(i)->Values.first().toInt();
        QCOMPARE(gotRecords, records);
        QCOMPARE(Numbers(bookmarks()), numbers);
        QStringList shown;
        for (int n : numbers) shown << QString::number(n);
        QCOMPARE(firstColumn, shown);
    }

    // The same with the mouse: the row of bookmark 1 dropped on the last row.
    void dragWithTheMouse()
    {
        TViewForm& f = form();
        setBookmarks({1, 2, 3});
        onDialog([&](TBMForm* dlg) {
            QVERIFY(QTest::qWaitForWindowExposed(dlg));
            QWidget* vp = dlg->BMGrid->viewport();
            const QPoint a = dlg->BMGrid->visualRect(dlg->BMGrid->model()->index(0, 1)).center();
            const QPoint b = dlg->BMGrid->visualRect(dlg->BMGrid->model()->index(2, 1)).center();
            QTest::mousePress(vp, Qt::LeftButton, {}, a);
            QMouseEvent move(QEvent::MouseMove, QPointF(b), vp->mapToGlobal(QPointF(b)), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(vp, &move);
            QTest::mouseRelease(vp, Qt::LeftButton, {}, b);
            dlg->CancelBtn->click();
        });
        f.Ext->HandleNBBtn(nbGotoBookmark);
        QList<int> records;
        for (int i = 0; i < bookmarks()->Count(); ++i) records << bookmarks()->Item(i)->Values.first().toInt();
        QCOMPARE(records, (QList<int>{2, 3, 1}));
        QCOMPARE(Numbers(bookmarks()), (QList<int>{1, 2, 3}));
    }

    void noBookmarksNoDialog()
    {
        TViewForm& f = form();
        TDialogRecorder rec;
        f.Ext->OpenBookmarkDialog(EntryOfDataSet(*f.Ext, f.Masch));
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Type, mtInformation);
        QCOMPARE(rec.Last().Text, QStringLiteral("Keine Lesezeichen für Tabelle Masch.DB definiert"));
        QCOMPARE(rec.Last().Buttons, TMsgDlgButtons(mbOK));
    }

    void formMaySuppressTheDialog()
    {
        TViewForm& f = form();
        setBookmarks({1});
        bool shown = false;
        f.Ext->OnSpecialFormShow = [&](QWidget*, TFormEventType) { shown = true; };
        f.Ext->OnSpecialForm = [](QObject*, TFormEventRec& rec) { rec.Show = false; };
        f.Ext->HandleNBBtn(nbGotoBookmark);
        QVERIFY(!shown);
    }
};

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    TstDbebmdlg tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_dbebmdlg.moc"
