// The extender's registry of data sets and what each entry owns: search
// item, filter, bookmarks, index and lookup lists, exact first/last probes
// and positioning a table on another table's record through its master.
#include "Application.h"
#include "DBEFilt.h"
#include "DBErrors.h"
#include "DBEdit.h"
#include "DBGrid.h"
#include "DBMemo.h"
#include "Dbebmdlg.h"
#include "Dbeconst.h"
#include "Dbeobj.h"
#include "Dialogs.h"
#include "Panel.h"
#include "Session.h"
#include "Table.h"
#include "TestTables.h"
#include "UiTestSupport.h"
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>
#include <QtEndian>
#include <QtTest>
#include "Dbextend.h"
#include <memory>

namespace {

// Key order = entry order.
const QList<TMasterRow> kMasters = {
    {1, "Anton", "Berlin"}, {2, "anna", "Hamburg"}, {3, "Berta", ""}, {4, "Hans", "Köln"}, {5, "Andreas", "Bonn"},
};

QStringList names(TDataSet* ds)
{
    QStringList out;
    for (ds->First(); !ds->Eof(); ds->Next()) out << ds->FieldByName("Name")->AsString();
    return out;
}

QList<int> numbers(const TBMManager& bm)
{
    QList<int> out;
    for (int i = 0; i < bm.Count(); ++i) out << bm.Item(i)->Number;
    return out;
}

template <typename T> QByteArray le(T v)
{
    QByteArray b(int(sizeof(T)), '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray slot(qint32 cls, qint32 op, quint16 a, quint16 b, quint16 c, quint16 d)
{
    return le(cls) + le(op) + le(a) + le(b) + le(c) + le(d) + QByteArray(2, '\0');
}

} // namespace

class TstDbextendTables : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TTestDatabases> m_db;
    std::unique_ptr<TMasterDetailForm> m_form;

    TMasterDetailForm& form()
    {
        m_form.reset();
        m_db = std::make_unique<TTestDatabases>(TTestDatabases::Empty);
        // Details of masters 1 to 3, and of one that does not exist.
        CreateMasterDetailTables(kMasters, {1, 2, 3, 99});
        m_form = std::make_unique<TMasterDetailForm>();
        return *m_form;
    }

private slots:
    void cleanup()
    {
        m_form.reset();
        m_db.reset();
    }

    // ------------------------------------------------------ pattern matcher

    void matches_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("ignoreCase");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("match");
        QTest::addColumn<int>("pos");
        QTest::addColumn<int>("len");
        QTest::newRow("prefix matches") << "Mai.." << true << "Maier" << true << 0 << 3;
        QTest::newRow("prefix matches whole value") << "Mai.." << true << "Mai" << true << 0 << 3;
        QTest::newRow("prefix not inside") << "Mai.." << true << "Obermaier" << false << 0 << 9;
        QTest::newRow("inside ignoring case") << "..mai.." << true << "Obermaier" << true << 4 << 3;
        QTest::newRow("inside respecting case") << "..mai.." << false << "Obermaier" << true << 4 << 3;
        QTest::newRow("case respected") << "..Mai.." << false << "Obermaier" << false << 0 << 9;
        QTest::newRow("suffix") << "..er" << true << "Obermaier" << true << 7 << 2;
        QTest::newRow("suffix missing") << "..er" << true << "Maierin" << false << 0 << 7;
        QTest::newRow("wildcard alone, value") << ".." << true << "x" << true << 0 << 1;
        QTest::newRow("wildcard alone, empty") << ".." << true << "" << false << 0 << 0;
        QTest::newRow("empty pattern, empty value") << "" << true << "" << true << 0 << 0;
        QTest::newRow("empty pattern, value") << "" << true << "x" << false << 0 << 1;
        QTest::newRow("three pieces") << "A..B..C" << true << "AxBxC" << true << 0 << 5;
        QTest::newRow("three pieces, end anchored") << "A..B..C" << true << "AxBxCx" << false << 0 << 6;
        QTest::newRow("first later piece only") << "A..B" << true << "AxBxB" << false << 0 << 5;
        QTest::newRow("pieces unanchored") << "..B..D.." << true << "abcde" << true << 1 << 3;
        QTest::newRow("value shorter than piece") << "Maier.." << true << "Mai" << false << 0 << 3;
        QTest::newRow("umlaut and sharp s keep positions") << "..STRASSE" << true << "Hauptstraße" << false << 0 << 11;
        QTest::newRow("sharp s as typed") << "..straße" << true << "Hauptstraße" << true << 5 << 6;
        QTest::newRow("exact") << "Berlin" << true << "BERLIN" << true << 0 << 6;
    }

    void matches()
    {
        QFETCH(QString, pattern);
        QFETCH(bool, ignoreCase);
        QFETCH(QString, value);
        QFETCH(bool, match);
        QFETCH(int, pos);
        QFETCH(int, len);
        TSrchItem item;
        item.IgnoreCase = ignoreCase;
        item.SetPattern(pattern);
        QCOMPARE(item.Matches(value), match);
        if (match) {
            QCOMPARE(item.MatchPos, pos);
            QCOMPARE(item.MatchLen, len);
        }
    }

