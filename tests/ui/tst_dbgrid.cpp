#include "DBErrors.h"
#include "DBGrid.h"
#include "DBGridModel.h"
#include "Dialogs.h"
#include "DataMod.h"
#include "Table.h"
#include "UiTestSupport.h"
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QVBoxLayout>

class TestDBGrid : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void columnsOfVouchers();
    void cellsShowDisplayFormats_data();
    void cellsShowDisplayFormats();
    void currentRowFollowsDataSet();
    void clickingMovesDataSet();
    void typingEditsAndEnterPosts();
    void leavingNewRow_data();
    void leavingNewRow();
    void escapeCancels();
    void invalidCellTextRefused();
    void deleteAsks_data();
    void deleteAsks();
    void lookupCellOffersCodes();
    void readOnlyProperty();
    void appendOnDownSwitchedOff();
    void selectedColumnAndColEnter();
    void rowSelectAndMultiSelect();

    void tablesGoBeforeTheGrid();

private:
    QString Cell(int row, const QString& title) const;
    int Column(const QString& title) const;
    void FocusCell(int row, const QString& title);
    std::unique_ptr<TTestDatabases> m_db;
    std::unique_ptr<TDataModule1> m_dm;
    std::unique_ptr<QWidget> m_window;
    TDBGrid* m_grid = nullptr;
    QLineEdit* m_other = nullptr;
    TTable* m_var = nullptr;
};

void TestDBGrid::init()
{
    m_db = std::make_unique<TTestDatabases>();
    m_dm = std::make_unique<TDataModule1>();
    m_dm->TTblMain->AppendRecord({QStringLiteral("M1"), QStringLiteral("Bagger")});
    m_var = m_dm->TTblVarKosten;
    struct V { QDate date; const char* nr; double hours; const char* kz; double repair; double litres; const char* note; };
    const V vouchers[] = {{QDate(2021, 2, 1), "B-1", 120, "TUV", 12.5, 40, "erste"},
                          {QDate(2021, 3, 15), "B-2", 130.5, "", 1234.0, 0, "zweite"},
                          {QDate(2021, 4, 20), "B-3", 140, "KLW", 0, 12.25, "dritte"}};
    for (const V& v : vouchers) {
        m_var->Append();
        m_var->FieldByName(QStringLiteral("BelegDatum"))->SetAsDate(v.date);
        m_var->FieldByName(QStringLiteral("BelegNummer"))->SetAsString(QString::fromUtf8(v.nr));
        m_var->FieldByName(QStringLiteral("Betriebsstunden"))->SetAsFloat(v.hours);
        m_var->FieldByName(QStringLiteral("NachschlagDummyFeld"))->SetAsString(QString::fromUtf8(v.kz));
        m_var->FieldByName(QStringLiteral("ReparaturKosten"))->SetAsFloat(v.repair);
        m_var->FieldByName(QStringLiteral("BenzinLiter"))->SetAsFloat(v.litres);
        m_var->FieldByName(QStringLiteral("Bemerkung"))->SetAsString(QString::fromUtf8(v.note));
        m_var->Post();
    }
    m_var->First();
    m_window = std::make_unique<QWidget>();
    auto* lay = new QVBoxLayout(m_window.get());
    m_grid = new TDBGrid(m_window.get());
    m_grid->setObjectName(QStringLiteral("TDBGridVarKosten"));
    m_grid->SetOptions(dgDefaultOptions | dgAlwaysShowEditor);
    m_grid->SetDataSource(m_dm->TDataSrcVarKosten);
    m_other = new QLineEdit(m_window.get());
    lay->addWidget(m_grid);
    lay->addWidget(m_other);
    m_window->resize(900, 400);
    QVERIFY(ShowActive(m_window.get()));
}

void TestDBGrid::cleanup()
{
    m_window.reset();
    m_dm.reset();
    m_db.reset();
}

