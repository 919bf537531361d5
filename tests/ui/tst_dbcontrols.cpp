#include "DBCheckBox.h"
#include "DBComboBox.h"
#include "DBEdit.h"
#include "DBErrors.h"
#include "DBGrid.h"
#include "DBImage.h"
#include "DBMemo.h"
#include "DBRadioGroup.h"
#include "DBText.h"
#include "Dialogs.h"
#include "Table.h"
#include "UiTestSupport.h"
#include <QVBoxLayout>

using TMakeControl = std::function<QWidget*(QWidget*)>;
Q_DECLARE_METATYPE(TMakeControl)

class TestDBControls : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void publishedProperties_data();
    void publishedProperties();
    void typingStartsEditing_data();
    void typingStartsEditing();
    void setTextHook_data();
    void setTextHook();
    void typingBlocked_data();
    void typingBlocked();
    void maxLengthOfTextField();
    void invalidTextRefused_data();
    void invalidTextRefused();
    void displayAndEditText();
    void checkBox_data();
    void checkBox();
    void radioGroupWritesValue();
    void lookupComboBoxWritesKey();
    void textAndMemoShowField();

private:
    TDBEdit* AddEdit(const QString& field);
    std::unique_ptr<TTestDatabases> m_db;
    std::unique_ptr<TTable> m_table, m_kinds;
    std::unique_ptr<TDataSource> m_src, m_kindsSrc;
    std::unique_ptr<QWidget> m_window;
    QLineEdit* m_other = nullptr;
};

void TestDBControls::init()
{
    m_db = std::make_unique<TTestDatabases>();
    m_table = std::make_unique<TTable>();
    m_table->SetDatabaseName(QStringLiteral("Pelmora"));
    m_table->SetTableName(QStringLiteral("KfzStamm.db"));
    m_table->Open();
    m_table->AppendRecord({QStringLiteral("M1"), QStringLiteral("Bagger"), QStringLiteral("Halle 1"),
                           QStringLiteral("Raupenbagger")});
    m_table->Edit();
    m_table->FieldByName(QStringLiteral("Anschaffungspreis"))->SetAsFloat(1234.5);
    m_table->FieldByName(QStringLiteral("Memo"))->SetAsString(QStringLiteral("Zeile eins\nZeile zwei"));
    m_table->Post();
    m_src = std::make_unique<TDataSource>();
    m_src->SetDataSet(m_table.get());
    m_kinds = std::make_unique<TTable>();
    m_kinds->SetDatabaseName(QStringLiteral("Pelmora"));
    m_kinds->SetTableName(QStringLiteral("TerminKz.db"));
    m_kinds->Open();
    m_kindsSrc = std::make_unique<TDataSource>();
    m_kindsSrc->SetDataSet(m_kinds.get());
    m_window = std::make_unique<QWidget>();
    new QVBoxLayout(m_window.get());
    m_other = new QLineEdit(m_window.get());
    m_window->layout()->addWidget(m_other);
}

void TestDBControls::cleanup()
{
    m_window.reset();
    m_src.reset();
    m_kindsSrc.reset();
    m_table.reset();
    m_kinds.reset();
    m_db.reset();
}

TDBEdit* TestDBControls::AddEdit(const QString& field)
{
    auto* e = new TDBEdit(m_window.get());
    e->SetDataSource(m_src.get());
    e->SetDataField(field);
    m_window->layout()->addWidget(e);
    return e;
}

void TestDBControls::publishedProperties_data()
{
    QTest::addColumn<TMakeControl>("make");
    QTest::addColumn<bool>("writableReadOnly");
    QTest::newRow("edit") << TMakeControl([](QWidget* p) { return new TDBEdit(p); }) << true;
    QTest::newRow("memo") << TMakeControl([](QWidget* p) { return new TDBMemo(p); }) << true;
    QTest::newRow("text") << TMakeControl([](QWidget* p) { return new TDBText(p); }) << false;
    QTest::newRow("check box") << TMakeControl([](QWidget* p) { return new TDBCheckBox(p); }) << true;
    QTest::newRow("radio group") << TMakeControl([](QWidget* p) { return new TDBRadioGroup(p); }) << true;
    QTest::newRow("combo box") << TMakeControl([](QWidget* p) { return new TDBComboBox(p); }) << true;
    QTest::newRow("lookup combo") << TMakeControl([](QWidget* p) { return new TDBLookupComboBox(p); }) << true;
    QTest::newRow("image") << TMakeControl([](QWidget* p) { return new TDBImage(p); }) << true;
    QTest::newRow("grid") << TMakeControl([](QWidget* p) { return new TDBGrid(p); }) << true;
}

