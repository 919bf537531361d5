// The single-record view: a control per field (check boxes for truth
// values, lookup combo boxes, memos), the four layouts, relayout on
// resize and from the popup menu, accelerators of the labels, read-only
// controls, rebuilding when the table is reopened, and the keys.
#include "Application.h"
#include "DBCheckBox.h"
#include "DBENav.h"
#include "DBComboBox.h"
#include "DBESRec.h"
#include "DBMemo.h"
#include "Dbeutil.h"
#include "Dbetview.h"
#include "ViewFixture.h"
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

namespace {

// The text a label shows, without its accelerator sign.
QString Shown(const QLabel* l)
{
    QString out;
    const QString t = l->text();
    for (int i = 0; i < t.size(); ++i) {
        if (t.at(i) != u'&') out += t.at(i);
        else if (i + 1 < t.size() && t.at(i + 1) == u'&') out += t.at(++i);
    }
    return out;
}

}   // namespace

class TstDbesrec : public QObject {
    Q_OBJECT

    std::unique_ptr<TViewFixture> m_fix;

    TViewForm& form()
    {
        m_fix = std::make_unique<TViewFixture>();
        return m_fix->F();
    }
    TTableDefs* entry(TDataSet* ds) { return EntryOfDataSet(*m_fix->F().Ext, ds); }
    TSingleRecViewForm* openView(TDataSet* ds)
    {
        return qobject_cast<TSingleRecViewForm*>(entry(ds)->SingleRecView.data());
    }
    // The machines' view, shown and laid out.
    TSingleRecViewForm* showView(std::function<void(TFormEventRec&)> adapt = {}, bool ctrl = false)
    {
        TViewForm& f = m_fix->F();
        f.Ext->OnSpecialForm = [adapt](QObject*, TFormEventRec& rec) {
            if (adapt) adapt(rec);
        };
        f.Focus(f.EditName);
        f.Ext->HandleNBBtn(nbSingleRecView, ctrl ? TShiftState{ssCtrl} : TShiftState{});
        TSingleRecViewForm* v = openView(f.Masch);
        if (v && !QTest::qWaitForWindowExposed(v)) qWarning("view not exposed");
        QApplication::processEvents();
        return v;
    }

private slots:
    void cleanup() { m_fix.reset(); }

    // --- accelerators

    void accelerators_data()
    {
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("rarest characters first") << QStringList{"Name", "Nummer", "Ort"}
                                                 << QStringList{"N&ame", "N&ummer", "Or&t"};
        QTest::newRow("an ampersand shows as one") << QStringList{"Kosten & Preise"}
                                                   << QStringList{"Kos&ten && Preise"};
        QTest::newRow("digits count as characters") << QStringList{"Feld 1", "Feld 2"}
                                                    << QStringList{"Feld &1", "Feld &2"};
        QTest::newRow("no letter, no accelerator") << QStringList{"--", "Ab"} << QStringList{"--", "A&b"};
        QTest::newRow("umlauts are no candidates") << QStringList{"Öl", "Übel"} << QStringList{"Ö&l", "Üb&el"};
    }

    void accelerators()
    {
        QFETCH(QStringList, captions);
        QTEST(GenerateAccelChars(captions), "shown");
    }

    // --- the controls and the four layouts

    void layouts_data()
    {
        QTest::addColumn<int>("layout");
        QTest::newRow("side by side") << int(srlHoriz);
        QTest::newRow("labels on top") << int(srlVertTop);
        QTest::newRow("labels left, aligned left") << int(srlVertLeftLeft);
        QTest::newRow("labels left, aligned right") << int(srlVertLeftRight);
    }