// A window may lose its tables before its grid (the master first, then the
// detail the grid shows): the grid must let go without touching them.
void TestDBGrid::tablesGoBeforeTheGrid()
{
    m_grid->setFocus();
    FocusCell(0, QStringLiteral("BelegNummer"));
    m_dm.reset();
    QCoreApplication::processEvents();
    QCOMPARE(m_grid->GridModel()->rowCount(), 0);
    m_window.reset();

    // The same with tables that belong to the window itself, made before
    // the grid, so that the window frees them first.
    auto form = std::make_unique<QWidget>();
    auto* master = new TTable(form.get());
    master->SetDatabaseName(QStringLiteral("Pelmora"));
    master->SetTableName(QStringLiteral("KfzStamm.db"));
    master->Open();
    auto* masterSrc = new TDataSource(form.get());
    masterSrc->SetDataSet(master);
    auto* detail = new TTable(form.get());
    detail->SetDatabaseName(QStringLiteral("Pelmora"));
    detail->SetTableName(QStringLiteral("KfzVar.DB"));
    detail->SetIndexFieldNames(QStringLiteral("IdentNummer"));
    detail->SetMasterSource(masterSrc);
    detail->SetMasterFields(QStringLiteral("IdentNummer"));
    detail->Open();
    auto* detailSrc = new TDataSource(form.get());
    detailSrc->SetDataSet(detail);
    auto* grid = new TDBGrid(form.get());
    grid->SetOptions(dgDefaultOptions | dgAlwaysShowEditor);
    grid->SetDataSource(detailSrc);
    QVERIFY(ShowActive(form.get()));
    grid->setFocus();
    QCoreApplication::processEvents();
    form.reset();
}

int TestDBGrid::Column(const QString& title) const
{
    for (int c = 0; c < m_grid->FieldCount(); ++c)
        if (m_grid->GridModel()->headerData(c, Qt::Horizontal).toString() == title) return c;
    return -1;
}

QString TestDBGrid::Cell(int row, const QString& title) const
{
    return m_grid->GridModel()->index(row, Column(title)).data().toString();
}

void TestDBGrid::FocusCell(int row, const QString& title)
{
    m_grid->setFocus();
    m_var->SetRecNo(row + 1);
    m_grid->SetSelectedIndex(Column(title));
    QVERIFY(m_grid->InplaceEditor());
    QCOMPARE(QApplication::focusWidget(), m_grid->InplaceEditor());
}

void TestDBGrid::columnsOfVouchers()
{
    QStringList titles;
    for (int c = 0; c < m_grid->FieldCount(); ++c) titles << m_grid->GridModel()->headerData(c, Qt::Horizontal).toString();
    const QStringList expected = {"BelegDatum", "BelegNummer", "Betriebsstunden", "TerminKz", "Reparaturkosten",
                                  "Reifenkosten", "Wartungskosten", "Untersuchungskosten", "Treibstoffkosten",
                                  "Sonstige Kosten1", "Sonstige Kosten2", "Sonstige Kosten3", "Verbrauch/Liter",
                                  "Bemerkung1", "Bemerkung2", "Bemerkung3"};
    QCOMPARE(titles, expected);
    // Columns are wide enough for their display width.
    const int avg = m_grid->fontMetrics().averageCharWidth();
    for (int c = 0; c < m_grid->FieldCount(); ++c)
        QVERIFY2(m_grid->columnWidth(c) >= m_grid->Fields(c)->DisplayWidth() * avg, qPrintable(titles[c]));
    // A new display label shows at once.
    m_var->FieldByName(QStringLiteral("Bemerkung"))->SetDisplayLabel(QStringLiteral("Notiz"));
    QCOMPARE(m_grid->GridModel()->headerData(13, Qt::Horizontal).toString(), QStringLiteral("Notiz"));
}

void TestDBGrid::cellsShowDisplayFormats_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("date") << 0 << QStringLiteral("BelegDatum") << QStringLiteral("01.02.2021");
    QTest::newRow("money format") << 0 << QStringLiteral("Reparaturkosten") << QStringLiteral("12,50");
    QTest::newRow("money without grouping") << 1 << QStringLiteral("Reparaturkosten") << QStringLiteral("1234,00");
    QTest::newRow("zero money") << 2 << QStringLiteral("Reparaturkosten") << QStringLiteral("0,00");
    QTest::newRow("empty money") << 2 << QStringLiteral("Reifenkosten") << QString();
    QTest::newRow("litres format") << 2 << QStringLiteral("Verbrauch/Liter") << QStringLiteral("12,25");
    QTest::newRow("plain float") << 1 << QStringLiteral("Betriebsstunden") << QStringLiteral("130,5");
    QTest::newRow("lookup current row") << 0 << QStringLiteral("TerminKz") << QStringLiteral("TUV");
    QTest::newRow("lookup other row") << 2 << QStringLiteral("TerminKz") << QStringLiteral("KLW");
    QTest::newRow("lookup empty") << 1 << QStringLiteral("TerminKz") << QString();
    QTest::newRow("text") << 1 << QStringLiteral("Bemerkung1") << QStringLiteral("zweite");
}

