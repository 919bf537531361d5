// The filter dialog: its rows, texts, layout and tab order, what the user's
// choices do, the checks on OK, the rows of a filter shown again and built
// back, and the bar's filter popup with its files reaching a working filter.
#include "UiTestSupport.h"
#include "DBEFilt.h"
#include "DBENav.h"
#include "DBEdit.h"
#include "Dbextend.h"
#include "Dialogs.h"
#include "FileDialog.h"
#include "Table.h"
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

using Rows = std::vector<TDBEFilterRow>;

struct TMachine {
    const char* Ident;
    const char* Gruppe;
    const char* Standort;   // "" leaves it blank
    double Preis;
};

const TMachine kMachines[] = {
    {"BAG-1", "Bagger", "Augsburg", 50000},   {"BAG-2", "bagger", "", 1000.5},
    {"BAG-3", "Bagger", "München", 800},      {"KRA-1", "Kran", "Augsburg", 120000},
    {"LKW-1", "Lkw", "", 0},
};

// Picks an item as the user does: the combo's choice and its signal.
void Choose(QComboBox* c, const QString& text)
{
    const int i = c->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    c->setCurrentIndex(i);
    emit c->activated(i);
}

TFilterForm* Dialog() { return qobject_cast<TFilterForm*>(QApplication::activeModalWidget()); }

// Runs `inside` on the dialog once it is up: preparing it runs the event
// loop (busy cursor), so a plain zero timer could fire too early.
void WhenDialogUp(QObject* context, const std::function<void(TFilterForm*)>& inside)
{
    auto* poll = new QTimer(context);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, context, [poll, inside] {
        TFilterForm* d = Dialog();
        if (!d || !d->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        inside(d);
    });
    poll->start();
}

}   // namespace

class TestFilterDialog : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void layoutAndTexts();
    void fieldList_data();
    void fieldList();
    void userChoices();
    void rowsShownAndBuiltBack();
    void okChecks_data();
    void okChecks();
    void noRowLeavesNoFilter();
    void focusedFieldPreselected();
    void closeQueryAndCancel();
    void unsupportedTypeFailsOnOk();
    void popupAndFiles();

private:
    // Opens the dialog through the bar's action and runs `inside` on it.
    void WithDialog(const std::function<void(TFilterForm*)>& inside);
    QStringList Idents();
    std::unique_ptr<TTestDatabases> m_db;
    std::unique_ptr<QWidget> m_form;
    TTable* m_table = nullptr;
    TDataSource* m_src = nullptr;
    TDBEdit* m_editGruppe = nullptr;
    TDBEdit* m_editStandort = nullptr;
    TDBExtender* m_ext = nullptr;
    TDBENavigator* m_nav = nullptr;
    bool m_ran = false;
};

void TestFilterDialog::init()
{
    m_db = std::make_unique<TTestDatabases>();
    m_form = std::make_unique<QWidget>();
    m_form->resize(600, 200);
    m_table = new TTable(m_form.get());
    m_table->SetDatabaseName(QStringLiteral("Pelmora"));
    m_table->SetTableName(QStringLiteral("KfzStamm.db"));
    m_table->Open();
    for (const TMachine& m : kMachines) {
        m_table->Append();
        m_table->FieldByName("IdentNummer")->SetAsString(QString::fromLatin1(m.Ident));
        m_table->FieldByName("Gruppe")->SetAsString(QString::fromUtf8(m.Gruppe));
        if (*m.Standort) m_table->FieldByName("Standort")->SetAsString(QString::fromUtf8(m.Standort));
        m_table->FieldByName("Anschaffungspreis")->SetAsFloat(m.Preis);
        m_table->Post();
    }
    m_table->First();
    m_table->FieldByName("Gruppe")->SetDisplayLabel(QStringLiteral("Maschinengruppe"));
    m_table->FieldByName("Freifeld10")->SetVisible(false);
    m_src = new TDataSource(m_form.get());
    m_src->SetDataSet(m_table);
    m_nav = new TDBENavigator(m_form.get());
    m_nav->SetBounds(0, 0, 560, 25);
    m_editGruppe = new TDBEdit(m_form.get());
    m_editGruppe->setGeometry(10, 60, 200, 24);
    m_editGruppe->SetDataSource(m_src);
    m_editGruppe->SetDataField(QStringLiteral("Gruppe"));
    m_editStandort = new TDBEdit(m_form.get());
    m_editStandort->setGeometry(10, 90, 200, 24);
    m_editStandort->SetDataSource(m_src);
    m_editStandort->SetDataField(QStringLiteral("Standort"));
    m_ext = new TDBExtender(m_form.get());
    m_ext->SetMasterSource(m_src);
    QVERIFY(ShowActive(m_form.get()));
    m_editGruppe->setFocus();
    QCoreApplication::processEvents();
    m_nav->SetDBExtender(m_ext);
    m_ran = false;
}

