// Choosing a table's index: the index dialog in the three label modes with
// the current index marked, the popup instead of the dialog, a choice that
// keeps the current record and changes the order of the walk, and when
// the choice is offered at all.
#include "DBEIndex.h"
#include "DBEdit.h"
#include "Dbebmdlg.h"
#include "Dbextend.h"
#include "Dialogs.h"
#include "Panel.h"
#include "Session.h"
#include "Table.h"
#include "TestTables.h"
#include "UiTestSupport.h"
#include <QApplication>
#include <QGroupBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

// Masch.DB with two further indexes; Einzig.DB with its primary index
// only; Pos.DB, the positions of a machine.
void CreateTables()
{
    CreateTestTable(QStringLiteral("Masch.DB"), {{"Nr", ftInteger, 0, true}, {"Name", ftString, 20}, {"Ort", ftString, 20}},
                {{QString(), "Nr", ixPrimary | ixUnique}, {"ByName", "Name", 0}, {"ByOrt", "Ort;Name", 0}});
    TTable t;
    OpenTestTable(t, QStringLiteral("Masch.DB"));
    t.AppendRecord({1, QStringLiteral("Zander"), QStringLiteral("Bonn")});
    t.AppendRecord({2, QStringLiteral("Maier"), QStringLiteral("Köln")});
    t.AppendRecord({3, QStringLiteral("Abel"), QStringLiteral("Bonn")});
    t.AppendRecord({4, QStringLiteral("Huber"), QStringLiteral("Aachen")});
    CreateTestTable(QStringLiteral("Einzig.DB"), {{"Nr", ftInteger, 0, true}}, {{QString(), "Nr", ixPrimary | ixUnique}});
    CreateTestTable(QStringLiteral("Pos.DB"), {{"Nr", ftInteger, 0, true}, {"Pos", ftInteger, 0, true}},
                {{QString(), "Nr;Pos", ixPrimary | ixUnique}, {"ByPos", "Pos", 0}});
}

class TIndexForm : public QWidget {
public:
    TIndexForm()
    {
        auto* lay = new QVBoxLayout(this);
        auto table = [this](const char* file) {
            auto* t = new TTable(this);
            t->SetDatabaseName(QStringLiteral("Pelmora"));
            t->SetTableName(QString::fromLatin1(file));
            return t;
        };
        auto edit = [&](TDataSource* src, const char* name, const char* field) {
            auto* e = new TDBEdit(this);
            e->setObjectName(QString::fromLatin1(name));
            e->SetDataSource(src);
            e->SetDataField(QString::fromLatin1(field));
            lay->addWidget(e);
            return e;
        };
        Masch = table("Masch.DB");
        Einzig = table("Einzig.DB");
        Pos = table("Pos.DB");
        SrcMasch = new TDataSource(this);
        SrcMasch->SetDataSet(Masch);
        auto* srcEinzig = new TDataSource(this);
        srcEinzig->SetDataSet(Einzig);
        auto* srcPos = new TDataSource(this);
        srcPos->SetDataSet(Pos);
        Pos->SetMasterSource(SrcMasch);
        Pos->SetMasterFields(QStringLiteral("Nr"));
        EditName = edit(SrcMasch, "EditName", "Name");
        EditEinzig = edit(srcEinzig, "EditEinzig", "Nr");
        EditPos = edit(srcPos, "EditPos", "Pos");
        Panel = new TPanel(this);
        lay->addWidget(Panel);
        Masch->Open();
        Einzig->Open();
        Pos->Open();
        Ext = new TDBExtender(this);
        Ext->SetMessagePanel(Panel);
        Ext->ErrorBeep = false;
    }
    ~TIndexForm() override
    {
        delete EditName;
        delete EditEinzig;
        delete EditPos;
    }
    void Focus(QWidget* w)
    {
        w->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        Ext->CheckPoss();
    }
    int Nr() const { return int(Masch->FieldByName(QStringLiteral("Nr"))->AsInteger()); }
    void GotoNr(int nr)
    {
        for (Masch->First(); !Masch->Eof() && Nr() != nr;) Masch->Next();
    }
    // The names in the order of a walk from the first record.
    QStringList Walk()
    {
        QStringList out;
        for (Masch->First(); !Masch->Eof(); Masch->Next()) out << Masch->FieldByName(QStringLiteral("Name"))->AsString();
        return out;
    }