void TestDBGrid::cellsShowDisplayFormats()
{
    QFETCH(int, row);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QVERIFY(Column(title) >= 0);
    QCOMPARE(Cell(row, title), text);
    // Reading the rows does not move the data set.
    QCOMPARE(m_var->RecNo(), 1);
}

void TestDBGrid::currentRowFollowsDataSet()
{
    QHeaderView* vh = m_grid->verticalHeader();
    for (int recNo : {3, 1, 2}) {
        m_var->SetRecNo(recNo);
        QCOMPARE(m_grid->currentIndex().row(), recNo - 1);
        for (int r = 0; r < 3; ++r)
            QCOMPARE(vh->model()->headerData(r, Qt::Vertical).toString(),
                     r == recNo - 1 ? QStringLiteral("\u25B6") : QString());
    }
    m_var->Edit();
    QCOMPARE(m_grid->GridModel()->headerData(1, Qt::Vertical).toString(), QStringLiteral("I"));
    m_var->Cancel();
    m_var->Last();
    QCOMPARE(m_grid->currentIndex().row(), 2);
}

void TestDBGrid::clickingMovesDataSet()
{
    for (int row : {2, 0, 1}) {
        const QRect r = m_grid->visualRect(m_grid->GridModel()->index(row, Column(QStringLiteral("BelegNummer"))));
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        QCOMPARE(m_var->RecNo(), row + 1);
        QCOMPARE(m_var->FieldByName(QStringLiteral("BelegNummer"))->AsString(), QStringLiteral("B-%1").arg(row + 1));
    }
}

void TestDBGrid::typingEditsAndEnterPosts()
{
    FocusCell(1, QStringLiteral("Bemerkung1"));
    TypeIntoFocus(QStringLiteral("neu"));
    QCOMPARE(m_var->State(), dsEdit);
    QCOMPARE(m_grid->GridModel()->headerData(1, Qt::Vertical).toString(), QStringLiteral("I"));
    // Tab leaves the cell: the text goes into the field, the row stays in editing.
    KeyIntoFocus(Qt::Key_Tab);
    QCOMPARE(m_grid->SelectedField()->FieldName(), QStringLiteral("Bemerkung2"));
    QCOMPARE(m_var->FieldByName(QStringLiteral("Bemerkung"))->AsString(), QStringLiteral("neu"));
    QCOMPARE(m_var->State(), dsEdit);
    KeyIntoFocus(Qt::Key_Return);
    QCOMPARE(m_var->State(), dsBrowse);
    QCOMPARE(Cell(1, QStringLiteral("Bemerkung1")), QStringLiteral("neu"));
    m_var->Refresh();
    m_var->SetRecNo(2);
    QCOMPARE(m_var->FieldByName(QStringLiteral("Bemerkung"))->AsString(), QStringLiteral("neu"));
}

void TestDBGrid::leavingNewRow_data()
{
    QTest::addColumn<QString>("leave");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("kept");
    QTest::newRow("up, untouched") << QStringLiteral("up") << QString() << false;
    QTest::newRow("other control, untouched") << QStringLiteral("other") << QString() << false;
    QTest::newRow("enter, untouched") << QStringLiteral("enter") << QString() << false;
    QTest::newRow("up, typed") << QStringLiteral("up") << QStringLiteral("Z9") << true;
    QTest::newRow("enter, typed") << QStringLiteral("enter") << QStringLiteral("x") << true;
}