void TestFilterDialog::cleanup()
{
    SetFileDialogResponder({});
    if (m_ext) {
        m_ext->OnSpecialFormShow = nullptr;
        m_ext->OnSpecialFormCloseQuery = nullptr;
    }
    m_form.reset();
    m_db.reset();
}

void TestFilterDialog::WithDialog(const std::function<void(TFilterForm*)>& inside)
{
    m_ran = false;
    WhenDialogUp(this, [this, inside](TFilterForm* dlg) {
        m_ran = true;
        inside(dlg);
        // A check that failed leaves the dialog open: close it.
        if (Dialog() == dlg) dlg->CancelBtn->click();
    });
    m_ext->HandleNBBtn(nbTblFilter);
    QVERIFY(m_ran);
}

QStringList TestFilterDialog::Idents()
{
    QStringList out;
    for (m_table->First(); !m_table->Eof(); m_table->Next()) out << m_table->FieldByName("IdentNummer")->AsString();
    return out;
}

void TestFilterDialog::layoutAndTexts()
{
    m_editGruppe->clearFocus();
    WithDialog([](TFilterForm* d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("Filterdefinition [KfzStamm.db]"));
        QCOMPARE(d->size(), QSize(517, 367));
        const QList<QLabel*> heads{d->LblFeld, d->LblOperator, d->LblOperand};
        const QStringList texts{"Feld", "Operator", "Operand"};
        const QList<int> xs{73, 198, 300};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(heads[i]->text(), texts[i]);
            QCOMPARE(heads[i]->pos(), QPoint(xs[i], 12));
            QVERIFY(heads[i]->font().bold());
        }
        for (int i = 0; i < 10; ++i) {
            const QString n = QString::number(i + 1);
            const int y = 30 + 22 * i;
            QCOMPARE(d->Feld[i]->objectName(), "Feld" + n);
            QCOMPARE(d->Feld[i]->geometry(), QRect(74, y, 119, 21));
            QCOMPARE(d->Operator[i]->objectName(), "Operator" + n);
            QCOMPARE(d->Operator[i]->geometry(), QRect(198, y, 97, 21));
            QCOMPARE(d->Operant[i]->objectName(), "Operant" + n);
            QCOMPARE(d->Operant[i]->geometry(), QRect(300, y, 121, 21));
            QCOMPARE(d->DelBtn[i]->objectName(), "DelBtn" + n);
            QCOMPARE(d->DelBtn[i]->geometry(), QRect(426, y, 80, 21));
            QCOMPARE(d->DelBtn[i]->text(), QStringLiteral("<< Löschen"));
            // Only the first field and the delete buttons at first.
            QCOMPARE(d->Feld[i]->isEnabled(), i == 0);
            QVERIFY(!d->Operator[i]->isEnabled());
            QVERIFY(!d->Operant[i]->isEnabled());
            QVERIFY(d->DelBtn[i]->isEnabled());
            if (i > 0) {
                QCOMPARE(d->Verkn[i - 1]->objectName(), "Verkn" + QString::number(i));
                QCOMPARE(d->Verkn[i - 1]->geometry(), QRect(11, y, 58, 21));
                QVERIFY(!d->Verkn[i - 1]->isEnabled());
            }
        }
        QStringList ops;
        for (int i = 0; i < d->Operator[0]->count(); ++i) ops << d->Operator[0]->itemText(i);
        QCOMPARE(ops, (QStringList{"Leer", "Nicht leer", "Gleich", "Ungleich", "Größer als", "Kleiner als",
                                   "Größer gleich", "Kleiner gleich"}));
        QCOMPARE(d->Verkn[0]->itemText(0), QStringLiteral("Und"));
        QCOMPARE(d->Verkn[0]->itemText(1), QStringLiteral("Oder"));
        QCOMPARE(d->WildcardLabel->text(),
                 QStringLiteral("Wildcard .. am Ende des Operanden bei Operator 'Gleich' für Teilstringfilter und "
                                "Ignorierung der Groß-/Kleinschreibung"));
        QCOMPARE(d->WildcardLabel->geometry(), QRect(11, 262, 498, 42));
        QCOMPARE(d->OKBtn->text(), QStringLiteral("&OK"));
        QCOMPARE(d->OKBtn->geometry(), QRect(342, 323, 80, 30));
        QCOMPARE(d->CancelBtn->text(), QStringLiteral("Abbruch"));
        QCOMPARE(d->CancelBtn->geometry(), QRect(426, 323, 80, 30));
        QVERIFY(d->UserBtn->isHidden());

        // Row by row with the connective below, then the buttons.
        QList<QWidget*> chain;
        for (int i = 0; i < 10; ++i) {
            chain << d->Feld[i] << d->Operator[i] << d->Operant[i] << d->DelBtn[i];
            if (i < 9) chain << d->Verkn[i];
        }
        chain << d->OKBtn << d->CancelBtn << d->UserBtn;
        // The next control Tab can reach (labels take no focus).
        auto nextStop = [](QWidget* w) {
            do w = w->nextInFocusChain();
            while (!(w->focusPolicy() & Qt::TabFocus));
            return w;
        };
        for (int i = 0; i + 1 < chain.size(); ++i)
            QVERIFY2(nextStop(chain[i]) == chain[i + 1], qPrintable(chain[i]->objectName()));
    });
}