    void patternPieces_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<bool>("anchoredStart");
        QTest::addColumn<bool>("anchoredEnd");
        QTest::newRow("four dots stay a piece") << "A....B" << QStringList{"A", "..B"} << true << true;
        QTest::newRow("leading and trailing") << "..ab..cd.." << QStringList{"AB", "CD"} << false << false;
        QTest::newRow("wildcard only") << ".." << QStringList{} << false << false;
        QTest::newRow("empty") << "" << QStringList{} << true << true;
    }

    void patternPieces()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, pieces);
        QFETCH(bool, anchoredStart);
        QFETCH(bool, anchoredEnd);
        TSrchItem item;
        item.SetPattern(QStringLiteral("x"));   // not the initial empty pattern
        item.SetPattern(pattern);
        QCOMPARE(item.Pieces, pieces);
        QCOMPARE(item.AnchoredStart, anchoredStart);
        QCOMPARE(item.AnchoredEnd, anchoredEnd);
        QCOMPARE(item.Pattern, pattern.toUpper());
    }

    // ----------------------------------------------------------- the entry

    void reopenRebuildsEntry_data()
    {
        QTest::addColumn<bool>("bareDataSet");
        QTest::newRow("entry of a data source") << false;
        QTest::newRow("entry of a bare data set") << true;
    }

    void reopenRebuildsEntry()
    {
        QFETCH(bool, bareDataSet);
        TMasterDetailForm& f = form();
        TTableDefs* e = bareDataSet ? f.Ext->Tables().FindOrAddByDataSet(f.Master)
                                    : f.Ext->Tables().FindOrAddBySource(f.SrcMaster);
        QVERIFY(e);
        QCOMPARE(e->DataSetOf(), f.Master);
        QCOMPARE(e->CursorHandle(), f.Master->Handle());
        e->SearchField = QStringLiteral("Name");
        e->SearchItem()->SetPattern(QStringLiteral("An.."));
        const TDBEFilterRow row{QStringLiteral("Name"), foEqual, QStringLiteral("an.."), foAnd};
        e->Filter()->ApplyRows(&row, 1, true);
        QCOMPARE(e->FilterState(), 3);
        QCOMPARE(f.Master->RecordCount(), 3);
        QCOMPARE(e->Bookmarks()->Add(), 1);
        QStringList captions;
        e->GetIndexList(captions);
        QCOMPARE(captions.first(), DBEString(59063));

        f.Ext->IndexNamesAs = dilFldNames;
        f.Master->Close();
        f.Master->Open();
        e->Revalidate();

        QCOMPARE(e->DataSetOf(), f.Master);
        QCOMPARE(e->CursorHandle(), f.Master->Handle());
        QVERIFY(e->SearchField.isEmpty());
        QVERIFY(e->SearchItem()->Pattern.isEmpty());
        QCOMPARE(e->FilterState(), 1);
        QCOMPARE(e->Filter()->DataSet(), f.Master);
        QCOMPARE(e->Bookmarks()->Count(), 0);
        QCOMPARE(f.Master->RecordCount(), 5);
        // The index list was read again, now labelled by fields.
        e->GetIndexList(captions);
        QCOMPARE(captions, (QStringList{"Nr", "Name", "Ort;Name"}));
        // The filter works on the reopened table.
        e->Filter()->ApplyRows(&row, 1, true);
        QCOMPARE(names(f.Master), (QStringList{"Anton", "anna", "Andreas"}));
    }

    void indexChangedOutsideResetsEntry()
    {
        TMasterDetailForm& f = form();
        TTableDefs* e = f.Ext->Tables().FindOrAddBySource(f.SrcMaster);
        e->SearchField = QStringLiteral("Name");
        f.Master->SetIndexName(QStringLiteral("ByName"));
        QVERIFY(e->CursorHandle() != f.Master->Handle());
        e->Revalidate();
        QVERIFY(e->SearchField.isEmpty());
        QCOMPARE(e->CursorHandle(), f.Master->Handle());
    }

    void exactProbes_data()
    {
        QTest::addColumn<QString>("walk");
        QTest::addColumn<bool>("first");
        QTest::addColumn<bool>("last");
        QTest::addColumn<bool>("bof");
        QTest::addColumn<bool>("eof");
        QTest::newRow("first by scrolling back") << "last,prior,prior,prior,prior" << true << false << false << false;
        QTest::newRow("first after opening") << "" << true << false << true << false;
        QTest::newRow("second record") << "next" << false << false << false << false;
        QTest::newRow("last by scrolling on") << "next,next,next,next" << false << true << false << false;
        QTest::newRow("last by Last") << "last" << false << true << false << true;
    }

    void exactProbes()
    {
        QFETCH(QString, walk);
        QFETCH(bool, first);
        QFETCH(bool, last);
        QFETCH(bool, bof);
        QFETCH(bool, eof);
        TMasterDetailForm& f = form();
        TTableDefs* e = f.Ext->Tables().FindOrAddBySource(f.SrcMaster);
        for (const QString& step : walk.split(u',', Qt::SkipEmptyParts)) {
            if (step == "last") f.Master->Last();
            else if (step == "prior") f.Master->Prior();
            else if (step == "next") f.Master->Next();
        }
        QCOMPARE(f.Master->Bof(), bof);
        QCOMPARE(f.Master->Eof(), eof);
        TEngineCursor* probe = e->ProbeCursor();
        QVERIFY(probe);
        QCOMPARE(e->IsFirst(probe), first);
        QCOMPARE(e->IsLast(probe), last);
        // Without a probe the data set's own flags answer.
        QCOMPARE(e->IsFirst(nullptr), bof);
        QCOMPARE(e->IsLast(nullptr), eof);
        // The probe never moves the data set.
        const int nr = NrOf(f.Master);
        e->IsFirst(probe);
        e->IsLast(probe);
        QCOMPARE(NrOf(f.Master), nr);
    }

    void probeOfInactiveDataSet()
    {
        TMasterDetailForm& f = form();
        TTableDefs* e = f.Ext->Tables().FindOrAddBySource(f.SrcMaster);
        f.Master->Close();
        QVERIFY(!e->ProbeCursor());
        QVERIFY(TableTypeName(f.Master).isEmpty());
        f.Master->Open();
        QCOMPARE(TableTypeName(f.Master), QStringLiteral("PARADOX"));
        QVERIFY(e->ProbeCursor());
    }

    void indexList_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("hidden");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QStringList>("indexNames");
        QTest::newRow("index names")
            << int(dilIdxName) << "" << QStringList{"*Primär", "ByName", "ByOrtName"}
            << QStringList{"", "ByName", "ByOrtName"};
        QTest::newRow("field names") << int(dilFldNames) << "" << QStringList{"Nr", "Name", "Ort;Name"}
                                     << QStringList{"", "ByName", "ByOrtName"};
        QTest::newRow("display labels") << int(dilFldDisplayLabels) << ""
                                        << QStringList{"Nummer", "Kunde", "Wohnort;Kunde"}
                                        << QStringList{"", "ByName", "ByOrtName"};
        QTest::newRow("hidden index") << int(dilIdxName) << "ByName" << QStringList{"*Primär", "ByOrtName"}
                                      << QStringList{"", "ByOrtName"};
        QTest::newRow("hidden primary") << int(dilFldNames) << "" // hidden by name "" below
                                        << QStringList{"Name", "Ort;Name"} << QStringList{"ByName", "ByOrtName"};
    }

    void indexList()
    {
        QFETCH(int, mode);
        QFETCH(QString, hidden);
        QFETCH(QStringList, captions);
        QFETCH(QStringList, indexNames);
        TMasterDetailForm& f = form();
        f.Master->FieldByName("Nr")->SetDisplayLabel(QStringLiteral("Nummer"));
        f.Master->FieldByName("Name")->SetDisplayLabel(QStringLiteral("Kunde"));
        f.Master->FieldByName("Ort")->SetDisplayLabel(QStringLiteral("Wohnort"));
        f.Ext->IndexNamesAs = TDefaultIndexLabels(mode);
        const bool hidePrimary = QByteArray(QTest::currentDataTag()) == "hidden primary";
        auto seen = std::make_shared<TTable*>(nullptr);
        f.Ext->GetIdxDescription = [=](TTable* t, const QString& idxName, QString&, bool& show) {
            *seen = t;
            if ((!hidden.isEmpty() && idxName == hidden) || (hidePrimary && idxName.isEmpty())) show = false;
        };
        TTableDefs* e = f.Ext->Tables().FindOrAddBySource(f.SrcMaster);
        e->BuildIndexList();
        QCOMPARE(*seen, f.Master);
        QStringList got;
        const int current = e->GetIndexList(got);
        QCOMPARE(got, captions);
        QCOMPARE(e->IndexCount(), int(captions.size()));
        QStringList gotNames;
        for (int i = 0; i < e->IndexCount(); ++i) gotNames << e->IndexNameAt(i);
        QCOMPARE(gotNames, indexNames);
        QCOMPARE(current, int(indexNames.indexOf(QString())));
    }

    void descriptionHandlerRenames()
    {
        TMasterDetailForm& f = form();
        f.Ext->GetIdxDescription = [](TTable*, const QString& idxName, QString& desc, bool&) {
            if (idxName == "ByName") desc = QStringLiteral("Nach Name");
        };
        TTableDefs* e = f.Ext->Tables().FindOrAddBySource(f.SrcMaster);
        e->BuildIndexList();
        QStringList got;
        e->GetIndexList(got);
        QCOMPARE(got, (QStringList{"*Primär", "Nach Name", "ByOrtName"}));
    }

    void setIndex()
    {
        TMasterDetailForm& f = form();
        TTableDefs* e = f.Ext->Tables().FindOrAddBySource(f.SrcMaster);
        e->SearchField = QStringLiteral("Name");
        e->Bookmarks()->Add();
        auto changed = std::make_shared<QList<TDataSource*>>();
        f.Ext->OnDataSetChanged = [changed](QObject*, TDataSource* ds) { *changed << ds; };
        e->SetIndex(QStringLiteral("ByName"));
        QCOMPARE(f.Master->IndexName(), QStringLiteral("ByName"));
        QCOMPARE(e->CursorHandle(), f.Master->Handle());
        QCOMPARE(e->Bookmarks()->Count(), 0);
        QVERIFY(changed->contains(f.SrcMaster));
        // The switch was the entry's own: nothing is rebuilt afterwards.
        e->Revalidate();
        QCOMPARE(e->SearchField, QStringLiteral("Name"));
        QStringList got;
        QCOMPARE(e->GetIndexList(got), 1);
        QCOMPARE(names(f.Master), (QStringList{"Andreas", "Anton", "Berta", "Hans", "anna"}));
    }

    void lookupList()
    {
        form();
        m_form.reset();
        TDatabase* db = Session().Database(QStringLiteral("Pelmora"));
        db->AddValCheck(QStringLiteral("Master.DB"), {3, false, QStringLiteral("Orte.DB"), 1});
        db->AddValCheck(QStringLiteral("Master.DB"), {2, true, QString(), 0});
        db->AddValCheck(QStringLiteral("Master.DB"), {2, false, QStringLiteral("Namen.DB"), 4});
        m_form = std::make_unique<TMasterDetailForm>();
        TTableDefs* e = m_form->Ext->Tables().FindOrAddBySource(m_form->SrcMaster);
        int type = -1;
        QString table;
        QVERIFY(e->GetLookupEntry(3, type, table));
        QCOMPARE(type, 1);
        QCOMPARE(table, QStringLiteral("Orte.DB"));
        QVERIFY(e->GetLookupEntry(2, type, table));
        QCOMPARE(type, 4);
        QCOMPARE(table, QStringLiteral("Namen.DB"));
        QVERIFY(!e->GetLookupEntry(1, type, table));
        // Newest first.
        QCOMPARE(e->LookupEntries().front().FieldNo, 2);
    }

    // -------------------------------------------------------- the list

    void relinkKeepsEntry()
    {
        TMasterDetailForm& f = form();
        TTableList& list = f.Ext->Tables();
        TTableDefs* e = list.FindOrAddBySource(f.SrcMaster);
        e->SearchField = QStringLiteral("Name");
        auto* other = new TDataSource(&f);
        other->SetDataSet(f.Master);
        QCOMPARE(list.FindOrAddBySource(other), e);
        QCOMPARE(e->DataSource(), other);
        QCOMPARE(e->SearchField, QStringLiteral("Name"));   // no rebuild
        QCOMPARE(list.FindOrAddByDataSet(f.Master), e);
        QVERIFY(!list.FindBySource(f.SrcMaster));
        QCOMPARE(list.FindByDataSet(f.Master), e);
        TTableDefs* d = list.FindOrAddBySource(f.SrcDetail);
        QVERIFY(d && d != e);
        QCOMPARE(d->DataSetOf(), f.Detail);
        QVERIFY(!list.FindOrAddBySource(nullptr));
    }

    void noticesReachTheExtender()
    {
        TMasterDetailForm& f = form();
        TTableDefs* e = f.Ext->Tables().FindOrAddBySource(f.SrcMaster);
        auto log = std::make_shared<QStringList>();
        TDataSource* src = f.SrcMaster;
        f.Ext->OnDataSetScrolled = [=](QObject*, TDataSource* ds) { if (ds == src) *log << "scrolled"; };
        f.Ext->OnEditingChanged = [=](QObject*, TDataSource* ds) { if (ds == src) *log << "editing"; };
        f.Ext->OnActiveChanged = [=](QObject*, TDataSource* ds) { if (ds == src) *log << "active"; };
        QStringList& seen = *log;
        f.Master->Next();
        QVERIFY(seen.contains("scrolled"));
        f.Master->Edit();
        QVERIFY(seen.contains("editing"));
        f.Master->Cancel();
        seen.clear();
        e->SearchField = QStringLiteral("Name");
        f.Master->Close();
        QVERIFY(seen.contains("active"));
        QVERIFY(e->SearchField.isEmpty());
        QCOMPARE(e->CursorHandle(), quint64(0));
        QCOMPARE(e->FilterState(), 1);
        f.Master->Open();
        QCOMPARE(e->CursorHandle(), f.Master->Handle());
    }

    void postAll()
    {
        TMasterDetailForm& f = form();
        TTableList& list = f.Ext->Tables();
        list.FindOrAddBySource(f.SrcMaster);
        list.FindOrAddBySource(f.SrcDetail);
        f.Master->Edit();
        f.Master->FieldByName("Name")->SetAsString(QStringLiteral("Antonia"));
        list.PostAll();
        QCOMPARE(f.Master->State(), dsBrowse);
        f.Master->Refresh();
        QCOMPARE(f.Master->FieldByName("Name")->AsString(), QStringLiteral("Antonia"));
    }

    void shareWith()
    {
        TMasterDetailForm& f = form();
        TTableDefs* e = f.Ext->Tables().FindOrAddBySource(f.SrcMaster);
        auto* view = new TDataSource(&f);
        auto* copy = new TTable(&f);
        copy->SetDatabaseName(QStringLiteral("Pelmora"));
        copy->SetTableName(QStringLiteral("Master.DB"));
        view->SetDataSet(copy);
        TTableDefs* v = f.Ext->Tables().FindOrAddBySource(view);
        v->ShareWith(e);
        QVERIFY(v->Shared());
        QCOMPARE(v->Filter(), e->Filter());
        QCOMPARE(v->Bookmarks(), e->Bookmarks());
        v->ShareWith(v);   // once only; still shares
        QCOMPARE(v->Filter(), e->Filter());
    }

    void bookmarkOptionsReachEveryManager()
    {
        TMasterDetailForm& f = form();
        TTableList& list = f.Ext->Tables();
        TTableDefs* m = list.FindOrAddBySource(f.SrcMaster);
        TTableDefs* d = list.FindOrAddBySource(f.SrcDetail);
        m->Bookmarks()->Add();
        list.SetBookmarkOptions(false, false, false, false);
        for (TTableDefs* e : {m, d}) {
            QVERIFY(!e->Bookmarks()->KeepOnlyIndex());
            QVERIFY(!e->Bookmarks()->UseNonVisFields());
            QVERIFY(!e->Bookmarks()->AllowMasterMove());
            QVERIFY(!e->Bookmarks()->AllowUserAbort());
        }
        QCOMPARE(m->Bookmarks()->Count(), 0);   // capture options changed
    }

    // ------------------------------------------------------ locate record

    void locateRecord_data()
    {
        QTest::addColumn<int>("masterBefore");
        QTest::addColumn<int>("nr");
        QTest::addColumn<int>("pos");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("masterAfter");
        QTest::addColumn<QString>("dialog");
        QTest::newRow("same master") << 2 << 2 << 3 << true << 2 << "";
        QTest::newRow("master moved first") << 1 << 3 << 2 << true << 3 << "";
        QTest::newRow("master missing")
            << 1 << 99 << 2 << false << 1
            << "Fehler in Referentieller Integrität!\nSchlüsselwerte in Haupttabelle Master.DB nicht gefunden.";
    }

    void locateRecord()
    {
        QFETCH(int, masterBefore);
        QFETCH(int, nr);
        QFETCH(int, pos);
        QFETCH(bool, found);
        QFETCH(int, masterAfter);
        QFETCH(QString, dialog);
        TMasterDetailForm& f = form();
        GotoNr(f.Master, masterBefore);
        TTable source;
        source.SetDatabaseName(QStringLiteral("Pelmora"));
        source.SetTableName(QStringLiteral("Detail.DB"));
        source.Open();
        QVERIFY(source.FindKey({nr, pos}));
        auto log = std::make_shared<QStringList>();
        f.Detail->BeforeScroll = [log](TDataSet*) { *log << "before"; };
        f.Detail->AfterScroll = [log](TDataSet*) { *log << "after"; };
        const QStringList& events = *log;
        TDialogRecorder rec;
        QCOMPARE(LocateRecord(f.Detail, &source, true), found);
        QCOMPARE(NrOf(f.Master), masterAfter);
        QVERIFY(!events.isEmpty());
        QCOMPARE(events.first(), QStringLiteral("before"));
        QCOMPARE(events.last(), QStringLiteral("after"));
        if (found) {
            QCOMPARE(NrOf(f.Detail), nr);
            QCOMPARE(int(f.Detail->FieldByName("Pos")->AsInteger()), pos);
            QVERIFY(rec.IsEmpty());
        } else {
            QCOMPARE(rec.Records().size(), 1);
            QCOMPARE(rec.Last().Type, mtError);
            QCOMPARE(rec.Last().Text, dialog);
            QCOMPARE(rec.Last().Buttons, TMsgDlgButtons(mbOK));
        }
    }

    void secondTable()
    {
        TMasterDetailForm& f = form();
        f.Master->SetIndexName(QStringLiteral("ByName"));
        GotoNr(f.Master, 4);
        std::unique_ptr<TTable> t(SecondTable(f.Master, nullptr, true, true, true));
        QCOMPARE(t->TableName(), f.Master->TableName());
        QCOMPARE(t->IndexName(), QStringLiteral("ByName"));
        QVERIFY(!t->CanModify());
        QCOMPARE(NrOf(t.get()), 4);
        std::unique_ptr<TTable> closed(SecondTable(f.Detail, nullptr, false, false, false));
        QVERIFY(!closed->Active());
        QCOMPARE(closed->IndexFieldNames(), QStringLiteral("Nr"));
    }

    // ----------------------------------------------------------- bookmarks

    void bookmarkNumbering()
    {
        TMasterDetailForm& f = form();
        TBMManager bm(f.Master, true, true, true, true);
        QCOMPARE(bm.Add(), 1);
        f.Master->Next();
        QCOMPARE(bm.Add(), 2);
        f.Master->Next();
        QCOMPARE(bm.Add(), 3);
        bm.Delete(2);
        QCOMPARE(bm.Add(), 4);
        QCOMPARE(numbers(bm), (QList<int>{1, 3, 4}));
        QCOMPARE(bm.IndexOfNumber(3), 1);
        QCOMPARE(bm.IndexOfNumber(2), -1);
    }

    void bookmarkSetNumbered_data()
    {
        QTest::addColumn<int>("digit");
        QTest::addColumn<QList<int>>("after");
        QTest::addColumn<int>("replaced");   // position now on the current record, -1 none
        QTest::newRow("new number at the end") << 7 << QList<int>{1, 3, 4, 7} << 3;
        QTest::newRow("existing number replaced") << 3 << QList<int>{1, 3, 4} << 1;
        QTest::newRow("gap filled in order") << 2 << QList<int>{1, 2, 3, 4} << 1;
    }

    void bookmarkSetNumbered()
    {
        QFETCH(int, digit);
        QFETCH(QList<int>, after);
        QFETCH(int, replaced);
        TMasterDetailForm& f = form();
        TBMManager bm(f.Master, true, true, true, true);
        for (int n : {1, 3, 4}) {
            bm.SetNumbered(n);
            f.Master->Next();
        }
        // Now on record 4 of 5; the new bookmark takes record 5.
        f.Master->Last();
        bm.SetNumbered(digit);
        QCOMPARE(numbers(bm), after);
        QCOMPARE(bm.Item(replaced)->EngineBookmark, f.Master->GetBookmark());
        QCOMPARE(bm.Item(replaced)->Values.first(), QStringLiteral("5"));
    }

    void bookmarkRenumber_data()
    {
        QTest::addColumn<QList<int>>("start");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        // The original numbers in list order after the move, with their new numbers.
        QTest::addColumn<QList<int>>("originals");
        QTest::addColumn<QList<int>>("after");
        QTest::newRow("1 dragged below 3") << QList<int>{1, 2, 3} << 1 << 3 << QList<int>{2, 3, 1} << QList<int>{1, 2, 3};
        QTest::newRow("3 dragged above 1") << QList<int>{1, 2, 3} << 3 << 1 << QList<int>{3, 1, 2} << QList<int>{1, 2, 3};
        QTest::newRow("up into a gap") << QList<int>{1, 2, 5} << 1 << 4 << QList<int>{2, 1, 5} << QList<int>{2, 4, 5};
        QTest::newRow("run moves down to the next gap") << QList<int>{1, 3, 4, 5} << 1 << 5
                                                        << QList<int>{3, 4, 5, 1} << QList<int>{2, 3, 4, 5};
        QTest::newRow("run stops at a gap") << QList<int>{1, 2, 4, 5} << 1 << 5 << QList<int>{2, 4, 5, 1}
                                            << QList<int>{2, 3, 4, 5};
        QTest::newRow("down onto a run") << QList<int>{1, 2, 4, 7} << 7 << 1 << QList<int>{7, 1, 2, 4}
                                         << QList<int>{1, 2, 3, 4};
        QTest::newRow("past the end") << QList<int>{1, 2} << 1 << 9 << QList<int>{2, 1} << QList<int>{2, 9};
        QTest::newRow("unknown number") << QList<int>{1, 2} << 5 << 1 << QList<int>{1, 2} << QList<int>{1, 2};
    }

    void bookmarkRenumber()
    {
        QFETCH(QList<int>, start);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QList<int>, originals);
        QFETCH(QList<int>, after);
        TMasterDetailForm& f = form();
        TBMManager bm(f.Master, true, true, true, true);
        QHash<TBookmark, int> original;
        for (int n : start) {
            bm.SetNumbered(n);
            original[f.Master->GetBookmark()] = n;
            f.Master->Next();
        }
        bm.Renumber(from, to);
        QList<int> gotOriginals;
        for (int i = 0; i < bm.Count(); ++i) gotOriginals << original.value(bm.Item(i)->EngineBookmark);
        QCOMPARE(gotOriginals, originals);
        QCOMPARE(numbers(bm), after);
    }

    void bookmarkColumns_data()
    {
        QTest::addColumn<bool>("keepOnlyIndex");
        QTest::addColumn<QString>("index");
        QTest::addColumn<QStringList>("columns");
        QTest::newRow("index fields only") << true << "" << QStringList{"Nr"};
        QTest::newRow("secondary index fields") << true << "ByOrtName" << QStringList{"Ort", "Name"};
        QTest::newRow("all data fields") << false << "" << QStringList{"Nr", "Name", "Ort", "Notiz"};
    }

    void bookmarkColumns()
    {
        QFETCH(bool, keepOnlyIndex);
        QFETCH(QString, index);
        QFETCH(QStringList, columns);
        TMasterDetailForm& f = form();
        f.Master->SetIndexName(index);
        TBMManager bm(f.Master, true, true, true, keepOnlyIndex);
        QCOMPARE(bm.ColumnFields(), columns);
        bm.Add();
        QCOMPARE(bm.Item(0)->Values.size(), columns.size());
        bm.SetKeepOnlyIndex(!keepOnlyIndex);
        QCOMPARE(bm.Count(), 0);
    }

    void bookmarkWithoutDataSet()
    {
        TBMManager bm(nullptr, true, true, true, true);
        QCOMPARE(bm.Add(), -1);
        try {
            TBMItem item(nullptr, 1, true, true);
            QFAIL("no exception");
        } catch (const EDBEBookMarks& e) {
            QCOMPARE(e.Message(), QStringLiteral("Keine Tabelle für Lesezeichen definiert"));
        }
    }

    void bookmarkOfDetailMovesMaster_data()
    {
        QTest::addColumn<bool>("allowMasterMove");
        QTest::addColumn<bool>("reached");
        QTest::newRow("master moved back") << true << true;
        QTest::newRow("master stays") << false << false;
    }

    void bookmarkOfDetailMovesMaster()
    {
        QFETCH(bool, allowMasterMove);
        QFETCH(bool, reached);
        TMasterDetailForm& f = form();
        GotoNr(f.Master, 2);
        f.Detail->Next();
        TBMManager bm(f.Detail, true, allowMasterMove, true, true);
        QCOMPARE(bm.Add(), 1);
        GotoNr(f.Master, 1);
        QCOMPARE(bm.GotoNumber(1, false), reached);
        QCOMPARE(NrOf(f.Master), reached ? 2 : 1);
        if (reached) {
            QCOMPARE(int(f.Detail->FieldByName("Pos")->AsInteger()), 2);
        } else {
            int code = 0;
            try {
                bm.GotoNumber(1, true);
            } catch (const EDBEngineError& e) {
                code = e.ErrorCode();
            }
            QCOMPARE(code, DbiErr::OUTOFRANGE);
        }
    }

    // -------------------------------------------------------------- filter

    void filterStates()
    {
        TMasterDetailForm& f = form();
        TDBEFilter filter;
        QCOMPARE(filter.State(), 0);
        filter.SetDataSet(f.Master);
        QCOMPARE(filter.State(), 1);
        const TDBEFilterRow row{QStringLiteral("Name"), foEqual, QStringLiteral("an.."), foAnd};
        filter.ApplyRows(&row, 1, false);
        QCOMPARE(filter.State(), 1);
        // "Gleich" with a trailing wildcard: case-insensitive over the operand's length.
        const TDBEFilterNode& cmp = filter.Nodes().at(filter.Root());
        QCOMPARE(cmp.NodeClass, qint32(fncCompare));
        QCOMPARE(cmp.Operator, qint32(foEqual));
        QCOMPARE(cmp.A, quint16(0xFFFF));
        QCOMPARE(cmp.B, quint16(2));
        filter.SetRegistered(true);
        QCOMPARE(filter.State(), 2);
        QCOMPARE(names(f.Master).size(), 5);
        QStringList messages;
        filter.OnMessage = [&](int code) { messages << QString::number(code); };
        filter.SetActive(true);
        QCOMPARE(filter.State(), 3);
        QCOMPARE(messages, QStringList{"4"});
        QCOMPARE(names(f.Master), (QStringList{"Anton", "anna", "Andreas"}));
        filter.SetActive(false);
        QCOMPARE(filter.State(), 2);
        QCOMPARE(names(f.Master).size(), 5);
        filter.SetActive(true);
        filter.SetRegistered(false);
        QCOMPARE(filter.State(), 1);
        QCOMPARE(filter.Root(), -1);
        QCOMPARE(names(f.Master).size(), 5);
        filter.SetDataSet(nullptr);
        QCOMPARE(filter.State(), 0);
        try {
            filter.SetActive(true);
            QFAIL("no exception");
        } catch (const EDBEFilter& e) {
            QCOMPARE(e.Message(), QStringLiteral("Tabelle für Filter undefiniert."));
        }
    }

    void filterRows_data()
    {
        QTest::addColumn<QList<int>>("ops");
        QTest::addColumn<QStringList>("operands");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QList<int>>("connectives");
        QTest::addColumn<QStringList>("visible");
        QTest::newRow("not equal compares exactly") << QList<int>{foNotEqual} << QStringList{"anna.."}
                                                    << QStringList{"Name"} << QList<int>{}
                                                    << QStringList{"Anton", "Berta", "Hans", "Andreas"};
        QTest::newRow("leading dots are literal") << QList<int>{foEqual} << QStringList{"..na"} << QStringList{"Name"}
                                                  << QList<int>{} << QStringList{};
        QTest::newRow("blank place") << QList<int>{foIsBlank} << QStringList{""} << QStringList{"Ort"} << QList<int>{}
                                     << QStringList{"Berta"};
        QTest::newRow("left to right") << QList<int>{foEqual, foEqual, foGreater} << QStringList{"Berlin", "Bonn", "1"}
                                       << QStringList{"Ort", "Ort", "Nr"} << QList<int>{foOr, foAnd}
                                       << QStringList{"Andreas"};
        QTest::newRow("number compare") << QList<int>{foLessEq} << QStringList{"2"} << QStringList{"Nr"} << QList<int>{}
                                        << QStringList{"Anton", "anna"};
    }

    void filterRows()
    {
        QFETCH(QList<int>, ops);
        QFETCH(QStringList, operands);
        QFETCH(QStringList, fields);
        QFETCH(QList<int>, connectives);
        QFETCH(QStringList, visible);
        TMasterDetailForm& f = form();
        TTableDefs* e = f.Ext->Tables().FindOrAddBySource(f.SrcMaster);
        std::vector<TDBEFilterRow> rows;
        for (int i = 0; i < ops.size(); ++i)
            rows.push_back({fields[i], ops[i], operands[i], i < connectives.size() ? connectives[i] : foAnd});
        e->Filter()->ApplyRows(rows, true);
        QCOMPARE(e->FilterState(), 3);
        QCOMPARE(names(f.Master), visible);
    }

    void filterExpressionBytes()
    {
        TMasterDetailForm& f = form();
        TDBEFilter filter;
        filter.SetDataSet(f.Master);
        const std::vector<TDBEFilterRow> rows{{QStringLiteral("Name"), foEqual, QStringLiteral("Mü.."), foAnd},
                                              {QStringLiteral("Ort"), foIsBlank, QString(), foAnd}};
        filter.ApplyRows(rows, false);
        QCOMPARE(filter.NodeCount(), 7);
        QCOMPARE(filter.LiteralCount(), 4);
        filter.BuildExpression();
        // Pre-order from the root "Und"; the blank test's constant stays unused.
        QByteArray want = le<quint16>(2) + le<quint16>(149) + le<quint16>(7) + le<quint16>(10) + le<quint16>(136);
        want += slot(2, 10, 18, 72, 0, 0);
        want += slot(3, 3, 0xFFFF, 2, 36, 54);
        want += slot(4, 13, 2, 3, 0, 0);
        want += slot(5, 14, 1, 3, 0, 0);
        want += slot(1, 1, 90, 0, 0, 0);
        want += slot(4, 13, 3, 9, 0, 0);
        want += QByteArray(18, '\0');
        want += QByteArray("M\xFC", 2) + '\0' + QByteArray("Name") + '\0' + '\0' + QByteArray("Ort") + '\0';
        QCOMPARE(filter.Expression().toHex(' '), want.toHex(' '));
        filter.SetActive(true);
        QCOMPARE(names(f.Master), QStringList{});
    }

    void filterOperands_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("flag");
        QTest::newRow("trailing wildcard") << "Name" << "abc.." << true << QVariant("abc") << 1;
        QTest::newRow("dots inside stay") << "Name" << "a..b" << true << QVariant("a..b") << 0;
        QTest::newRow("wildcard alone") << "Name" << ".." << false << QVariant() << 2;
        QTest::newRow("integer") << "Nr" << "12" << true << QVariant(qint64(12)) << 0;
        QTest::newRow("integer empty") << "Nr" << "" << true << QVariant(qint64(0)) << 0;
        QTest::newRow("integer wrong") << "Nr" << "12.." << false << QVariant() << 0;
    }

    void filterOperands()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(QVariant, value);
        QFETCH(int, flag);
        TMasterDetailForm& f = form();
        QVariant got;
        int gotFlag = -1;
        QCOMPARE(TDBEFilter::ConvertOperand(f.Master->FieldByName(field), text, got, gotFlag), ok);
        QCOMPARE(gotFlag, flag);
        if (ok) QCOMPARE(got, value);
    }

    void filterLimits()
    {
        TMasterDetailForm& f = form();
        TDBEFilter filter;
        filter.SetDataSet(f.Master);
        TField* name = f.Master->FieldByName("Name");
        for (int i = 0; i < 35; ++i) {
            filter.AddConstant(name, QStringLiteral("x"), 0);
            filter.AddField(QStringLiteral("Name"));
        }
        try {
            filter.AddField(QStringLiteral("Name"));
            QFAIL("no exception");
        } catch (const EDBEFilter& e) {
            QCOMPARE(e.Message(), QStringLiteral("Maximale Anzahl Operanden erreicht"));
        }
        try {
            filter.AddOperator(foAnd, 0, 1);
            QFAIL("no exception");
        } catch (const EDBEFilter& e) {
            QCOMPARE(e.Message(), QStringLiteral("Maximale Anzahl Operatoren erreicht"));
        }
        QCOMPARE(filter.AddOperator(12, 0, 1), -1);
        try {
            filter.AddConstant(f.Master->FieldByName("Notiz"), QStringLiteral("x"), 0);
            QFAIL("no exception");
        } catch (const EDBEFilter& e) {
            QVERIFY(e.Message() == QStringLiteral("Maximale Anzahl Operanden erreicht"));
        }
        filter.Clear();
        try {
            filter.AddConstant(f.Master->FieldByName("Notiz"), QStringLiteral("x"), 0);
            QFAIL("no exception");
        } catch (const EDBEFilter& e) {
            QCOMPARE(e.Message(), QStringLiteral("Ungültiger Feldtyp für Filter"));
        }
    }

    void filterProgressMessage()
    {
        TMasterDetailForm& f = form();
        f.Ext->SetShowStatusOptions(TDBShowStatusSet{ssTblName});
        TTableDefs* e = f.Ext->Tables().FindOrAddBySource(f.SrcMaster);
        auto log = std::make_shared<QStringList>();
        f.Ext->OnShowMessage = [log](QObject*, QString& msg, TMsgDlgType, bool&) { *log << msg; };
        const QStringList& shown = *log;
        const TDBEFilterRow row{QStringLiteral("Name"), foEqual, QStringLiteral("an.."), foAnd};
        e->Filter()->ApplyRows(&row, 1, true);
        QVERIFY2(shown.contains(QStringLiteral("[Master.DB] Aktiviere Filter...")), qPrintable(shown.join(u'|')));
    }
};

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    TstDbextendTables tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_dbextend_tables.moc"