void TestDBGrid::leavingNewRow()
{
    QFETCH(QString, leave);
    QFETCH(QString, typed);
    QFETCH(bool, kept);
    FocusCell(2, QStringLiteral("BelegNummer"));
    KeyIntoFocus(Qt::Key_Down);
    QCOMPARE(m_var->State(), dsInsert);
    QCOMPARE(m_grid->GridModel()->rowCount(), 4);
    QCOMPARE(m_grid->currentIndex().row(), 3);
    QCOMPARE(m_grid->GridModel()->headerData(3, Qt::Vertical).toString(), QStringLiteral("*"));
    QCOMPARE(QApplication::focusWidget(), m_grid->InplaceEditor());
    // Down on an untouched new row stays there.
    KeyIntoFocus(Qt::Key_Down);
    QCOMPARE(m_grid->GridModel()->rowCount(), 4);
    if (!typed.isEmpty()) QTest::keyClicks(QApplication::focusWidget(), typed);

    if (leave == QLatin1String("up")) KeyIntoFocus(Qt::Key_Up);
    else if (leave == QLatin1String("enter")) KeyIntoFocus(Qt::Key_Return);
    else m_other->setFocus();

    QCOMPARE(m_var->State(), dsBrowse);
    QCOMPARE(m_var->RecordCount(), kept ? 4 : 3);
    QCOMPARE(m_grid->GridModel()->rowCount(), kept ? 4 : 3);
    if (kept) {
        QStringList numbers;
        for (int r = 0; r < 4; ++r) numbers << Cell(r, QStringLiteral("BelegNummer"));
        QVERIFY(numbers.contains(typed));
    }
}

void TestDBGrid::escapeCancels()
{
    FocusCell(0, QStringLiteral("BelegNummer"));
    TypeIntoFocus(QStringLiteral("X"));
    KeyIntoFocus(Qt::Key_Escape);
    QCOMPARE(m_var->State(), dsBrowse);
    QCOMPARE(qobject_cast<QLineEdit*>(m_grid->InplaceEditor())->text(), QStringLiteral("B-1"));
    QCOMPARE(m_var->FieldByName(QStringLiteral("BelegNummer"))->AsString(), QStringLiteral("B-1"));
}

void TestDBGrid::invalidCellTextRefused()
{
    TDialogRecorder rec;
    FocusCell(0, QStringLiteral("Reparaturkosten"));
    TypeIntoFocus(QStringLiteral("abc"));
    KeyIntoFocus(Qt::Key_Tab);
    QCOMPARE(rec.Last().Type, mtError);
    QCOMPARE(rec.Last().Text, QStringLiteral("'abc' ist kein gültiger Gleitkommawert"));
    // Still on the cell, with the text as typed; nothing reached the table.
    QCOMPARE(m_grid->SelectedField()->FieldName(), QStringLiteral("ReparaturKosten"));
    QCOMPARE(qobject_cast<QLineEdit*>(m_grid->InplaceEditor())->text(), QStringLiteral("abc"));
    rec.Clear();
    KeyIntoFocus(Qt::Key_Down);
    QCOMPARE(rec.Last().Text, QStringLiteral("'abc' ist kein gültiger Gleitkommawert"));
    QCOMPARE(m_var->RecNo(), 1);
    KeyIntoFocus(Qt::Key_Escape);
    m_var->Refresh();
    QCOMPARE(m_var->FieldByName(QStringLiteral("ReparaturKosten"))->AsFloat(), 12.5);
}

void TestDBGrid::deleteAsks_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("remaining");
    QTest::newRow("yes") << int(mrYes) << QStringList{"B-1", "B-3"};
    QTest::newRow("no") << int(mrNo) << QStringList{"B-1", "B-2", "B-3"};
}