    void layouts()
    {
        QFETCH(int, layout);
        TViewForm& f = form();
        GotoNr(f.Masch, 1);
        f.Ext->SRVLayout = TSingleRecLayout(layout);
        TSingleRecViewForm* v = showView();
        QVERIFY(v);
        QCOMPARE(v->windowTitle(), QStringLiteral("Einzeldatensatzansicht [Masch.DB]"));
        QVERIFY(v->Synchronous());   // the default of this view
        QCOMPARE(v->FieldNames(), (QStringList{"Nr", "Name", "Aktiv", "GruppeKz", "Gruppe", "Preis", "Kauf", "Notiz"}));
        // A memo, a truth value and a lookup field, each with its control.
        auto* check = qobject_cast<TDBCheckBox*>(v->ControlOf(QStringLiteral("Aktiv")));
        auto* lookup = qobject_cast<TDBLookupComboBox*>(v->ControlOf(QStringLiteral("Gruppe")));
        auto* memo = qobject_cast<TDBMemo*>(v->ControlOf(QStringLiteral("Notiz")));
        QVERIFY(check && lookup && memo);
        QCOMPARE(check->checkState(), Qt::Checked);
        QCOMPARE(check->width(), check->height());
        QCOMPARE(lookup->currentText(), QStringLiteral("Bagger"));
        QCOMPARE(memo->toPlainText(), QStringLiteral("Kettenbagger"));
        QCOMPARE(Shown(v->LabelOf(QStringLiteral("Preis"))), QStringLiteral("Preis €"));
        QCOMPARE(v->LabelOf(QStringLiteral("Notiz"))->buddy(), memo);

        const int n = int(v->Controls().size());
        const int room = v->ScrollBox->contentsRect().width();
        for (int i = 0; i < n; ++i) {
            QLabel* l = v->Labels()[size_t(i)];
            QWidget* c = v->Controls()[size_t(i)];
            QVERIFY2(c->geometry().right() < room, qPrintable(v->FieldNames().at(i)));
            switch (layout) {
            case srlHoriz:
            case srlVertTop:
                QCOMPARE(l->x(), c->x());
                QVERIFY(l->geometry().bottom() < c->y());
                break;
            case srlVertLeftLeft:
            case srlVertLeftRight:
                QCOMPARE(l->x(), 8);
                QVERIFY(l->geometry().right() < c->x());
                QVERIFY(l->alignment() & (layout == srlVertLeftRight ? Qt::AlignRight : Qt::AlignLeft));
                // The label sits on the control's line.
                QVERIFY(l->y() >= c->y() - 2 && l->y() < c->geometry().bottom());
                break;
            }
            if (i > 0) {
                QWidget* prev = v->Controls()[size_t(i - 1)];
                if (layout == srlHoriz) QVERIFY(c->x() > prev->x() || c->y() > prev->geometry().bottom());
                else QVERIFY(c->y() > prev->geometry().bottom());
            }
        }
        if (layout != srlHoriz)
            for (QWidget* c : v->Controls()) QCOMPARE(c->x(), v->Controls().front()->x());
        if (layout == srlHoriz)   // the short fields share the first line
            QCOMPARE(v->Controls()[1]->y(), v->Controls()[0]->y());
        QCOMPARE(v->ScrollBox->widget()->height(), v->TotalHeight() + 8);
        // Moving in the view moves the table (synchronous) and the controls follow.
        v->ViewExtender()->HandleNBBtn(nbNext);
        QCOMPARE(NrOf(f.Masch), 2);
        QCOMPARE(check->checkState(), Qt::Unchecked);
        QCOMPARE(lookup->currentText(), QStringLiteral("Verdichter"));
        v->ViewExtender()->HandleNBBtn(nbNext);
        QCOMPARE(check->checkState(), Qt::PartiallyChecked);   // blank, not required
        v->OKBtn->click();
    }

    void controlOptions_data()
    {
        QTest::addColumn<bool>("checkBoxes");
        QTest::addColumn<bool>("lookupBoxes");
        QTest::addColumn<bool>("hiddenField");
        QTest::addColumn<bool>("useNonVisFields");
        QTest::addColumn<bool>("classCleared");
        QTest::addColumn<QStringList>("fields");
        const QStringList all{"Nr", "Name", "Aktiv", "GruppeKz", "Gruppe", "Preis", "Kauf", "Notiz"};
        QTest::newRow("edits instead of boxes") << false << false << false << true << false << all;
        QTest::newRow("hidden field shown with UseNonVisFields") << true << true << true << true << false << all;
        QTest::newRow("hidden field left out") << true << true << true << false << false
                                               << QStringList{"Nr", "Name", "Aktiv", "Gruppe", "Preis", "Kauf",
                                                              "Notiz"};
        QTest::newRow("the form clears a class") << true << true << false << true << true
                                                 << QStringList{"Nr", "Name", "Aktiv", "GruppeKz", "Gruppe", "Preis",
                                                                "Kauf"};
    }