// Labels of the data fields in field order; memos never, hidden fields
// only when the extender uses them.
void TestFilterDialog::fieldList_data()
{
    QTest::addColumn<bool>("useNonVisFields");
    QTest::newRow("with hidden fields") << true;
    QTest::newRow("without hidden fields") << false;
}

void TestFilterDialog::fieldList()
{
    QFETCH(bool, useNonVisFields);
    m_ext->SetUseNonVisFields(useNonVisFields);
    QStringList expected;
    for (const auto& f : m_table->Fields())
        if (f->DataType() != ftMemo && (f->Visible() || useNonVisFields)) expected << f->DisplayLabel();
    QVERIFY(expected.contains(QStringLiteral("Maschinengruppe")));
    QCOMPARE(expected.contains(QStringLiteral("Freifeld10")), useNonVisFields);
    WithDialog([&](TFilterForm* d) {
        for (int row : {0, 9}) {
            QStringList items;
            for (int i = 0; i < d->Feld[row]->count(); ++i) items << d->Feld[row]->itemText(i);
            QCOMPARE(items, expected);
        }
    });
}

void TestFilterDialog::userChoices()
{
    m_editGruppe->clearFocus();
    WithDialog([](TFilterForm* d) {
        Choose(d->Feld[0], QStringLiteral("Standort"));
        QVERIFY(d->Operator[0]->isEnabled());
        QCOMPARE(d->Operator[0]->currentText(), QStringLiteral("Gleich"));
        QVERIFY(d->Operant[0]->isEnabled());
        QCOMPARE(d->focusWidget(), d->Operant[0]);
        QVERIFY(d->Verkn[0]->isEnabled());
        QCOMPARE(d->Verkn[0]->currentText(), QStringLiteral("Und"));
        QVERIFY(d->Feld[1]->isEnabled());
        QVERIFY(!d->Feld[2]->isEnabled());

        QTest::keyClicks(d->Operant[0], QStringLiteral("Augsburg"));
        Choose(d->Operator[0], QStringLiteral("Nicht leer"));
        QCOMPARE(d->Operant[0]->text(), QString());
        QVERIFY(!d->Operant[0]->isEnabled());
        Choose(d->Operator[0], QStringLiteral("Ungleich"));
        QVERIFY(d->Operant[0]->isEnabled());

        // The last row has no connective of its own.
        for (int i = 1; i < 10; ++i) Choose(d->Feld[i], QStringLiteral("Baujahr"));
        QVERIFY(d->Operator[9]->isEnabled());

        d->DelBtn[0]->click();
        QCOMPARE(d->Feld[0]->currentIndex(), -1);
        QCOMPARE(d->Operator[0]->currentIndex(), -1);
        QVERIFY(!d->Operator[0]->isEnabled());
        QVERIFY(!d->Operant[0]->isEnabled());
        QCOMPARE(d->Operant[0]->text(), QString());
        // Connectives and other rows stay.
        QVERIFY(d->Feld[0]->isEnabled());
        QCOMPARE(d->Verkn[0]->currentText(), QStringLiteral("Und"));
        QVERIFY(d->Operator[1]->isEnabled());
    });
}

