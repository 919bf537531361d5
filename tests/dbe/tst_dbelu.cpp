// The lookup dialog: the lookup data set in a grid with a bar of its own,
// standing on the record that belongs to the current one; OK (button,
// Enter, double click) copies the chosen values into the current record,
// "Abbruch", Esc and a read-only dispatch change nothing.
#include "DBENav.h"
#include "DBErrors.h"
#include "Dbelu.h"
#include "Dialogs.h"
#include "ViewFixture.h"
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>

namespace {

// Runs act on the lookup dialog once it is up and takes the keys.
void OnLookup(QObject* context, std::function<void(TLUDlg*)> act)
{
    QTimer::singleShot(0, context, [act] {
        auto* dlg = qobject_cast<TLUDlg*>(QApplication::activeModalWidget());
        QVERIFY2(dlg, "no lookup dialog");
        if (!dlg) return;
        // The offscreen platform does not activate a dialog by itself.
        if (!ShowActiveWindow(dlg)) qWarning("lookup dialog not active");
        act(dlg);
    });
}

void GotoKz(TDataSet* ds, const QString& kz)
{
    for (ds->First(); !ds->Eof() && ds->FieldByName(QStringLiteral("Kz"))->AsString() != kz;) ds->Next();
}

}   // namespace

class TestDBELookup : public QObject {
    Q_OBJECT

    std::unique_ptr<TViewFixture> m_fix;
    std::unique_ptr<TDialogRecorder> m_dialogs;
    TDBEdit* m_gruppe = nullptr;   // the group's text, a lookup field
    TDBEdit* m_kz = nullptr;       // the group's code, a plain field

    TViewForm& Start()
    {
        m_fix = std::make_unique<TViewFixture>();
        TViewForm& f = m_fix->F();
        auto edit = [&](const char* name, const char* field) {
            auto* e = new TDBEdit(&f);
            e->setObjectName(QString::fromLatin1(name));
            e->SetDataSource(f.SrcMasch);
            e->SetDataField(QString::fromLatin1(field));
            f.layout()->addWidget(e);
            return e;
        };
        m_gruppe = edit("EditGruppe", "Gruppe");
        m_kz = edit("EditGruppeKz", "GruppeKz");
        f.Ext->LUAutoIncSrch = false;
        if (!ShowActiveWindow(&f)) qFatal("form not active");
        return f;
    }

    // The lookup of the group code through the groups table, copying the
    // group's text into the machine's name.
    void DefineByTable(TViewForm& f)
    {
        f.Ext->GetLookupDef = [](TField* field, bool&, QString& db, QString& table, QString&, QString& copy,
                                 QString&, QString&) {
            if (field->FieldName() != QLatin1String("GruppeKz")) return;
            db = QStringLiteral("Pelmora");
            table = QStringLiteral("Gruppen.DB");
            copy = QStringLiteral("Text;Name");
        };
    }

    QString Masch(const char* field) { return m_fix->F().Masch->FieldByName(QString::fromLatin1(field))->AsString(); }

private slots:
    void init() { m_dialogs = std::make_unique<TDialogRecorder>(); }
    void cleanup()
    {
        m_fix.reset();
        m_dialogs.reset();
    }