// The navigation extender finds data controls and switches them through
// these properties alone.
void TestDBControls::publishedProperties()
{
    QFETCH(TMakeControl, make);
    QFETCH(bool, writableReadOnly);
    QWidget* w = make(m_window.get());
    QVERIFY(w->metaObject()->indexOfProperty("DataSource") >= 0);
    QVERIFY(w->setProperty("DataSource", QVariant::fromValue<QObject*>(m_src.get())));
    QCOMPARE(w->property("DataSource").value<QObject*>(), static_cast<QObject*>(m_src.get()));
    QCOMPARE(w->property("DataSource").value<TDataSource*>(), m_src.get());
    QCOMPARE(w->setProperty("ReadOnly", true), writableReadOnly);
    QCOMPARE(w->property("ReadOnly").toBool(), true);
    if (w->metaObject()->indexOfProperty("DataField") >= 0) {
        QVERIFY(w->setProperty("DataField", QStringLiteral("Gruppe")));
        QCOMPARE(w->property("DataField").toString(), QStringLiteral("Gruppe"));
    }
    // A destroyed source leaves no dangling pointer behind.
    m_src.reset();
    QCOMPARE(w->property("DataSource").value<QObject*>(), nullptr);
}

void TestDBControls::typingStartsEditing_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("maxLength");    // the edit's own limit; 0: the field's size
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("text") << QStringLiteral("Bezeichnung2") << 0 << QStringLiteral("Neu") << QStringLiteral("Neu");
    QTest::newRow("date") << QStringLiteral("Anschaffung") << 0 << QStringLiteral("05.03.2021")
                          << QStringLiteral("05.03.2021");
    QTest::newRow("money") << QStringLiteral("Finanzierung") << 0 << QStringLiteral("12,5") << QStringLiteral("12,50");
    // Selected text goes with the first key, also the key that starts editing.
    QTest::newRow("text, replaced") << QStringLiteral("Bezeichnung1") << 0 << QStringLiteral("Mobilbagger")
                                    << QStringLiteral("Mobilbagger");
    QTest::newRow("money, replaced") << QStringLiteral("Anschaffungspreis") << 0 << QStringLiteral("99")
                                     << QStringLiteral("99,00");
    QTest::newRow("value longer than the edit, replaced")
        << QStringLiteral("Bezeichnung1") << 5 << QStringLiteral("Mobil") << QStringLiteral("Mobil");
}

void TestDBControls::typingStartsEditing()
{
    QFETCH(QString, field);
    QFETCH(int, maxLength);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    TDBEdit* edit = AddEdit(field);
    edit->SetMaxLength(maxLength);
    QVERIFY(ShowActive(m_window.get()));
    edit->setFocus();
    edit->selectAll();
    QCOMPARE(m_table->State(), dsBrowse);
    const QVariant before = m_table->FieldByName(field)->Value();
    TypeIntoFocus(typed);
    QCOMPARE(m_table->State(), dsEdit);
    QCOMPARE(edit->text(), typed);
    QCOMPARE(m_table->FieldByName(field)->Value(), before);   // written on leaving, not per key
    m_other->setFocus();
    QCOMPARE(m_table->FieldByName(field)->Text(), stored);
    m_table->Post();
    QCOMPARE(m_table->FieldByName(field)->Text(), stored);
    QCOMPARE(edit->text(), m_table->FieldByName(field)->DisplayText());
}