    void controlOptions()
    {
        QFETCH(bool, checkBoxes);
        QFETCH(bool, lookupBoxes);
        QFETCH(bool, hiddenField);
        QFETCH(bool, useNonVisFields);
        QFETCH(bool, classCleared);
        TViewForm& f = form();
        f.Ext->SRVUseCBOnBoolean = checkBoxes;
        f.Ext->SRVUseDBLUComboBox = lookupBoxes;
        f.Ext->SetUseNonVisFields(useNonVisFields);
        if (hiddenField) f.Masch->FieldByName("GruppeKz")->SetVisible(false);
        QStringList inited;
        if (classCleared)
            f.Ext->SRVClassForField = [](QObject*, TField* fld, TSRVControlClass& make) {
                if (fld->IsBlob()) make = nullptr;
            };
        f.Ext->SRVInitControl = [&](QObject*, TField* fld, QWidget*) { inited << fld->FieldName(); };
        TSingleRecViewForm* v = showView();
        QVERIFY(v);
        QTEST(v->FieldNames(), "fields");
        QCOMPARE(inited, v->FieldNames());
        QCOMPARE(qobject_cast<QCheckBox*>(v->ControlOf(QStringLiteral("Aktiv"))) != nullptr, checkBoxes);
        QCOMPARE(qobject_cast<QComboBox*>(v->ControlOf(QStringLiteral("Gruppe"))) != nullptr, lookupBoxes);
        if (!checkBoxes) QCOMPARE(qobject_cast<QLineEdit*>(v->ControlOf(QStringLiteral("Aktiv")))->text(),
                                  QStringLiteral("Wahr"));
        v->OKBtn->click();
    }