// A filter set by code shows its rows; OK builds the same filter again.
void TestFilterDialog::rowsShownAndBuiltBack()
{
    const Rows rows{{"Gruppe", foEqual, "bag..", foOr}, {"Standort", foIsBlank, "", foAnd},
                    {"Anschaffungspreis", foGreater, "500", 0}};
    m_ext->ApplyFilterRows(m_table, rows.data(), int(rows.size()), true);
    QCOMPARE(m_ext->FilterState(), 3);
    const QStringList before = Idents();
    QCOMPARE(before, (QStringList{"BAG-1", "BAG-2", "BAG-3"}));
    TDBEFilter* filter = m_ext->Tables().FindBySource(m_src)->Filter();
    const QByteArray expression = filter->Expression();

    WithDialog([](TFilterForm* d) {
        QCOMPARE(d->Feld[0]->currentText(), QStringLiteral("Maschinengruppe"));
        QCOMPARE(d->Operator[0]->currentText(), QStringLiteral("Gleich"));
        QCOMPARE(d->Operant[0]->text(), QStringLiteral("bag.."));
        QCOMPARE(d->Verkn[0]->currentText(), QStringLiteral("Oder"));
        QCOMPARE(d->Feld[1]->currentText(), QStringLiteral("Standort"));
        QCOMPARE(d->Operator[1]->currentText(), QStringLiteral("Leer"));
        QVERIFY(!d->Operant[1]->isEnabled());
        QCOMPARE(d->Verkn[1]->currentText(), QStringLiteral("Und"));
        QCOMPARE(d->Operant[2]->text(), QStringLiteral("500"));
        // After the last row: its connective and the next field wait.
        QVERIFY(d->Verkn[2]->isEnabled());
        QVERIFY(d->Feld[3]->isEnabled());
        QVERIFY(!d->Feld[4]->isEnabled());
        d->OKBtn->click();
    });
    QCOMPARE(m_ext->FilterState(), 3);
    QCOMPARE(filter->Expression(), expression);
    QCOMPARE(Idents(), before);
}