void TestDBControls::setTextHook_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");    // null: refused
    QTest::newRow("taken over") << QStringLiteral("mobil") << QStringLiteral("MOBIL");
    QTest::newRow("refused") << QStringLiteral("x") << QString();
}

// A field's OnSetText takes over what is typed, or refuses it: the text stays
// in the edit, the field keeps its value.
void TestDBControls::setTextHook()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    TField* f = m_table->FieldByName(QStringLiteral("Bezeichnung2"));
    f->OnSetText = [](TField* field, const QString& text) {
        if (text.size() < 2) throw EAbort();
        field->SetAsString(text.toUpper());
    };
    TDBEdit* edit = AddEdit(QStringLiteral("Bezeichnung2"));
    QVERIFY(ShowActive(m_window.get()));
    edit->setFocus();
    TypeIntoFocus(typed);
    m_other->setFocus();
    QCoreApplication::processEvents();
    if (stored.isNull()) {
        QCOMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(edit->text(), typed);
        QVERIFY(f->IsNull());
    } else {
        QCOMPARE(f->AsString(), stored);
    }
}

void TestDBControls::typingBlocked_data()
{
    QTest::addColumn<TMakeControl>("make");
    QTest::addColumn<bool>("viaReadOnly");   // else the source does not edit by itself
    const TMakeControl edit = [](QWidget* p) { return new TDBEdit(p); };
    const TMakeControl memo = [](QWidget* p) { return new TDBMemo(p); };
    const TMakeControl combo = [](QWidget* p) { return new TDBComboBox(p); };
    QTest::newRow("edit, read-only") << edit << true;
    QTest::newRow("memo, read-only") << memo << true;
    QTest::newRow("combo, read-only") << combo << true;
    QTest::newRow("edit, no auto-edit") << edit << false;
    QTest::newRow("memo, no auto-edit") << memo << false;
}

void TestDBControls::typingBlocked()
{
    QFETCH(TMakeControl, make);
    QFETCH(bool, viaReadOnly);
    QWidget* w = make(m_window.get());
    m_window->layout()->addWidget(w);
    w->setProperty("DataSource", QVariant::fromValue<QObject*>(m_src.get()));
    w->setProperty("DataField", QStringLiteral("Bezeichnung1"));
    if (viaReadOnly) w->setProperty("ReadOnly", true);
    else m_src->SetAutoEdit(false);
    QVERIFY(ShowActive(m_window.get()));
    w->setFocus();
    TypeIntoFocus(QStringLiteral("xy"));
    KeyIntoFocus(Qt::Key_Backspace);
    QCOMPARE(m_table->State(), dsBrowse);
    m_other->setFocus();
    QCOMPARE(m_table->FieldByName(QStringLiteral("Bezeichnung1"))->AsString(), QStringLiteral("Raupenbagger"));

    // Writable again at once.
    if (viaReadOnly) w->setProperty("ReadOnly", false);
    else m_src->SetAutoEdit(true);
    w->setFocus();
    KeyIntoFocus(Qt::Key_End);
    TypeIntoFocus(QStringLiteral("2"));
    QCOMPARE(m_table->State(), dsEdit);
    m_other->setFocus();
    QCOMPARE(m_table->FieldByName(QStringLiteral("Bezeichnung1"))->AsString(), QStringLiteral("Raupenbagger2"));
}

void TestDBControls::maxLengthOfTextField()
{
    TDBEdit* edit = AddEdit(QStringLiteral("Baujahr"));   // four characters
    QVERIFY(ShowActive(m_window.get()));
    edit->setFocus();
    TypeIntoFocus(QStringLiteral("198765"));
    QCOMPARE(edit->text(), QStringLiteral("1987"));
    m_other->setFocus();
    QCOMPARE(m_table->FieldByName(QStringLiteral("Baujahr"))->AsString(), QStringLiteral("1987"));

    // A shorter limit of the edit's own holds across records and edits.
    TDBEdit* name = AddEdit(QStringLiteral("Bezeichnung1"));
    name->SetMaxLength(5);
    m_table->Refresh();
    name->setFocus();
    KeyIntoFocus(Qt::Key_End);
    TypeIntoFocus(QStringLiteral("abcdefgh"));
    QVERIFY(name->text().size() <= 5);
    QCOMPARE(name->maxLength(), 5);
}