void TestDBGrid::deleteAsks()
{
    QFETCH(int, answer);
    QFETCH(QStringList, remaining);
    TDialogRecorder rec;
    rec.Answer({answer});
    FocusCell(1, QStringLiteral("BelegNummer"));
    KeyIntoFocus(Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(rec.Last().Text, QStringLiteral("Datensatz löschen?"));
    QCOMPARE(rec.Last().Type, mtConfirmation);
    QCOMPARE(rec.Last().Buttons, mbYesNo);
    QStringList numbers;
    for (int r = 0; r < m_grid->GridModel()->rowCount(); ++r) numbers << Cell(r, QStringLiteral("BelegNummer"));
    QCOMPARE(numbers, remaining);
    QCOMPARE(m_var->RecordCount(), int(remaining.size()));
}

void TestDBGrid::lookupCellOffersCodes()
{
    QStringList codes;
    TTable* kinds = m_dm->TTblBetriebsstunden;
    for (kinds->First(); !kinds->Eof(); kinds->Next())
        codes << kinds->FieldByName(QStringLiteral("TerminKennzeichen"))->AsString();
    FocusCell(1, QStringLiteral("TerminKz"));
    auto* box = qobject_cast<QComboBox*>(m_grid->InplaceEditor());
    QVERIFY(box);
    QStringList offered;
    for (int i = 0; i < box->count(); ++i)
        if (!box->itemText(i).isEmpty()) offered << box->itemText(i);
    QCOMPARE(offered, codes);
    const int i = box->findText(QStringLiteral("GRW"));
    box->setCurrentIndex(i);
    emit box->activated(i);
    QCOMPARE(m_var->State(), dsEdit);
    QCOMPARE(m_var->FieldByName(QStringLiteral("NachschlagDummyFeld"))->AsString(), QStringLiteral("GRW"));
    KeyIntoFocus(Qt::Key_Return);
    QCOMPARE(m_var->State(), dsBrowse);
    m_var->First();
    QCOMPARE(Cell(1, QStringLiteral("TerminKz")), QStringLiteral("GRW"));
}

void TestDBGrid::readOnlyProperty()
{
    QVERIFY(m_grid->setProperty("ReadOnly", true));
    m_grid->setFocus();
    QVERIFY(!m_grid->InplaceEditor());
    TypeIntoFocus(QStringLiteral("zz"));
    QCOMPARE(m_var->State(), dsBrowse);
    m_var->Last();
    KeyIntoFocus(Qt::Key_Down);
    QCOMPARE(m_var->State(), dsBrowse);
    QCOMPARE(m_grid->GridModel()->rowCount(), 3);
    // Ctrl+Del asks nothing and deletes nothing.
    TDialogRecorder rec;
    KeyIntoFocus(Qt::Key_Delete, Qt::ControlModifier);
    QVERIFY(rec.IsEmpty());
    QCOMPARE(m_var->RecordCount(), 3);

    QVERIFY(m_grid->setProperty("ReadOnly", false));
    QVERIFY(m_grid->InplaceEditor());
    m_grid->setFocus();
    TypeIntoFocus(QStringLiteral("z"));
    QCOMPARE(m_var->State(), dsEdit);
}

void TestDBGrid::appendOnDownSwitchedOff()
{
    m_grid->SetAllowAppendOnDown(false);
    FocusCell(2, QStringLiteral("BelegNummer"));
    KeyIntoFocus(Qt::Key_Down);
    QCOMPARE(m_var->State(), dsBrowse);
    QCOMPARE(m_grid->GridModel()->rowCount(), 3);
}

void TestDBGrid::selectedColumnAndColEnter()
{
    QStringList entered;
    m_grid->OnColEnter = [&](TDBGrid* g) { entered << g->SelectedField()->FieldName(); };
    m_grid->setFocus();
    m_grid->SetSelectedIndex(3);
    QCOMPARE(m_grid->SelectedField()->FieldName(), QStringLiteral("TerminKz"));
    QCOMPARE(m_grid->property("SelectedIndex").toInt(), 3);
    KeyIntoFocus(Qt::Key_Tab);
    QCOMPARE(m_grid->SelectedIndex(), 4);
    KeyIntoFocus(Qt::Key_Backtab, Qt::ShiftModifier);
    m_grid->SetSelectedField(m_var->FieldByName(QStringLiteral("BelegDatum")));
    QCOMPARE(entered, QStringList({"TerminKz", "ReparaturKosten", "TerminKz", "BelegDatum"}));
    // Moving the row keeps the column and enters nothing.
    m_var->Next();
    QCOMPARE(m_grid->SelectedIndex(), 0);
    QCOMPARE(entered.size(), 4);
}

void TestDBGrid::rowSelectAndMultiSelect()
{
    m_grid->SetOptions(dgDefaultOptions | dgRowSelect | dgMultiSelect);
    QVERIFY(!m_grid->InplaceEditor());
    for (int row : {0, 2}) {
        const QRect r = m_grid->visualRect(m_grid->GridModel()->index(row, 1));
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, Qt::ControlModifier, r.center());
    }
    QCOMPARE(m_var->RecNo(), 3);
    const QList<TBookmark> marks = m_grid->SelectedRows();
    QStringList numbers;
    for (TBookmark b : marks) {
        m_var->GotoBookmark(b);
        numbers << m_var->FieldByName(QStringLiteral("BelegNummer"))->AsString();
    }
    QCOMPARE(numbers, QStringList({"B-1", "B-3"}));
    // Typing edits nothing without an editor.
    m_grid->setFocus();
    TypeIntoFocus(QStringLiteral("q"));
    QCOMPARE(m_var->State(), dsBrowse);
}

TARVOS_UI_TEST_MAIN(TestDBGrid)
#include "tst_dbgrid.moc"
