// The extender's record actions: when each is possible and what it does.
#include "Application.h"
#include "DBErrors.h"
#include "Panel.h"
#include "Dbextend.h"
#include "DBEFilt.h"
#include "DBEdit.h"
#include "DBGrid.h"
#include "DBMemo.h"
#include "Dialogs.h"
#include "Session.h"
#include "Table.h"
#include "TestTables.h"
#include "UiTestSupport.h"
#include <QLineEdit>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>
#include <memory>

namespace {

using BtnList = QList<int>;

// Key order = entry order; record 3 has no place on purpose.
const QList<TMasterRow> kMasters = {
    {1, "Anton", "Berlin"},  {2, "Berta", "Hamburg"}, {3, "Cäsar", ""},      {4, "Dora", "Berlin"},
    {5, "Emil", "Köln"},     {6, "Friedrich", "Bonn"}, {7, "Gustav", "Essen"}, {8, "Heinrich", "Berlin"},
    {9, "Ida", "Hamburg"},   {10, "Julius", "Ulm"},
};

void createData(bool withMasters)
{
    if (withMasters) CreateMasterDetailTables(kMasters, {1, 2});
    else CreateMasterDetailTables({}, {});
}

// A data set whose class name does not contain "Table".
class TDemoView : public TTable {
    Q_OBJECT
public:
    using TTable::TTable;
};

// Counts the data-set-changed notices a refresh sends, apart from scrolling.
class TChangeCounter : public TDataLink {
public:
    int Changes = 0;
protected:
    void DataSetChanged() override { ++Changes; }
    void DataSetScrolled(int) override {}
};

// A navigator bar that only counts what it is told.
class TCountingBar : public TDBENavClient {
public:
    int Refreshes = 0;
    void NavRefresh() override { ++Refreshes; }
};

QString btnName(int b) { return NavigateBtnName(TDBENavigateBtn(b)); }

} // namespace

class TstDbextendDispatch : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TTestDatabases> m_db;
    std::unique_ptr<TMasterDetailForm> m_form;

    TMasterDetailForm& form(bool withMasters = true, bool readOnlyMaster = false)
    {
        m_form.reset();
        m_db = std::make_unique<TTestDatabases>(TTestDatabases::Empty);
        createData(withMasters);
        TMasterDetailForm::TOptions options;
        options.ReadOnlyMaster = readOnlyMaster;
        m_form = std::make_unique<TMasterDetailForm>(options);
        if (!ShowActive(m_form.get())) qWarning("test form did not become active");
        m_form->Focus(m_form->EditName);
        return *m_form;
    }