void TestFilterDialog::okChecks_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("operand");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("empty operand") << "Standort" << "Gleich" << "" << "Dieses Feld darf nicht leer bleiben !"
                                   << "Operant1";
    QTest::newRow("only the wildcard") << "Standort" << "Gleich" << ".."
                                       << "Vor dem Wildcard muß wenigstens ein Zeichen stehen !" << "Operant1";
    QTest::newRow("not a date") << "Anschaffung" << "Größer als" << "gestern" << "Eingabe nicht vom erwarteten Typ !"
                                << "Operant1";
    QTest::newRow("not a number") << "Anschaffungspreis" << "Gleich" << "12.5.3"
                                  << "Eingabe nicht vom erwarteten Typ !" << "Operant1";
}

void TestFilterDialog::okChecks()
{
    QFETCH(QString, field);
    QFETCH(QString, op);
    QFETCH(QString, operand);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    TDialogRecorder rec;
    m_editGruppe->clearFocus();
    WithDialog([&](TFilterForm* d) {
        // Row 1 is good; the checks stop at the bad row 2.
        Choose(d->Feld[0], QStringLiteral("Maschinengruppe"));
        d->Operant[0]->setText(QStringLiteral("Bagger"));
        Choose(d->Feld[1], field);
        Choose(d->Operator[1], op);
        d->Operant[1]->setText(operand);
        d->OKBtn->click();
        QCOMPARE(Dialog(), d);
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Type, mtError);
        QCOMPARE(rec.Last().Text, message);
        QString want = focus;
        want.replace(u'1', u'2');
        QCOMPARE(d->focusWidget()->objectName(), want);
    });
    QCOMPARE(m_ext->FilterState(), 1);
    QCOMPARE(Idents().size(), 5);
}

void TestFilterDialog::noRowLeavesNoFilter()
{
    const Rows rows{{"Gruppe", foEqual, "Kran", 0}};
    m_ext->ApplyFilterRows(m_table, rows.data(), 1, true);
    QCOMPARE(Idents(), QStringList{"KRA-1"});
    WithDialog([](TFilterForm* d) {
        d->DelBtn[0]->click();
        d->OKBtn->click();
    });
    QCOMPARE(m_ext->FilterState(), 1);
    QCOMPARE(Idents().size(), 5);
}

void TestFilterDialog::focusedFieldPreselected()
{
    m_editStandort->setFocus();
    QCoreApplication::processEvents();
    WithDialog([](TFilterForm* d) {
        QCOMPARE(d->Feld[0]->currentText(), QStringLiteral("Standort"));
        QCOMPARE(d->Operator[0]->currentText(), QStringLiteral("Gleich"));
        QCOMPARE(d->focusWidget(), d->Operant[0]);
        QTest::keyClicks(d->Operant[0], QStringLiteral("augs.."));
        QTest::keyClick(d->Operant[0], Qt::Key_Return);   // OK is the default button
    });
    QCOMPARE(m_ext->FilterState(), 3);
    QCOMPARE(Idents(), (QStringList{"BAG-1", "KRA-1"}));
}

void TestFilterDialog::closeQueryAndCancel()
{
    int shown = 0, asked = 0;
    m_ext->OnSpecialFormShow = [&](QWidget*, TFormEventType t) {
        QCOMPARE(t, fetFilter);
        ++shown;
    };
    m_ext->OnSpecialFormCloseQuery = [&](QWidget*, TFormEventType, bool& canClose) { canClose = ++asked > 1; };
    WithDialog([](TFilterForm* d) {
        Choose(d->Feld[0], QStringLiteral("Maschinengruppe"));
        d->Operant[0]->setText(QStringLiteral("Kran"));
        d->OKBtn->click();
        QCOMPARE(Dialog(), d);   // refused once
        d->OKBtn->click();
    });
    QCOMPARE(shown, 1);
    QCOMPARE(asked, 2);
    QCOMPARE(Idents(), QStringList{"KRA-1"});

    // Cancel keeps the filter as it was.
    WithDialog([](TFilterForm* d) {
        d->DelBtn[0]->click();
        d->CancelBtn->click();
    });
    QCOMPARE(asked, 3);
    QCOMPARE(m_ext->FilterState(), 3);
    QCOMPARE(Idents(), QStringList{"KRA-1"});
}