    void fieldsOwnLookup_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("kz");
        QTest::newRow("OK") << "ok" << "VE";
        QTest::newRow("Eingabe") << "enter" << "VE";
        QTest::newRow("Doppelklick") << "double click" << "VE";
        QTest::newRow("Abbruch") << "cancel" << "BA";
        QTest::newRow("Esc") << "escape" << "BA";
    }
    // A lookup field: the dialog shows its lookup table standing on the
    // current group; the chosen group's code goes into the key field.
    void fieldsOwnLookup()
    {
        QFETCH(QString, how);
        TViewForm& f = Start();
        f.Focus(m_gruppe);
        QVERIFY(f.Ext->Possibilities(nbLookUp));
        QString standsOn, caption;
        bool okVisible = false;
        OnLookup(this, [&](TLUDlg* dlg) {
            caption = dlg->windowTitle();
            okVisible = dlg->OKBtn->isVisible();
            TDataSet* lu = dlg->LUSource->DataSet();
            standsOn = lu->FieldByName(QStringLiteral("Kz"))->AsString();
            lu->Next();
            if (how == QLatin1String("ok")) dlg->OKBtn->click();
            else if (how == QLatin1String("enter")) QTest::keyClick(dlg->LUGrid, Qt::Key_Return);
            else if (how == QLatin1String("double click"))
                emit dlg->LUGrid->doubleClicked(dlg->LUGrid->currentIndex());
            else if (how == QLatin1String("cancel")) dlg->CancelBtn->click();
            else QTest::keyClick(dlg->LUGrid, Qt::Key_Escape);
        });
        f.Ext->HandleNBBtn(nbLookUp);
        QCOMPARE(standsOn, QStringLiteral("BA"));
        QCOMPARE(caption, QStringLiteral("Nachschlagen [Gruppen.DB]"));
        QVERIFY(okVisible);
        QTEST(Masch("GruppeKz"), "kz");
        QCOMPARE(f.Masch->State() == dsEdit, how != QLatin1String("cancel") && how != QLatin1String("escape"));
        QVERIFY(!QApplication::activeModalWidget());
    }

    void lookupTable_data()
    {
        QTest::addColumn<bool>("refuseKey");
        QTest::addColumn<QString>("kz");
        QTest::newRow("key assigned") << false << "VE";
        QTest::newRow("key refused") << true << "BA";
    }
    // A lookup table from the form's definition: positioned by key,
    // copying its pairs first and the key last unless the form refuses it;
    // the events come in their order.
    void lookupTable()
    {
        QFETCH(bool, refuseKey);
        TViewForm& f = Start();
        DefineByTable(f);
        QStringList events;
        f.Ext->BeforeAssignFromLookup = [&](QObject*) { events << "before"; };
        f.Ext->AfterAssignFromLookup = [&](QObject*) { events << "after"; };
        f.Ext->BeforeAssignFromLUField = [&](QObject*) {
            events << "before key";
            if (refuseKey) throw EAbort();
        };
        f.Ext->AfterAssignFromLUField = [&](QObject*) { events << "after key"; };
        f.Focus(m_kz);
        QVERIFY(f.Ext->Possibilities(nbLookUp));
        QString standsOn;
        OnLookup(this, [&](TLUDlg* dlg) {
            TDataSet* lu = dlg->LUSource->DataSet();
            QVERIFY(lu != f.Gruppen);   // a table of its own for this lookup
            standsOn = lu->FieldByName(QStringLiteral("Kz"))->AsString();
            GotoKz(lu, QStringLiteral("VE"));
            dlg->OKBtn->click();
        });
        f.Ext->HandleNBBtn(nbLookUp);
        QCOMPARE(standsOn, QStringLiteral("BA"));
        QCOMPARE(Masch("Name"), QStringLiteral("Verdichter"));
        QTEST(Masch("GruppeKz"), "kz");
        QStringList expected{"before", "after", "before key"};
        if (!refuseKey) expected << "after key";
        QCOMPARE(events, expected);
    }

    void outsideSource_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("keep");
        QTest::newRow("data set") << "data set" << false;
        QTest::newRow("query text") << "query" << false;
        QTest::newRow("query text kept open") << "query" << true;
    }
    // A source the form names (its own data set or a query text): the
    // dialog shows the chosen fields under their labels, stands on the
    // record whose locate fields hold the current values, and OK copies the
    // pairs. A query's result goes afterwards unless the form keeps it.
    void outsideSource()
    {
        QFETCH(QString, source);
        QFETCH(bool, keep);
        TViewForm& f = Start();
        f.Ext->GetExtLookupDef = [&](TField* field, bool, TDBDataSet*& lds, QString& sqlDb, QStringList& sql,
                                     bool& keepActive, QString& description, QString& locate, bool&, QString& copy,
                                     QString& show, QString& labels) {
            if (field->FieldName() != QLatin1String("GruppeKz")) return;
            if (source == QLatin1String("data set")) {
                lds = f.Gruppen;
            } else {
                sqlDb = QStringLiteral("Pelmora");
                sql = QStringList{QStringLiteral("SELECT Text, Kz FROM Gruppen"), QStringLiteral("ORDER BY Text DESC")};
                keepActive = keep;
            }
            description = QStringLiteral("Maschinengruppen");
            locate = QStringLiteral("Kz;GruppeKz");
            copy = QStringLiteral("Kz;GruppeKz;Text;Name");
            show = QStringLiteral("Text");
            labels = QStringLiteral("Gruppe");
        };
        f.Focus(m_kz);
        QVERIFY(f.Ext->Possibilities(nbLookUp));
        QString caption, standsOn;
        QStringList shown;
        QPointer<TDataSet> used;
        OnLookup(this, [&](TLUDlg* dlg) {
            caption = dlg->windowTitle();
            TDataSet* lu = dlg->LUSource->DataSet();
            used = lu;
            standsOn = lu->FieldByName(QStringLiteral("Kz"))->AsString();
            for (const auto& fld : lu->Fields())
                if (fld->Visible()) shown << fld->DisplayLabel();
            GotoKz(lu, QStringLiteral("VE"));
            dlg->OKBtn->click();
        });
        f.Ext->HandleNBBtn(nbLookUp);
        QCOMPARE(caption, QStringLiteral("Nachschlagen [Maschinengruppen]"));
        QCOMPARE(standsOn, QStringLiteral("BA"));
        QCOMPARE(shown, QStringList{"Gruppe"});
        QCOMPARE(Masch("GruppeKz"), QStringLiteral("VE"));
        QCOMPARE(Masch("Name"), QStringLiteral("Verdichter"));
        QCOMPARE(f.Masch->State(), dsEdit);
        if (source == QLatin1String("data set")) {
            QCOMPARE(used.data(), static_cast<TDataSet*>(f.Gruppen));
            QVERIFY(f.Gruppen->FieldByName(QStringLiteral("Kz"))->Visible());
            return;
        }
        QCOMPARE(!used.isNull(), keep);
        if (!keep) return;
        // Kept: the next lookup shows the same result without running the text again.
        QPointer<TDataSet> again;
        OnLookup(this, [&](TLUDlg* dlg) {
            again = dlg->LUSource->DataSet();
            dlg->CancelBtn->click();
        });
        f.Ext->HandleNBBtn(nbLookUp);
        QCOMPARE(again.data(), used.data());
    }

    // A query text the database cannot run is reported as an error; no
    // dialog opens and the record stays as it was.
    void queryTextRefused()
    {
        TViewForm& f = Start();
        f.Ext->GetExtLookupDef = [](TField*, bool, TDBDataSet*&, QString& sqlDb, QStringList& sql, bool&, QString&,
                                    QString&, bool&, QString&, QString&, QString&) {
            sqlDb = QStringLiteral("Pelmora");
            sql = QStringList{QStringLiteral("SELECT Kz FROM Gruppenliste")};
        };
        f.Focus(m_kz);
        QVERIFY(f.Ext->Possibilities(nbLookUp));
        QTimer::singleShot(0, this, [] {
            if (auto* dlg = qobject_cast<TLUDlg*>(QApplication::activeModalWidget())) dlg->reject();
        });
        f.Ext->HandleNBBtn(nbLookUp);
        QVERIFY(!f.findChild<TLUDlg*>());
        QCOMPARE(f.Masch->State(), dsBrowse);
        QCOMPARE(Masch("GruppeKz"), QStringLiteral("BA"));
        QCOMPARE(m_dialogs->Last().Type, mtError);
        QCOMPARE(m_dialogs->Last().Text, QStringLiteral("Ungültige Abfrage: no such table: Gruppenliste"));
    }

    void noChoice_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("empty");
        QTest::newRow("dispatched read-only") << true << false;
        QTest::newRow("empty lookup table") << false << true;
    }
    // Read-only: the dialog shows the groups without OK; an empty lookup
    // table leaves OK disabled. Either way the record stays as it was.
    void noChoice()
    {
        QFETCH(bool, readOnly);
        QFETCH(bool, empty);
        TViewForm& f = Start();
        if (empty) ChangeElsewhere(QStringLiteral("DELETE FROM \"Gruppen\""));
        DefineByTable(f);
        if (readOnly) f.SrcMasch->SetAutoEdit(false);
        f.Focus(m_kz);
        bool okVisible = false, okEnabled = false;
        OnLookup(this, [&](TLUDlg* dlg) {
            okVisible = dlg->OKBtn->isVisible();
            okEnabled = dlg->OKBtn->isEnabled();
            QTest::keyClick(dlg->LUGrid, Qt::Key_Return);   // does nothing without a usable OK
            QVERIFY(dlg->isVisible());
            dlg->CancelBtn->click();
        });
        f.Ext->HandleNBBtn(nbLookUp);
        QCOMPARE(okVisible, !readOnly);
        QCOMPARE(okEnabled, !empty);
        QCOMPARE(Masch("GruppeKz"), QStringLiteral("BA"));
        QCOMPARE(f.Masch->State(), dsBrowse);
    }

    // With incremental search on, the first Esc ends the search and the
    // dialog stays.
    void escapeEndsTheIncrementalSearchFirst()
    {
        TViewForm& f = Start();
        f.Ext->LUAutoIncSrch = true;
        f.Focus(m_gruppe);
        bool searching = false, stillOpen = false;
        OnLookup(this, [&](TLUDlg* dlg) {
            QTRY_VERIFY(dlg->DBExtender1->IncSearchActive());
            searching = true;
            QTest::keyClick(dlg->LUGrid, Qt::Key_Escape);
            stillOpen = dlg->isVisible() && !dlg->DBExtender1->IncSearchActive();
            QTest::keyClick(dlg->LUGrid, Qt::Key_Escape);
        });
        f.Ext->HandleNBBtn(nbLookUp);
        QVERIFY(searching);
        QVERIFY(stillOpen);
        QCOMPARE(f.Masch->State(), dsBrowse);
    }

    // The form may suppress the dialog: nothing is opened or changed.
    void suppressed()
    {
        TViewForm& f = Start();
        int asked = 0;
        f.Ext->OnSpecialForm = [&](QObject*, TFormEventRec& rec) {
            if (rec.FormType != fetLookUp) return;
            ++asked;
            rec.Show = false;
        };
        f.Focus(m_gruppe);
        f.Ext->HandleNBBtn(nbLookUp);
        QCOMPARE(asked, 1);
        QCOMPARE(f.Masch->State(), dsBrowse);
        QVERIFY(!f.findChild<TLUDlg*>());
    }
};

QTEST_MAIN(TestDBELookup)
#include "tst_dbelu.moc"