private slots:
    void cleanup()
    {
        m_form.reset();
        m_db.reset();
    }

    // --- events around an action

    void userBtnAndForeignValuesOnlyRaiseBefore_data()
    {
        QTest::addColumn<int>("button");
        QTest::newRow("nbUserBtn") << int(nbUserBtn);
        QTest::newRow("nach dem letzten") << NavigateBtnCount;
        QTest::newRow("negativ") << -1;
    }
    void userBtnAndForeignValuesOnlyRaiseBefore()
    {
        QFETCH(int, button);
        TMasterDetailForm& f = form();
        int before = 0, after = 0;
        f.Ext->BeforeHandleNBBtn = [&](QObject*, TDBENavigateBtn&, TShiftState&, int&) { ++before; };
        f.Ext->AfterHandleNBBtn = [&](QObject*, TDBENavigateBtn&, TShiftState&, int&) { ++after; };
        f.Ext->HandleNBBtn(TDBENavigateBtn(button));
        QCOMPARE(before, 1);
        QCOMPARE(after, 0);
        QCOMPARE(NrOf(f.Master), 1);
        QCOMPARE(f.Master->State(), dsBrowse);
    }

    void beforeHandlerReplacesTheAction()
    {
        TMasterDetailForm& f = form();
        int seenAfter = -1, infoAfter = -1;
        f.Ext->BeforeHandleNBBtn = [](QObject*, TDBENavigateBtn& b, TShiftState&, int& info) {
            if (b == nbLast) {
                b = nbNext;
                info = 7;
            }
        };
        f.Ext->AfterHandleNBBtn = [&](QObject*, TDBENavigateBtn& b, TShiftState&, int& info) {
            seenAfter = b;
            infoAfter = info;
        };
        f.Ext->HandleNBBtn(nbLast);
        QCOMPARE(NrOf(f.Master), 2);
        QCOMPARE(btnName(seenAfter), btnName(nbNext));
        QCOMPARE(infoAfter, 7);
    }

    void silentAbortVetoesGlobalEdit()
    {
        TMasterDetailForm& f = form();
        f.Ext->SetManageGlobalEdit(true);
        QVERIFY(!f.Ext->EditMode());
        int after = 0;
        f.Ext->AfterHandleNBBtn = [&](QObject*, TDBENavigateBtn&, TShiftState&, int&) { ++after; };
        f.Ext->BeforeHandleNBBtn = [](QObject*, TDBENavigateBtn& b, TShiftState&, int&) {
            if (b == nbGlobalEdit) throw EAbort();
        };
        bool aborted = false;
        try {
            f.Ext->HandleNBBtn(nbGlobalEdit);
        } catch (const EAbort&) {
            aborted = true;
        }
        QVERIFY(aborted);
        QVERIFY(!f.Ext->EditMode());
        QCOMPARE(after, 0);

        // Without the veto the same action switches the mode.
        f.Ext->BeforeHandleNBBtn = nullptr;
        f.Ext->HandleNBBtn(nbGlobalEdit);
        QVERIFY(f.Ext->EditMode());
        QCOMPARE(after, 1);
    }

    void failingActionGoesToExceptionHandlingAndAfterFollows()
    {
        TMasterDetailForm& f = form();
        int after = 0;
        f.Ext->AfterHandleNBBtn = [&](QObject*, TDBENavigateBtn&, TShiftState&, int&) { ++after; };
        f.Master->Insert();
        f.Master->FieldByName("Nr")->SetAsInteger(1);   // taken
        TDialogRecorder dialogs;
        f.Ext->HandleNBBtn(nbPost);
        QCOMPARE(after, 1);
        QCOMPARE(f.Master->State(), dsInsert);
        QCOMPARE(f.Panel->Caption(), QStringLiteral("Indexfehler"));
    }

    // --- deleting

    void deleteAsksFirst_data()
    {
        QTest::addColumn<QString>("question");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("Standardfrage, Abbrechen") << QString() << int(mrCancel)
                                                 << QStringLiteral("Datensatz wirklich löschen ?") << false;
        QTest::newRow("Standardfrage, OK") << QString() << int(mrOk) << QStringLiteral("Datensatz wirklich löschen ?")
                                           << true;
        QTest::newRow("eigene Frage, Abbrechen") << QStringLiteral("Maschine entfernen?") << int(mrCancel)
                                                << QStringLiteral("Maschine entfernen?") << false;
    }
    void deleteAsksFirst()
    {
        QFETCH(QString, question);
        QFETCH(int, answer);
        QFETCH(QString, shown);
        QFETCH(bool, deleted);
        TMasterDetailForm& f = form();
        f.Ext->ConfDelQuestion = question;
        GotoNr(f.Master, 4);
        int after = 0;
        f.Ext->AfterHandleNBBtn = [&](QObject*, TDBENavigateBtn&, TShiftState&, int&) { ++after; };
        TDialogRecorder dialogs;
        dialogs.Answer({answer});
        f.Ext->HandleNBBtn(nbDelete);
        QCOMPARE(dialogs.Records().size(), 1);
        QCOMPARE(dialogs.Last().Text, shown);
        QCOMPARE(dialogs.Last().Type, mtConfirmation);
        QCOMPARE(dialogs.Last().Buttons, mbOKCancel);
        QCOMPARE(after, 1);
        QCOMPARE(f.Master->RecordCount(), deleted ? 9 : 10);
        if (!deleted) QCOMPARE(NrOf(f.Master), 4);
    }

    void deleteWithoutConfirmation()
    {
        TMasterDetailForm& f = form();
        f.Ext->ConfirmDelete = false;
        TDialogRecorder dialogs;
        f.Ext->HandleNBBtn(nbDelete);
        QVERIFY(dialogs.IsEmpty());
        QCOMPARE(f.Master->RecordCount(), 9);
    }

    // --- duplicating a field

    void duplicateField_data()
    {
        QTest::addColumn<int>("nr");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("ort");
        QTest::addColumn<bool>("editing");
        QTest::newRow("erster Datensatz") << 1 << true << int(mrYes)
                                          << QStringLiteral("Wert des Feldes Ort überschreiben ?")
                                          << QStringLiteral("Berlin") << false;
        QTest::newRow("Feld leer: ohne Frage") << 3 << true << int(mrYes) << QString() << QStringLiteral("Hamburg")
                                               << true;
        QTest::newRow("überschreiben: Ja") << 2 << true << int(mrYes)
                                           << QStringLiteral("Wert des Feldes Ort überschreiben ?")
                                           << QStringLiteral("Berlin") << true;
        QTest::newRow("überschreiben: Nein") << 2 << true << int(mrNo)
                                             << QStringLiteral("Wert des Feldes Ort überschreiben ?")
                                             << QStringLiteral("Hamburg") << false;
        QTest::newRow("ohne Rückfrage") << 5 << false << int(mrYes) << QString() << QStringLiteral("Berlin") << true;
    }
    void duplicateField()
    {
        QFETCH(int, nr);
        QFETCH(bool, confirm);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(QString, ort);
        QFETCH(bool, editing);
        TMasterDetailForm& f = form();
        f.Ext->ConfirmOverride = confirm;
        GotoNr(f.Master, nr);
        f.Focus(f.EditOrt);
        TDialogRecorder dialogs;
        dialogs.Answer({answer});
        f.Ext->HandleNBBtn(nbDupField);
        QCOMPARE(dialogs.IsEmpty(), question.isEmpty());
        if (!question.isEmpty()) {
            QCOMPARE(dialogs.Last().Text, question);
            QCOMPARE(dialogs.Last().Type, mtConfirmation);
            QCOMPARE(dialogs.Last().Buttons, mbYesNo);
        }
        QCOMPARE(f.Master->FieldByName("Ort")->AsString(), ort);
        QCOMPARE(f.Master->State(), editing ? dsEdit : dsBrowse);
        QCOMPARE(NrOf(f.Master), nr);
    }

    // --- duplicating a record

    void duplicateRecord_data()
    {
        QTest::addColumn<int>("nr");
        QTest::addColumn<bool>("editFirst");
        QTest::addColumn<bool>("appended");
        QTest::newRow("letzter Datensatz") << 10 << false << true;
        QTest::newRow("mittlerer Datensatz") << 4 << false << false;
        QTest::newRow("im Bearbeiten") << 6 << true << false;
    }
    void duplicateRecord()
    {
        QFETCH(int, nr);
        QFETCH(bool, editFirst);
        QFETCH(bool, appended);
        TMasterDetailForm& f = form();
        GotoNr(f.Master, nr);
        const int pos = f.Master->Cursor()->Position();
        if (editFirst) {
            f.Master->Edit();
            f.Master->FieldByName("Name")->SetAsString(QStringLiteral("Geändert"));
        }
        const QString name = f.Master->FieldByName("Name")->AsString();
        const QString ort = f.Master->FieldByName("Ort")->AsString();
        f.Ext->HandleNBBtn(nbDupRecord);

        QCOMPARE(f.Master->State(), dsInsert);
        QCOMPARE(f.Master->FieldByName("Name")->AsString(), name);
        QCOMPARE(f.Master->FieldByName("Ort")->AsString(), ort);
        QCOMPARE(f.Master->FieldByName("Nr")->AsInteger(), qint64(nr));
        // The new record stands right behind the copied one.
        QCOMPARE(f.Master->Cursor()->Position(), appended ? f.Master->Cursor()->Count() : pos + 1);

        f.Master->FieldByName("Nr")->SetAsInteger(100 + nr);
        f.Master->Post();
        QCOMPARE(f.Master->RecordCount(), 11);
        GotoNr(f.Master, nr);
        QCOMPARE(f.Master->FieldByName("Name")->AsString(), name);   // an edit was posted first
    }

    // --- incremental search and inserting

    void insertDoesNothingDuringIncrementalSearch()
    {
        TMasterDetailForm& f = form();
        QVERIFY(f.Ext->Possibilities(nbSearchInc));
        f.Ext->HandleNBBtn(nbSearchInc);
        QVERIFY(f.Ext->IncSearchActive());
        QVERIFY(!f.Ext->Possibilities(nbInsert));
        f.Ext->HandleNBBtn(nbInsert);
        QCOMPARE(f.Master->State(), dsBrowse);

        f.Ext->HandleNBBtn(nbSearchInc);
        QVERIFY(!f.Ext->IncSearchActive());
        QVERIFY(f.Ext->Possibilities(nbInsert));
        f.Ext->HandleNBBtn(nbInsert);
        QCOMPARE(f.Master->State(), dsInsert);
    }

    void incrementalSearchEndsWhenImpossible()
    {
        TMasterDetailForm& f = form();
        f.Ext->HandleNBBtn(nbSearchInc);
        QVERIFY(f.Ext->IncSearchActive());
        f.Focus(f.Plain);   // no field to search any more
        QVERIFY(!f.Ext->IncSearchActive());
    }

    // --- searching

    void searchNextAndBackwards()
    {
        TMasterDetailForm& f = form();
        f.Focus(f.EditOrt);
        QVERIFY(!f.Ext->Possibilities(nbSearchNext));
        QVERIFY(f.Ext->Search(f.Master, QStringLiteral("Ort"), true, true, true, QStringLiteral("berl..")));
        QCOMPARE(NrOf(f.Master), 1);
        QCOMPARE(f.Ext->BusyCount, 0);
        f.Ext->CheckPoss();
        QVERIFY(f.Ext->Possibilities(nbSearchNext));

        f.Ext->HandleNBBtn(nbSearchNext);
        QCOMPARE(NrOf(f.Master), 4);
        f.Ext->HandleNBBtn(nbSearchNext);
        QCOMPARE(NrOf(f.Master), 8);
        QCOMPARE(f.Panel->Caption(), QString());
        f.Ext->HandleNBBtn(nbSearchNext);
        QCOMPARE(NrOf(f.Master), 8);   // stays where it was
        QCOMPARE(f.Panel->Caption(), QStringLiteral("\"BERL..\" nicht weiter gefunden."));

        // Ctrl searches backwards once; the direction stays forward.
        f.Ext->HandleNBBtn(nbSearchNext, TShiftState{ssCtrl});
        QCOMPARE(NrOf(f.Master), 4);
        f.Ext->HandleNBBtn(nbSearchNext);
        QCOMPARE(NrOf(f.Master), 8);
    }

    void searchFromStartUpwards()
    {
        TMasterDetailForm& f = form();
        GotoNr(f.Master, 5);
        QVERIFY(f.Ext->Search(f.Master, QStringLiteral("Ort"), true, false, true, QStringLiteral("hamburg")));
        QCOMPARE(NrOf(f.Master), 9);
        QVERIFY(!f.Ext->Search(f.Master, QStringLiteral("Ort"), true, true, false, QStringLiteral("hamburg")));
        QCOMPARE(NrOf(f.Master), 9);
    }

    // --- bookmarks

    void bookmarksByNumber()
    {
        TMasterDetailForm& f = form();
        QVERIFY(!f.Ext->Possibilities(nbGotoBookmark));
        GotoNr(f.Master, 3);
        f.Ext->HandleNBBtn(nbSetBookmark, {}, 3);
        QVERIFY(f.Ext->Possibilities(nbGotoBookmark));
        GotoNr(f.Master, 7);
        f.Ext->HandleNBBtn(nbGotoBookmark, {}, 5);   // no such bookmark
        QCOMPARE(NrOf(f.Master), 7);
        f.Ext->HandleNBBtn(nbGotoBookmark, {}, 3);
        QCOMPARE(NrOf(f.Master), 3);

        // A bookmark whose record is gone is reported with its number.
        f.Ext->ConfirmDelete = false;
        f.Ext->HandleNBBtn(nbDelete);
        f.Ext->HandleNBBtn(nbGotoBookmark, {}, 3);
        QVERIFY2(f.Panel->Caption().startsWith(QStringLiteral("Lesezeichen 3: ")), qPrintable(f.Panel->Caption()));
        QVERIFY(f.Panel->Caption().endsWith(u'.'));
    }

    // --- filter

    void filterOnAndOff()
    {
        TMasterDetailForm& f = form();
        f.Focus(f.EditOrt);
        QCOMPARE(f.Ext->FilterState(), 1);
        QVERIFY(f.Ext->Possibilities(nbTblFilter));
        QVERIFY(!f.Ext->Possibilities(nbActiveFilter));
        TTableDefs* entry = f.Ext->Tables().FindBySource(f.SrcMaster);
        QVERIFY(entry && entry->Filter());
        entry->Filter()->ApplyRows({{QStringLiteral("Ort"), foEqual, QStringLiteral("Berlin"), foAnd}}, false);
        entry->Filter()->SetRegistered(true);
        f.Ext->CheckPoss();
        QCOMPARE(f.Ext->FilterState(), 2);
        QVERIFY(f.Ext->Possibilities(nbActiveFilter));

        TDBDataSet* changed = nullptr;
        f.Ext->OnFilterChanged = [&](QObject*, TDBDataSet* ds) { changed = ds; };
        f.Ext->HandleNBBtn(nbActiveFilter);
        QCOMPARE(f.Ext->FilterState(), 3);
        QCOMPARE(f.Master->RecordCount(), 3);
        QCOMPARE(changed, static_cast<TDBDataSet*>(f.Master));
        f.Ext->HandleNBBtn(nbActiveFilter);
        QCOMPARE(f.Ext->FilterState(), 2);
        QCOMPARE(f.Master->RecordCount(), 10);

        f.Ext->HandleNBBtn(nbActiveFilter);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("berlin.TFD"));
        f.Ext->SaveFilter(f.Master, file);
        QVERIFY(QFile::exists(file));
        f.Ext->ResetFilter(f.Master);
        QCOMPARE(f.Ext->FilterState(), 1);
        QCOMPARE(f.Master->RecordCount(), 10);

        changed = nullptr;
        f.Ext->LoadFilter(f.Master, file);
        QCOMPARE(f.Ext->FilterState(), 3);
        QCOMPARE(f.Master->RecordCount(), 3);
        QCOMPARE(changed, static_cast<TDBDataSet*>(f.Master));
    }

    // --- moving

    void onlyMoveFollowsTheMaster()
    {
        TMasterDetailForm& f = form();
        f.Ext->SetMasterSource(f.SrcMaster);
        f.Ext->SetStayOnMasterSource(somOnlyMove);
        f.Focus(f.Grid);
        f.Detail->Last();
        f.Ext->CheckPoss();
        QCOMPARE(f.Ext->CurrentSource(), f.SrcDetail);
        // The master stands on its first record, the detail on its last.
        QVERIFY(!f.Ext->Possibilities(nbFirst));
        QVERIFY(!f.Ext->Possibilities(nbPrior));
        QVERIFY(f.Ext->Possibilities(nbNext));
        QVERIFY(f.Ext->Possibilities(nbLast));

        f.Ext->HandleNBBtn(nbNext);
        QCOMPARE(NrOf(f.Master), 2);
        QCOMPARE(NrOf(f.Detail), 2);
        f.Ext->HandleNBBtn(nbLast);
        QCOMPARE(NrOf(f.Master), 10);
        f.Ext->CheckPoss();
        QVERIFY(!f.Ext->Possibilities(nbNext));
        QVERIFY(f.Ext->Possibilities(nbFirst));

        // Without the rule the grid's own data set moves.
        f.Ext->SetStayOnMasterSource(somNo);
        f.Ext->HandleNBBtn(nbFirst);
        QCOMPARE(NrOf(f.Master), 10);
    }

    void allFuncsServesTheMasterWhateverHasTheFocus()
    {
        TMasterDetailForm& f = form();
        f.Ext->SetMasterSource(f.SrcMaster);
        f.Ext->SetStayOnMasterSource(somAllFuncs);
        f.Focus(f.Grid);
        QCOMPARE(f.Ext->CurrentSource(), f.SrcMaster);
        f.Ext->HandleNBBtn(nbNext);
        QCOMPARE(NrOf(f.Master), 2);
        QCOMPARE(NrOf(f.Detail), 2);
        f.Ext->HandleNBBtn(nbEdit);
        QCOMPARE(f.Master->State(), dsEdit);
        QCOMPARE(f.Detail->State(), dsBrowse);
    }

    void scrolledEventAfterFirstAndLast()
    {
        TMasterDetailForm& f = form();
        TDataSource* seen = nullptr;
        int count = 0;
        f.Ext->OnDataSetScrolled = [&](QObject*, TDataSource* src) {
            seen = src;
            ++count;
        };
        f.Ext->HandleNBBtn(nbLast);
        QCOMPARE(NrOf(f.Master), 10);
        QVERIFY(count >= 1);
        QCOMPARE(seen, f.SrcMaster);
    }

    void groupMoves_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("moveBy");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("fünf zurück") << int(nbPGroup) << 5 << 8 << 3;
        QTest::newRow("weniger am Anfang") << int(nbPGroup) << 5 << 3 << 1;
        QTest::newRow("fünf vor") << int(nbNGroup) << 5 << 2 << 7;
        QTest::newRow("weniger am Ende") << int(nbNGroup) << 5 << 8 << 10;
        QTest::newRow("drei vor") << int(nbNGroup) << 3 << 1 << 4;
        QTest::newRow("einer zurück") << int(nbPrior) << 5 << 6 << 5;
        QTest::newRow("einer vor") << int(nbNext) << 5 << 6 << 7;
    }
    void groupMoves()
    {
        QFETCH(int, button);
        QFETCH(int, moveBy);
        QFETCH(int, from);
        QFETCH(int, to);
        TMasterDetailForm& f = form();
        f.Ext->MoveBy = moveBy;
        GotoNr(f.Master, from);
        QApplication::processEvents();

        // The form shows the new record before the action returns.
        struct PaintSpy : QObject {
            int paints = 0;
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::Paint) ++paints;
                return false;
            }
        } spy;
        f.installEventFilter(&spy);
        f.Ext->HandleNBBtn(TDBENavigateBtn(button));
        f.removeEventFilter(&spy);
        QCOMPARE(NrOf(f.Master), to);
        QVERIFY(spy.paints > 0);
    }

    // --- refreshing first

    void autoRefresh_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("table");
        QTest::addColumn<bool>("refreshed");
        QTest::newRow("armNone, Tabelle") << int(armNone) << true << false;
        QTest::newRow("armTblOnly, Tabelle") << int(armTblOnly) << true << true;
        QTest::newRow("armAll, Tabelle") << int(armAll) << true << true;
        QTest::newRow("armTblOnly, andere Datenmenge") << int(armTblOnly) << false << false;
        QTest::newRow("armAll, andere Datenmenge") << int(armAll) << false << true;
    }
    void autoRefresh()
    {
        QFETCH(int, mode);
        QFETCH(bool, table);
        QFETCH(bool, refreshed);
        TMasterDetailForm& f = form();
        TTable* ds = table ? new TTable(&f) : new TDemoView(&f);
        ds->SetDatabaseName(QStringLiteral("Pelmora"));
        ds->SetTableName(QStringLiteral("Master.DB"));
        ds->Open();
        auto* src = new TDataSource(&f);
        src->SetDataSet(ds);
        f.Ext->SetMasterSource(src);
        f.Ext->AutoRefresh = TAutoRefreshMode(mode);
        f.Focus(f.Plain);
        TChangeCounter counter;
        counter.SetDataSource(src);
        f.Ext->HandleNBBtn(nbNext);
        QCOMPARE(NrOf(ds), 2);
        QCOMPARE(counter.Changes > 0, refreshed);
        counter.SetDataSource(nullptr);
    }

    // --- availability

    void checkPossOnInactiveFormChangesNothing()
    {
        TMasterDetailForm& f = form();
        QVERIFY(f.Ext->Possibilities(nbNext));
        QVERIFY(!f.Ext->Possibilities(nbFirst));
        QWidget other;
        QVERIFY(ShowActive(&other));
        f.Master->Last();
        f.Ext->CheckPoss();
        QVERIFY(f.Ext->Possibilities(nbNext));
        QVERIFY(!f.Ext->Possibilities(nbFirst));
        QCOMPARE(f.Ext->CurrentSource(), f.SrcMaster);

        QVERIFY(ShowActive(&f));
        f.Ext->CheckPoss();
        QVERIFY(!f.Ext->Possibilities(nbNext));
        QVERIFY(f.Ext->Possibilities(nbFirst));
    }

    void firstAndLastExactOrByFlags_data()
    {
        QTest::addColumn<bool>("exact");
        QTest::newRow("genau") << true;
        QTest::newRow("Anfangs- und Endekennung") << false;
    }
    void firstAndLastExactOrByFlags()
    {
        QFETCH(bool, exact);
        TMasterDetailForm& f = form();
        f.Ext->ExactBOF_EOF = exact;
        // Scrolled back onto the first record: its beginning flag is not set.
        f.Master->Next();
        f.Master->Prior();
        QVERIFY(!f.Master->Bof());
        f.Ext->CheckPoss();
        QCOMPARE(f.Ext->Possibilities(nbFirst), !exact);
        QCOMPARE(f.Ext->Possibilities(nbPrior), !exact);
        QCOMPARE(f.Ext->Possibilities(nbDupField), !exact);
        QVERIFY(f.Ext->Possibilities(nbNext));
    }

    void changeEventsWhenSomethingChanges()
    {
        TMasterDetailForm& f = form();
        int changes = 0, newSources = 0;
        TDataSource* newSource = nullptr;
        f.Ext->OnChangePoss = [&](QObject*) { ++changes; };
        f.Ext->OnNewDataSource = [&](QObject*, TDataSource* s) {
            ++newSources;
            newSource = s;
        };
        f.Ext->CheckPoss();
        QCOMPARE(changes, 0);
        QCOMPARE(newSources, 0);
        TCountingBar bar;
        f.Ext->RegisterNavigator(&bar);
        bar.Refreshes = 0;
        f.Focus(f.Grid);
        QVERIFY(bar.Refreshes > 0);
        f.Ext->UnregisterNavigator(&bar);
        QVERIFY(changes > 0);
        QVERIFY(newSources > 0);
        QCOMPARE(newSource, f.SrcDetail);
        QCOMPARE(f.Ext->CurrentSource(), f.SrcDetail);
    }

    void availability_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<BtnList>("possible");
        QTest::addColumn<BtnList>("impossible");
        QTest::newRow("leere Tabelle")
            << QStringLiteral("leer")
            << BtnList{nbInsert, nbEdit, nbRefresh, nbUserBtn, nbTblFilter, nbTableView, nbSingleRecView,
                       nbIndexSelect}
            << BtnList{nbSearch, nbSearchInc, nbSearchNext, nbSetBookmark, nbGotoBookmark, nbFirst, nbPGroup, nbPrior,
                       nbNext, nbNGroup, nbLast, nbDelete, nbDupField, nbDupRecord, nbPost, nbCancel, nbActiveFilter,
                       nbGlobalEdit};
        QTest::newRow("erster Datensatz")
            << QStringLiteral("erster")
            << BtnList{nbSearch, nbSearchInc, nbSetBookmark, nbNext, nbNGroup, nbLast, nbInsert, nbDelete, nbEdit,
                       nbDupRecord, nbTableView, nbSingleRecView, nbIndexSelect, nbRefresh, nbTblFilter, nbUserBtn}
            << BtnList{nbFirst, nbPGroup, nbPrior, nbDupField, nbPost, nbCancel, nbGotoBookmark, nbSearchNext,
                       nbActiveFilter, nbGlobalEdit, nbMemoView, nbLookUp};
        QTest::newRow("letzter Datensatz")
            << QStringLiteral("letzter")
            << BtnList{nbFirst, nbPGroup, nbPrior, nbDupField, nbDupRecord, nbDelete, nbEdit}
            << BtnList{nbNext, nbNGroup, nbLast, nbPost, nbCancel};
        QTest::newRow("Bearbeiten")
            << QStringLiteral("bearbeiten")
            << BtnList{nbPost, nbCancel, nbDupField, nbDupRecord, nbInsert, nbDelete}
            << BtnList{nbEdit};
        QTest::newRow("schreibgeschützte Datenmenge")
            << QStringLiteral("schreibgeschützt")
            << BtnList{nbNext, nbSearch, nbRefresh, nbSetBookmark, nbTableView}
            << BtnList{nbInsert, nbDelete, nbEdit, nbDupField, nbDupRecord, nbPost, nbCancel};
        QTest::newRow("Bearbeitungsmodus aus")
            << QStringLiteral("modus aus")
            << BtnList{nbGlobalEdit, nbNext, nbSearch, nbRefresh}
            << BtnList{nbInsert, nbDelete, nbEdit, nbDupField, nbDupRecord};
        QTest::newRow("Memofeld")
            << QStringLiteral("memo")
            << BtnList{nbMemoView, nbSearchInc}
            << BtnList{nbLookUp};
        QTest::newRow("ohne Datenfeld")
            << QStringLiteral("frei")
            << BtnList{nbUserBtn}
            << BtnList{nbNext, nbSearch, nbInsert, nbEdit, nbRefresh, nbMemoView, nbSearchInc};
        QTest::newRow("Funktionen abgeschaltet")
            << QStringLiteral("keine Tasten")
            << BtnList{nbPost, nbRefresh, nbUserBtn}
            << BtnList{nbEdit, nbSearch, nbSearchInc, nbSetBookmark, nbNext, nbInsert, nbDelete, nbDupField, nbDupRecord,
                       nbCancel, nbTableView, nbIndexSelect, nbTblFilter};
    }
    void availability()
    {
        QFETCH(QString, state);
        QFETCH(BtnList, possible);
        QFETCH(BtnList, impossible);
        TMasterDetailForm& f = form(state != QLatin1String("leer"), state == QStringLiteral("schreibgeschützt"));
        if (state == QLatin1String("letzter")) {
            f.Master->Last();
        } else if (state == QLatin1String("bearbeiten")) {
            f.Master->Next();
            f.Master->Edit();
        } else if (state == QLatin1String("modus aus")) {
            GotoNr(f.Master, 4);
            f.Ext->SetManageGlobalEdit(true);
        } else if (state == QLatin1String("memo")) {
            f.Focus(f.Memo);
        } else if (state == QLatin1String("frei")) {
            f.Focus(f.Plain);
        } else if (state == QLatin1String("keine Tasten")) {
            f.Master->Next();
            f.Master->Edit();
            f.Ext->SetAllowKeys({});
        }
        f.Ext->CheckPoss();
        for (int b : possible) QVERIFY2(f.Ext->Possibilities(TDBENavigateBtn(b)), qPrintable(btnName(b)));
        for (int b : impossible) QVERIFY2(!f.Ext->Possibilities(TDBENavigateBtn(b)), qPrintable(btnName(b)));
    }

    // --- views and dialogs are offered to the form first

    void tableViewSynchronRule_data()
    {
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<bool>("isDefault");
        QTest::addColumn<bool>("synchron");
        QTest::newRow("ohne Strg, Standard getrennt") << false << false << false;
        QTest::newRow("Strg, Standard getrennt") << true << false << true;
        QTest::newRow("ohne Strg, Standard synchron") << false << true << true;
        QTest::newRow("Strg, Standard synchron") << true << true << false;
    }
    void tableViewSynchronRule()
    {
        QFETCH(bool, ctrl);
        QFETCH(bool, isDefault);
        QFETCH(bool, synchron);
        TMasterDetailForm& f = form();
        f.Ext->TVSynchronIsDefault = isDefault;
        f.Ext->SRVSynchronIsDefault = isDefault;
        QList<TFormEventRec> offered;
        f.Ext->OnSpecialForm = [&](QObject*, TFormEventRec& rec) {
            offered << rec;
            rec.Show = false;
        };
        const TShiftState shift = ctrl ? TShiftState{ssCtrl} : TShiftState{};
        f.Ext->HandleNBBtn(nbTableView, shift);
        f.Ext->HandleNBBtn(nbSingleRecView, shift);
        QCOMPARE(offered.size(), 2);
        QCOMPARE(offered[0].FormType, fetTableView);
        QCOMPARE(offered[0].DataSet, static_cast<QObject*>(f.Master));
        QCOMPARE(offered[0].Synchron, synchron);
        QCOMPARE(offered[0].BorderStyle, f.Ext->BorderStyleTblView);
        QCOMPARE(offered[1].FormType, fetSingleRecView);
        QCOMPARE(offered[1].Synchron, synchron);
        QCOMPARE(offered[1].BorderStyle, f.Ext->BorderStyleSingleRec);
    }

    void memoViewIsOfferedReadOnlyWithoutAutoEdit()
    {
        TMasterDetailForm& f = form();
        f.Focus(f.Memo);
        QList<TFormEventRec> offered;
        // What is offered counts here, not the viewer itself.
        f.Ext->OnSpecialForm = [&](QObject*, TFormEventRec& rec) {
            offered << rec;
            rec.Show = false;
        };
        f.Ext->HandleNBBtn(nbMemoView);
        f.SrcMaster->SetAutoEdit(false);
        f.Ext->HandleNBBtn(nbMemoView);
        QCOMPARE(offered.size(), 2);
        QCOMPARE(offered[0].FormType, fetMemo);
        QVERIFY(offered[0].Field == f.Master->FieldByName("Notiz"));
        QVERIFY(!offered[0].ReadOnly);
        QVERIFY(offered[1].ReadOnly);
    }

    // --- lookup definitions

    void lookupFromEvents_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("possible");
        QTest::newRow("keine") << QString() << false;
        QTest::newRow("GetLookupDef") << QStringLiteral("def") << true;
        QTest::newRow("GetExtLookupDef mit Abfrage") << QStringLiteral("sql") << true;
        QTest::newRow("GetExtLookupDef mit Datenmenge") << QStringLiteral("ds") << true;
    }
    void lookupFromEvents()
    {
        QFETCH(QString, source);
        QFETCH(bool, possible);
        TMasterDetailForm& f = form();
        if (source == QLatin1String("def"))
            f.Ext->GetLookupDef = [](TField* fld, bool&, QString&, QString& tbl, QString&, QString&, QString&,
                                     QString&) {
                if (fld->FieldName() == QLatin1String("Ort")) tbl = QStringLiteral("Orte.DB");
            };
        TTable* other = f.Detail;
        f.Ext->GetExtLookupDef = [&](TField* fld, bool, TDBDataSet*& ds, QString&, QStringList& sql, bool&,
                                     QString&, QString&, bool&, QString&, QString&, QString&) {
            if (fld->FieldName() != QLatin1String("Ort")) return;
            if (source == QLatin1String("sql")) sql << QStringLiteral("SELECT Ort FROM Orte");
            if (source == QLatin1String("ds")) ds = other;
        };
        f.Focus(f.EditOrt);
        QCOMPARE(f.Ext->Possibilities(nbLookUp), possible);
        f.Focus(f.EditName);
        QVERIFY(!f.Ext->Possibilities(nbLookUp));
    }

    void lookupNeedsItsAllowKey()
    {
        TMasterDetailForm& f = form();
        f.Ext->GetLookupDef = [](TField*, bool&, QString&, QString& tbl, QString&, QString&, QString&, QString&) {
            tbl = QStringLiteral("Orte.DB");
        };
        f.Focus(f.EditOrt);
        QVERIFY(f.Ext->Possibilities(nbLookUp));
        TAllowKeys keys = AllAllowKeys;
        keys.Exclude(akLookUp);
        f.Ext->SetAllowKeys(keys);
        f.Ext->CheckPoss();
        QVERIFY(!f.Ext->Possibilities(nbLookUp));
    }
};

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    TstDbextendDispatch tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_dbextend_dispatch.moc"