// A field the filter cannot take passes the dialog and fails on OK.
void TestFilterDialog::unsupportedTypeFailsOnOk()
{
    {
        TTable t;
        t.SetDatabaseName(QStringLiteral("Pelmora"));
        t.SetTableName(QStringLiteral("Ole.DB"));
        t.DefsForCreate() = {{"Nr", ftInteger, 0, true}, {"Objekt", ftParadoxOle, 0}};
        t.CreateTable();
    }
    TTable ole;
    ole.SetDatabaseName(QStringLiteral("Pelmora"));
    ole.SetTableName(QStringLiteral("Ole.DB"));
    ole.Open();
    TDBEFilter filter;
    filter.SetDataSet(&ole);
    TFormEventRec rec;
    rec.FormType = fetFilter;
    TDialogRecorder messages;
    QString error;
    WhenDialogUp(this, [&](TFilterForm* d) {
        Choose(d->Feld[0], QStringLiteral("Objekt"));
        d->Operant[0]->setText(QStringLiteral("x"));
        d->OKBtn->click();
    });
    try {
        filter.EditDialog(nullptr, rec, QStringLiteral("Ole.DB"), true, nullptr);
    } catch (const EDBEFilter& e) {
        error = e.Message();
    }
    QCOMPARE(error, QStringLiteral("Ungültiger Feldtyp für Filter"));
    QVERIFY(messages.IsEmpty());
    QCOMPARE(filter.State(), 1);
}

// Bearbeiten, Speichern, Zurücksetzen, Laden: the popup's way round.
void TestFilterDialog::popupAndFiles()
{
    QMenu* popup = m_nav->FilterPopup();
    QAction* edit = popup->actions().at(0);
    QAction* reset = popup->actions().at(1);
    QAction* load = popup->actions().at(2);
    QAction* save = popup->actions().at(3);
    m_editGruppe->clearFocus();
    m_ran = false;
    WhenDialogUp(this, [this](TFilterForm* d) {
        m_ran = true;
        Choose(d->Feld[0], QStringLiteral("Maschinengruppe"));
        d->Operant[0]->setText(QStringLiteral("BAGGER.."));
        Choose(d->Feld[1], QStringLiteral("Standort"));
        Choose(d->Operator[1], QStringLiteral("Nicht leer"));
        d->OKBtn->click();
    });
    edit->trigger();
    QVERIFY(m_ran);
    // The extender follows its form again once the form is active.
    QVERIFY(ShowActive(m_form.get()));
    QCOMPARE(m_ext->FilterState(), 3);
    const QStringList filtered = Idents();
    QCOMPARE(filtered, (QStringList{"BAG-1", "BAG-3"}));
    QVERIFY(reset->isEnabled());

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bagger.TFD"));
    SetFileDialogResponder([&](const TFileDialogRecord&) { return file; });
    save->trigger();
    QVERIFY(QFile::exists(file));
    reset->trigger();
    QCOMPARE(m_ext->FilterState(), 1);
    QVERIFY(!reset->isEnabled());
    QCOMPARE(Idents().size(), 5);
    load->trigger();
    QCOMPARE(m_ext->FilterState(), 3);
    QCOMPARE(Idents(), filtered);
    QVERIFY(m_nav->Button(nbActiveFilter)->Down());

    // The loaded filter shows its rows again.
    WithDialog([](TFilterForm* d) {
        QCOMPARE(d->Operant[0]->text(), QStringLiteral("BAGGER.."));
        QCOMPARE(d->Operator[1]->currentText(), QStringLiteral("Nicht leer"));
    });
}

TARVOS_UI_TEST_MAIN(TestFilterDialog)
#include "tst_dbefilt_dialog.moc"