    TTable* Masch;
    TTable* Einzig;
    TTable* Pos;
    TDataSource* SrcMasch;
    TDBEdit* EditName;
    TDBEdit* EditEinzig;
    TDBEdit* EditPos;
    TPanel* Panel;
    TDBExtender* Ext;
};

}   // namespace

class TestDBEIndex : public QObject {
    Q_OBJECT

    std::unique_ptr<TTestDatabases> m_dbs;
    std::unique_ptr<TIndexForm> m_form;
    std::unique_ptr<TDialogRecorder> m_dialogs;

    TIndexForm& form()
    {
        m_dbs = std::make_unique<TTestDatabases>(TTestDatabases::Empty);
        CreateTables();
        m_form = std::make_unique<TIndexForm>();
        if (!ShowActive(m_form.get())) qFatal("form not active");
        return *m_form;
    }
    // Runs act on the index dialog once it is up.
    void OnIdxDlg(std::function<void(TIdxDlg*)> act)
    {
        QTimer::singleShot(0, this, [act] {
            auto* dlg = qobject_cast<TIdxDlg*>(QApplication::activeModalWidget());
            QVERIFY2(dlg, "no index dialog");
            act(dlg);
        });
    }

private slots:
    void init() { m_dialogs = std::make_unique<TDialogRecorder>(); }
    void cleanup()
    {
        m_form.reset();
        m_dialogs.reset();
        m_dbs.reset();
    }