void TestDBControls::invalidTextRefused_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::newRow("no such day") << QStringLiteral("Anschaffung") << QStringLiteral("31.02.2020")
                                 << QStringLiteral("'31.02.2020' ist kein gültiges Datum");
    QTest::newRow("letters as money") << QStringLiteral("Finanzierung") << QStringLiteral("abc")
                                      << QStringLiteral("'abc' ist kein gültiger Gleitkommawert");
    QTest::newRow("letters as hours") << QStringLiteral("Betriebsstunden") << QStringLiteral("zwoelf")
                                      << QStringLiteral("'zwoelf' ist kein gültiger Gleitkommawert");
}

void TestDBControls::invalidTextRefused()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    TDialogRecorder rec;
    TDBEdit* edit = AddEdit(field);
    QVERIFY(ShowActive(m_window.get()));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, typed);
    m_other->setFocus();
    QCOMPARE(rec.Last().Type, mtError);
    QCOMPARE(rec.Last().Text, message);
    QCoreApplication::processEvents();
    QCOMPARE(QApplication::focusWidget(), edit);
    QCOMPARE(edit->text(), typed);
    QVERIFY(m_table->FieldByName(field)->IsNull());
    // Posting meets the same text and refuses it as well.
    QVERIFY_THROWS_EXCEPTION(EConvertError, m_table->Post());
    QCOMPARE(m_table->State(), dsEdit);
    m_table->Cancel();
    m_table->Refresh();
    QVERIFY(m_table->FieldByName(field)->IsNull());
}

void TestDBControls::displayAndEditText()
{
    TDBEdit* edit = AddEdit(QStringLiteral("Anschaffungspreis"));
    TField* f = m_table->FieldByName(QStringLiteral("Anschaffungspreis"));
    QVERIFY(f->DisplayText() != f->Text());
    QVERIFY(ShowActive(m_window.get()));
    QCOMPARE(edit->text(), f->DisplayText());
    edit->setFocus();
    QCOMPARE(edit->text(), f->Text());
    m_other->setFocus();
    QCOMPARE(edit->text(), f->DisplayText());
}

void TestDBControls::checkBox_data()
{
    QTest::addColumn<QString>("checked");
    QTest::addColumn<QString>("unchecked");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("yes/no texts") << QStringLiteral("Ja") << QStringLiteral("Nein") << QStringLiteral("Nein")
                                  << QStringLiteral("Ja");
    QTest::newRow("list of texts") << QStringLiteral("J;Ja;Yes") << QStringLiteral("N;Nein") << QStringLiteral("Yes")
                                   << QStringLiteral("N");
}

void TestDBControls::checkBox()
{
    QFETCH(QString, checked);
    QFETCH(QString, unchecked);
    QFETCH(QString, before);
    QFETCH(QString, after);
    m_table->Edit();
    m_table->FieldByName(QStringLiteral("Freifeld1"))->SetAsString(before);
    m_table->Post();
    auto* box = new TDBCheckBox(m_window.get());
    m_window->layout()->addWidget(box);
    box->SetValueChecked(checked);
    box->SetValueUnchecked(unchecked);
    box->SetDataSource(m_src.get());
    box->SetDataField(QStringLiteral("Freifeld1"));
    QVERIFY(ShowActive(m_window.get()));
    const bool wasChecked = box->isChecked();
    QCOMPARE(wasChecked, checked.split(u';').contains(before));
    box->click();
    QCOMPARE(m_table->State(), dsEdit);
    QCOMPARE(box->isChecked(), !wasChecked);
    QCOMPARE(m_table->FieldByName(QStringLiteral("Freifeld1"))->AsString(), after);

    // Read-only: the click changes nothing.
    m_table->Cancel();
    box->setProperty("ReadOnly", true);
    box->click();
    QCOMPARE(m_table->State(), dsBrowse);
    QCOMPARE(box->isChecked(), wasChecked);
}