    void readOnlyControls_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("manageGlobalEdit");
        QTest::addColumn<bool>("controlsReadOnly");
        QTest::newRow("editable") << false << false << false;
        QTest::newRow("read-only") << true << false << true;
        QTest::newRow("read-only, the view's editing mode decides") << true << true << true;
    }

    void readOnlyControls()
    {
        QFETCH(bool, readOnly);
        QFETCH(bool, manageGlobalEdit);
        QFETCH(bool, controlsReadOnly);
        TViewForm& f = form();
        f.Ext->SRVReadOnly = readOnly;
        f.Ext->SRVManageGlobalEdit = manageGlobalEdit;
        TSingleRecViewForm* v = showView();
        QVERIFY(v);
        for (QWidget* c : v->Controls()) QCOMPARE(c->property("ReadOnly").toBool(), controlsReadOnly);
        QCOMPARE(v->Nav->VisBtnsRecord().IsEmpty(), readOnly);
        QCOMPARE(v->ViewExtender()->ManageGlobalEdit(), manageGlobalEdit);
        v->OKBtn->click();
    }

    void memoTakesTheWidth_data()
    {
        QTest::addColumn<bool>("memoMaxWidth");
        QTest::newRow("reference width") << false;
        QTest::newRow("full width") << true;
    }

    void memoTakesTheWidth()
    {
        QFETCH(bool, memoMaxWidth);
        TViewForm& f = form();
        f.Ext->SRVMemoMaxWidth = memoMaxWidth;
        f.Ext->SRVLayout = srlVertTop;
        TSingleRecViewForm* v = showView();
        QVERIFY(v);
        QWidget* memo = v->ControlOf(QStringLiteral("Notiz"));
        const int room = v->ScrollBox->contentsRect().width() - v->ScrollBox->verticalScrollBar()->sizeHint().width();
        if (memoMaxWidth) QVERIFY(memo->geometry().right() >= room - 20);
        else QVERIFY(memo->width() < room / 2);
        v->OKBtn->click();
    }

    // --- relayout

    // Narrower than two controls: each on its own line; wider again: shared.
    void narrowingBreaksTheLines()
    {
        TViewForm& f = form();
        f.Ext->SRVLayout = srlHoriz;
        TSingleRecViewForm* v = showView();
        QVERIFY(v);
        QTRY_VERIFY(v->isVisible());
        QWidget* nr = v->Controls()[0];
        QWidget* name = v->Controls()[1];
        QCOMPARE(name->y(), nr->y());
        v->resize(name->width() + 60, v->height());
        QTRY_VERIFY(name->y() > nr->y());
        for (QWidget* c : v->Controls()) QVERIFY(c->geometry().right() < v->ScrollBox->contentsRect().width());
        v->resize(900, v->height());
        QTRY_COMPARE(name->y(), nr->y());
        v->OKBtn->click();
    }

    void noRelayoutOnResizeWhenSwitchedOff()
    {
        TViewForm& f = form();
        f.Ext->SRVLayout = srlHoriz;
        f.Ext->SRVRebuildOnResize = false;
        TSingleRecViewForm* v = showView();
        QVERIFY(v);
        const int y = v->Controls()[1]->y();
        v->resize(v->Controls()[1]->width() + 60, v->height());
        QTest::qWait(50);
        QCOMPARE(v->Controls()[1]->y(), y);
        v->OKBtn->click();
    }

    void popupMenuChoosesTheLayout()
    {
        TViewForm& f = form();
        TSingleRecViewForm* v = showView();
        QVERIFY(v);
        QVERIFY(ShowActiveWindow(v));
        QVERIFY(v->piVertLeftRight->isChecked());
        QWidget* name = v->Controls()[1];
        QVERIFY(name->x() > 8);
        v->piVertTop->trigger();
        QVERIFY(v->piVertTop->isChecked());
        QVERIFY(!v->piVertLeftRight->isChecked());
        QCOMPARE(v->Layout(), srlVertTop);
        QTRY_COMPARE(name->x(), 8);
        QCOMPARE(v->piHoriz->text(), QStringLiteral("Felder nebeneinander"));
        QCOMPARE(v->piVert->text(), QStringLiteral("Felder untereinander"));
        // The focus stays on the field it was on.
        v->ControlOf(QStringLiteral("Preis"))->setFocus();
        v->piHoriz->trigger();
        QTRY_COMPARE(v->Layout(), srlHoriz);
        QTRY_COMPARE(v->focusWidget(), v->ControlOf(QStringLiteral("Preis")));
        Q_UNUSED(f);
        v->OKBtn->click();
    }

    // The table reopened: the registry has the view build new controls.
    void reopenedTableRebuildsTheControls()
    {
        TViewForm& f = form();
        TSingleRecViewForm* v = showView();
        QVERIFY(v);
        QPointer<QWidget> old = v->ControlOf(QStringLiteral("Name"));
        f.Masch->Close();
        f.Masch->Open();
        v->ViewExtender()->CheckPoss();
        f.Ext->CheckPoss();
        entry(f.Masch)->Revalidate();
        QTRY_VERIFY(!old);
        QTRY_VERIFY(v->ControlOf(QStringLiteral("Name")));
        QCOMPARE(qobject_cast<QLineEdit*>(v->ControlOf(QStringLiteral("Name")))->text(),
                 QStringLiteral("Bagger Müller"));
        v->OKBtn->click();
    }

    // --- keys and the other view

    void escapeWhileEditingKeepsTheView()
    {
        TViewForm& f = form();
        TSingleRecViewForm* v = showView();
        QVERIFY(v);
        QVERIFY(ShowActiveWindow(v));
        f.Masch->Edit();
        QTest::keyClick(v, Qt::Key_Escape);
        QVERIFY(openView(f.Masch) && v->isVisible());
        f.Masch->Cancel();
        QTest::keyClick(v, Qt::Key_Escape);
        QTRY_VERIFY(!openView(f.Masch));
    }

    void copyIsOpenedWithCtrl()
    {
        TViewForm& f = form();
        GotoNr(f.Masch, 2);
        TSingleRecViewForm* v = showView({}, true);
        QVERIFY(v);
        QVERIFY(!v->Synchronous());
        QCOMPARE(NrOf(v->Copy()), 2);
        v->ViewExtender()->HandleNBBtn(nbLast);
        QCOMPARE(NrOf(f.Masch), 2);
        v->OKBtn->click();
        QTRY_VERIFY(!openView(f.Masch));
        QCOMPARE(NrOf(f.Masch), 5);
    }

    // Opened from a single-record view, the table view offers no
    // single-record view of its own.
    void tableViewFromTheSingleRecView()
    {
        TViewForm& f = form();
        f.Ext->TVShowSRVBtn = true;
        TSingleRecViewForm* v = showView();
        QVERIFY(v);
        QList<TFormEventRec> offered;
        v->ViewExtender()->OnSpecialForm = [&](QObject*, TFormEventRec& rec) {
            offered << rec;
            rec.Show = false;
        };
        v->ViewExtender()->HandleNBBtn(nbTableView);
        QCOMPARE(offered.size(), 1);
        QCOMPARE(offered[0].FormType, fetTableView);
        QVERIFY(!offered[0].AllowKeys.Contains(akSingleRecView));
        QVERIFY(!offered[0].VisBtnsSearch.Contains(snbSingleRecView));
        QVERIFY(v->ViewExtender()->AllowKeys().Contains(akTableView));
        QVERIFY(!v->Nav->VisBtnsSearch().Contains(snbSingleRecView));
        v->OKBtn->click();
    }
};

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    TstDbesrec tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_dbesrec.moc"