    void labelModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("index");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<int>("marked");
        QTest::newRow("index names") << int(dilIdxName) << "ByOrt" << QStringList{"*Primär", "ByName", "ByOrt"} << 2;
        QTest::newRow("field names") << int(dilFldNames) << "ByName" << QStringList{"Nr", "Name", "Ort;Name"} << 1;
        QTest::newRow("display labels")
            << int(dilFldDisplayLabels) << "" << QStringList{"Nummer", "Kunde", "Wohnort;Kunde"} << 0;
    }
    // The dialog lists the indexes as the extender labels them and marks
    // the one the table walks by.
    void labelModes()
    {
        QFETCH(int, mode);
        QFETCH(QString, index);
        TIndexForm& f = form();
        f.Masch->FieldByName(QStringLiteral("Nr"))->SetDisplayLabel(QStringLiteral("Nummer"));
        f.Masch->FieldByName(QStringLiteral("Name"))->SetDisplayLabel(QStringLiteral("Kunde"));
        f.Masch->FieldByName(QStringLiteral("Ort"))->SetDisplayLabel(QStringLiteral("Wohnort"));
        f.Ext->IndexNamesAs = TDefaultIndexLabels(mode);
        f.Masch->SetIndexName(index);
        f.Ext->GetTblDescription = [](const QString& name, QString& desc) {
            if (name == QLatin1String("Masch.DB")) desc = QStringLiteral("Maschinen");
        };
        f.Focus(f.EditName);
        TFormEventRec offered;
        f.Ext->OnSpecialForm = [&](QObject*, TFormEventRec& rec) { offered = rec; };
        QStringList captions;
        QString title, group;
        int marked = -1;
        OnIdxDlg([&](TIdxDlg* dlg) {
            title = dlg->windowTitle();
            group = dlg->GroupBox1->title();
            for (int i = 0; i < dlg->IdxList->count(); ++i) captions << dlg->IdxList->item(i)->text();
            marked = dlg->IdxList->currentRow();
            dlg->CancelBtn->click();
        });
        QTest::keyClick(f.EditName, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(offered.FormType, fetIndex);
        QCOMPARE(offered.DataSet, static_cast<QObject*>(f.Masch));
        QCOMPARE(title, QStringLiteral("Indexwahl [Maschinen]"));
        QCOMPARE(group, QStringLiteral("Indizes"));
        QTEST(captions, "captions");
        QTEST(marked, "marked");
        QCOMPARE(f.Masch->IndexName(), index);
    }

    void choosing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("changes");
        QTest::newRow("OK") << "OK" << true;
        QTest::newRow("double click") << "double click" << true;
        QTest::newRow("Abbruch") << "Abbruch" << false;
        QTest::newRow("Esc") << "Esc" << false;
    }
    // Another index keeps the current record, drops the bookmarks and
    // changes the order of the walk; "Abbruch" changes nothing.
    void choosing()
    {
        QFETCH(QString, how);
        QFETCH(bool, changes);
        TIndexForm& f = form();
        f.GotoNr(2);
        f.Focus(f.EditName);
        TTableDefs* entry = f.Ext->Tables().FindOrAddByDataSet(f.Masch);
        entry->Bookmarks()->Add();
        QList<TDBDataSet*> reported;
        f.Ext->OnTblIndexChanged = [&](QObject*, TDBDataSet* t) { reported << t; };
        OnIdxDlg([&](TIdxDlg* dlg) {
            dlg->IdxList->setCurrentRow(1);
            QListWidgetItem* item = dlg->IdxList->item(1);
            if (how == QLatin1String("OK")) dlg->OKBtn->click();
            else if (how == QLatin1String("Abbruch")) dlg->CancelBtn->click();
            else if (how == QLatin1String("Esc")) QTest::keyClick(dlg->IdxList, Qt::Key_Escape);
            else emit dlg->IdxList->itemDoubleClicked(item);
        });
        f.Ext->HandleNBBtn(nbIndexSelect);
        QCOMPARE(f.Nr(), 2);
        QCOMPARE(f.Masch->IndexName(), changes ? QStringLiteral("ByName") : QString());
        QCOMPARE(reported.size(), changes ? 1 : 0);
        QCOMPARE(entry->Bookmarks()->Count(), changes ? 0 : 1);
        f.Masch->Next();
        QCOMPARE(f.Nr(), changes ? 1 : 3);   // after Maier: Zander by name, Abel by number
        QCOMPARE(f.Walk(), changes ? (QStringList{"Abel", "Huber", "Maier", "Zander"})
                                   : (QStringList{"Zander", "Maier", "Abel", "Huber"}));
    }

    // With UseIndexPopup the same entries come as a popup menu with the
    // current one ticked; choosing one sets it and keeps the record.
    void popupInsteadOfTheDialog()
    {
        TIndexForm& f = form();
        f.Ext->UseIndexPopup = true;
        f.Masch->SetIndexName(QStringLiteral("ByName"));
        f.GotoNr(4);
        f.Focus(f.EditName);
        QStringList entries;
        QString ticked;
        bool dialog = false;
        f.Ext->OnSpecialForm = [&](QObject*, TFormEventRec&) { dialog = true; };
        QTimer::singleShot(0, this, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY2(menu, "no popup");
            for (QAction* a : menu->actions()) {
                entries << a->text();
                if (a->isChecked()) ticked = a->text();
            }
            menu->setActiveAction(menu->actions().at(2));
            QTest::keyClick(menu, Qt::Key_Return);
        });
        f.Ext->HandleNBBtn(nbIndexSelect);
        QVERIFY(!dialog);
        QCOMPARE(entries, (QStringList{"*Primär", "ByName", "ByOrt"}));
        QCOMPARE(ticked, QStringLiteral("ByName"));
        QCOMPARE(f.Masch->IndexName(), QStringLiteral("ByOrt"));
        QCOMPARE(f.Nr(), 4);
        QCOMPARE(f.Walk(), (QStringList{"Huber", "Abel", "Zander", "Maier"}));
    }

    void offeredWhen_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("possible");
        QTest::newRow("table with further indexes") << "EditName" << true;
        QTest::newRow("primary index only") << "EditEinzig" << false;
        QTest::newRow("detail of a master") << "EditPos" << false;
    }
    void offeredWhen()
    {
        QFETCH(QString, control);
        TIndexForm& f = form();
        f.Focus(f.findChild<QWidget*>(control));
        QTEST(f.Ext->Possibilities(nbIndexSelect), "possible");
    }

    // A form that suppresses the dialog leaves the index as it was.
    void suppressed()
    {
        TIndexForm& f = form();
        f.Focus(f.EditName);
        int shown = 0;
        f.Ext->OnSpecialForm = [](QObject*, TFormEventRec& rec) { rec.Show = false; };
        f.Ext->OnSpecialFormShow = [&](QWidget*, TFormEventType) { ++shown; };
        f.Ext->HandleNBBtn(nbIndexSelect);
        QCOMPARE(shown, 0);
        QCOMPARE(f.Masch->IndexName(), QString());
    }
};

TARVOS_UI_TEST_MAIN(TestDBEIndex)
#include "tst_dbeindex.moc"