void TestDBControls::radioGroupWritesValue()
{
    auto* group = new TDBRadioGroup(m_window.get());
    m_window->layout()->addWidget(group);
    group->SetCaption(QStringLiteral("Sicht"));
    group->SetItems({QStringLiteral("Alle"), QStringLiteral("akt.Monat"), QStringLiteral("Jahr")});
    group->SetValues({QStringLiteral("A"), QStringLiteral("M"), QStringLiteral("J")});
    group->SetDataSource(m_src.get());
    group->SetDataField(QStringLiteral("Freifeld2"));
    QVERIFY(ShowActive(m_window.get()));
    QCOMPARE(group->ItemIndex(), -1);
    auto buttons = group->findChildren<QAbstractButton*>();
    QAbstractButton* jahr = nullptr;
    for (QAbstractButton* b : buttons)
        if (b->text() == QLatin1String("Jahr")) jahr = b;
    QVERIFY(jahr);
    jahr->click();
    QCOMPARE(m_table->FieldByName(QStringLiteral("Freifeld2"))->AsString(), QStringLiteral("J"));
    m_table->Post();
    m_table->Edit();
    m_table->FieldByName(QStringLiteral("Freifeld2"))->SetAsString(QStringLiteral("M"));
    QCOMPARE(group->ItemIndex(), 1);
    QCOMPARE(group->Value(), QStringLiteral("M"));
}

void TestDBControls::lookupComboBoxWritesKey()
{
    auto* box = new TDBLookupComboBox(m_window.get());
    m_window->layout()->addWidget(box);
    box->SetListSource(m_kindsSrc.get());
    box->SetListField(QStringLiteral("TerminErklaerung"));
    box->SetKeyField(QStringLiteral("TerminKennzeichen"));
    box->SetDataSource(m_src.get());
    box->SetDataField(QStringLiteral("Freifeld3"));
    QVERIFY(ShowActive(m_window.get()));
    QVERIFY(box->Items().contains(QStringLiteral("Große Wartung")));
    const int i = box->findText(QStringLiteral("Große Wartung"));
    emit box->activated(i);
    QCOMPARE(m_table->FieldByName(QStringLiteral("Freifeld3"))->AsString(), QStringLiteral("GRW"));
    QCOMPARE(box->currentText(), QStringLiteral("Große Wartung"));
    m_table->FieldByName(QStringLiteral("Freifeld3"))->SetAsString(QStringLiteral("UVV"));
    QCOMPARE(box->currentText(), QStringLiteral("UVV-Prüfung"));
}

void TestDBControls::textAndMemoShowField()
{
    auto* text = new TDBText(m_window.get());
    text->SetDataSource(m_src.get());
    text->SetDataField(QStringLiteral("Anschaffungspreis"));
    auto* memo = new TDBMemo(m_window.get());
    memo->SetDataSource(m_src.get());
    memo->SetDataField(QStringLiteral("Memo"));
    m_window->layout()->addWidget(text);
    m_window->layout()->addWidget(memo);
    QVERIFY(ShowActive(m_window.get()));
    QCOMPARE(text->text(), m_table->FieldByName(QStringLiteral("Anschaffungspreis"))->DisplayText());
    QCOMPARE(memo->toPlainText(), QStringLiteral("Zeile eins\nZeile zwei"));

    memo->setFocus();
    memo->moveCursor(QTextCursor::End);
    KeyIntoFocus(Qt::Key_Return);
    TypeIntoFocus(QStringLiteral("drei"));
    QCOMPARE(m_table->State(), dsEdit);
    m_other->setFocus();
    m_table->Post();
    QCOMPARE(m_table->FieldByName(QStringLiteral("Memo"))->AsString(), QStringLiteral("Zeile eins\nZeile zwei\ndrei"));

    // Closing the data set empties the controls.
    m_table->Close();
    QCOMPARE(text->text(), QString());
    QCOMPARE(memo->toPlainText(), QString());
}

TARVOS_UI_TEST_MAIN(TestDBControls)
#include "tst_dbcontrols.moc"
