// The table view: synchronous (moves are live) or on a copy (OK moves the
// caller), one view per table, field and label lists, its own bar, keys
// and messages, the CSV export read back, and the column widths kept for
// the next opening.
#include "Application.h"
#include "DBENav.h"
#include "DBErrors.h"
#include "Dbebmdlg.h"
#include "Dbetview.h"
#include "Dbeutil.h"
#include "Dialogs.h"
#include "FileDialog.h"
#include "ViewFixture.h"
#include <QFile>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

namespace {

// The rows of a CSV file as a spreadsheet reads them: quoted fields may hold
// separators, doubled quotes and line breaks.
QList<QStringList> ParseCsv(const QString& text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u';') {
            row << field;
            field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            row << field;
            rows << row;
            row.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty()) rows << (row << field);
    return rows;
}

QStringList Titles(const TDBGrid* grid)
{
    QStringList out;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        out << grid->model()->headerData(c, Qt::Horizontal).toString();
    return out;
}

}   // namespace

class TstDbetview : public QObject {
    Q_OBJECT

    std::unique_ptr<TViewFixture> m_fix;
    QTemporaryDir m_settings;

    TViewForm& form()
    {
        m_fix = std::make_unique<TViewFixture>();
        return m_fix->F();
    }
    TTableDefs* entry(TDataSet* ds) { return EntryOfDataSet(*m_fix->F().Ext, ds); }
    TTableViewForm* openView(TDataSet* ds) { return qobject_cast<TTableViewForm*>(entry(ds)->TableView.data()); }
    // A non-modal view of the machines: synchronous or on a copy.
    TTableViewForm* showView(bool synchron, std::function<void(TFormEventRec&)> adapt = {})
    {
        TViewForm& f = m_fix->F();
        f.Ext->BorderStyleTblView = bsSizeable;
        f.Ext->TVSynchronIsDefault = synchron;
        f.Ext->OnSpecialForm = [adapt](QObject*, TFormEventRec& rec) {
            if (adapt) adapt(rec);
        };
        f.Focus(f.EditName);
        f.Ext->HandleNBBtn(nbTableView);
        TTableViewForm* v = openView(f.Masch);
        if (v && !QTest::qWaitForWindowExposed(v)) qWarning("view not exposed");
        return v;
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("TARVOS-Test"));
        QCoreApplication::setApplicationName(QStringLiteral("tst_dbetview"));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
    }
    void cleanup() { m_fix.reset(); }

    // --- synchronous and on a copy

    void synchronousViewMovesTheCallerLive()
    {
        TViewForm& f = form();
        TTableViewForm* v = showView(true);
        QVERIFY(v);
        QVERIFY(v->Synchronous());
        QCOMPARE(v->ShownDataSet(), static_cast<TDataSet*>(f.Masch));
        QCOMPARE(v->windowTitle(), QStringLiteral("Tabellenansicht [Masch.DB]"));
        // Nothing to cancel: OK stands where "Abbruch" would.
        QVERIFY(v->CancelBtn->isHidden());
        QVERIFY(v->OKBtn->isVisible());
        QCOMPARE(v->OKBtn->geometry().right(), v->CancelBtn->geometry().right());
        QCOMPARE(v->TblGrid->model()->rowCount(), 5);
        v->TblGrid->setCurrentIndex(v->TblGrid->model()->index(3, 1));
        QCOMPARE(NrOf(f.Masch), 4);
        QCOMPARE(f.EditName->text(), QStringLiteral("Walze Öhler"));
        // Bookmarks and filter are the caller's.
        v->ViewExtender()->HandleNBBtn(nbSetBookmark);
        QCOMPARE(entry(f.Masch)->Bookmarks()->Count(), 1);
        v->OKBtn->click();
        QTRY_VERIFY(!openView(f.Masch));
        QCOMPARE(NrOf(f.Masch), 4);
        QCOMPARE(entry(f.Masch)->Bookmarks()->Count(), 1);
    }

    void copyMovesTheCallerOnlyOnOk_data()
    {
        QTest::addColumn<bool>("modal");
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("nr");
        QTest::newRow("OK") << false << "ok" << 4;
        QTest::newRow("double click") << false << "double" << 4;
        QTest::newRow("Abbruch") << false << "cancel" << 2;
        QTest::newRow("Esc") << false << "escape" << 2;
        QTest::newRow("modal, OK") << true << "ok" << 4;
        QTest::newRow("modal, Abbruch") << true << "cancel" << 2;
    }

    void copyMovesTheCallerOnlyOnOk()
    {
        QFETCH(bool, modal);
        QFETCH(QString, how);
        QFETCH(int, nr);
        TViewForm& f = form();
        GotoNr(f.Masch, 2);
        f.Ext->BorderStyleTblView = modal ? bsDialog : bsSizeable;
        f.Focus(f.EditName);
        int copyStartsOn = 0;
        auto act = [&](TTableViewForm* v) {
            QVERIFY(!v->Synchronous());
            QVERIFY(v->CancelBtn->isVisible());
            copyStartsOn = NrOf(v->Copy());
            v->TblGrid->setCurrentIndex(v->TblGrid->model()->index(3, 1));
            QCOMPARE(NrOf(v->Copy()), 4);
            QCOMPARE(NrOf(f.Masch), 2);   // not yet
            if (how == QLatin1String("ok")) v->OKBtn->click();
            if (how == QLatin1String("double")) emit v->TblGrid->doubleClicked(v->TblGrid->currentIndex());
            if (how == QLatin1String("cancel")) v->CancelBtn->click();
            if (how == QLatin1String("escape")) QTest::keyClick(v, Qt::Key_Escape);
        };
        if (modal) {
            QTimer::singleShot(0, this, [&] {
                auto* v = qobject_cast<TTableViewForm*>(QApplication::activeModalWidget());
                QVERIFY(v);
                act(v);
            });
            f.Ext->HandleNBBtn(nbTableView);
            QVERIFY(!openView(f.Masch));   // freed with its copy
        } else {
            f.Ext->HandleNBBtn(nbTableView);
            TTableViewForm* v = openView(f.Masch);
            QVERIFY(v);
            act(v);
            QTRY_VERIFY(!openView(f.Masch));
        }
        QCOMPARE(copyStartsOn, 2);
        QCOMPARE(NrOf(f.Masch), nr);
    }

    void askingAgainBringsTheSameView()
    {
        TViewForm& f = form();
        TTableViewForm* v = showView(false);
        QVERIFY(v);
        GotoNr(f.Masch, 3);
        f.Ext->HandleNBBtn(nbTableView);
        QCOMPARE(openView(f.Masch), v);
        QCOMPARE(f.findChildren<TTableViewForm*>().size(), 1);
        QCOMPARE(NrOf(v->Copy()), 3);   // the copy followed the caller
        v->CancelBtn->click();
        QTRY_VERIFY(!openView(f.Masch));
        // Closed, a new one opens.
        TTableViewForm* again = showView(false);
        QVERIFY(again);
        again->CancelBtn->click();
    }

    // A copy of a detail table shows every voucher; OK moves the master.
    void copyOfADetailMovesItsMaster()
    {
        TViewForm& f = form();
        GotoNr(f.Masch, 1);
        f.Ext->BorderStyleTblView = bsSizeable;
        QStringList messages;
        f.Ext->OnShowMessage = [&](QObject*, QString& msg, TMsgDlgType, bool&) { messages << msg; };
        f.Ext->OpenTableView(f.Belege, nullptr, false);
        TTableViewForm* v = openView(f.Belege);
        QVERIFY(v);
        QCOMPARE(v->TblGrid->model()->rowCount(), 6);
        QCOMPARE(messages.first(), QStringLiteral("Öffne Tabellenansicht..."));
        QStringList viewMessages;
        v->ViewExtender()->OnShowMessage = [&](QObject*, QString& msg, TMsgDlgType, bool&) { viewMessages << msg; };
        v->TblGrid->setCurrentIndex(v->TblGrid->model()->index(4, 2));   // voucher 2.2
        v->OKBtn->click();
        QTRY_VERIFY(!openView(f.Belege));
        QVERIFY(viewMessages.contains(QStringLiteral("Suche Hauptdatensatz...")));
        QCOMPARE(NrOf(f.Masch), 2);
        QCOMPARE(int(f.Belege->FieldByName("Pos")->AsInteger()), 2);
    }

    // The table-view key inside an open view takes the caller to the
    // view's record and brings the calling form forward.
    void tableViewKeyInsideTheView()
    {
        TViewForm& f = form();
        QVERIFY(ShowActiveWindow(&f));
        TTableViewForm* v = showView(false);
        QVERIFY(v);
        QVERIFY(ShowActiveWindow(v));
        v->TblGrid->setCurrentIndex(v->TblGrid->model()->index(4, 1));
        QTest::keyClick(v->TblGrid, Qt::Key_F7);
        QCOMPARE(NrOf(f.Masch), 5);
        QVERIFY(openView(f.Masch));
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&f));
        v->CancelBtn->click();
    }

    void endOfRangeBecomesAMessage()
    {
        TViewForm& f = form();
        TTableViewForm* v = showView(true);
        QVERIFY(v);
        QVERIFY(ShowActiveWindow(v));
        try {
            EngineError(DbiErr::OUTOFRANGE, QStringLiteral("Datensatz liegt außerhalb des gültigen Bereichs"));
        } catch (...) {
            HandleException(v->TblGrid);
        }
        QCOMPARE(v->StatusPanel->Caption(), QStringLiteral("Datensatz liegt außerhalb des Detailbereichs"));
        v->OKBtn->click();
        Q_UNUSED(f);
    }

    // --- what the view shows

    void fieldAndLabelLists_data()
    {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("labels");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("both lists, same count") << "Name;Nr" << "Bezeichnung;Nummer"
                                                << QStringList{"Bezeichnung", "Nummer"};
        QTest::newRow("fewer labels keep the configured titles") << "Name;Nr" << "Bezeichnung"
                                                                 << QStringList{"Name", "Nummer"};
        QTest::newRow("names in any case, unknown names skipped") << "preis;Gibtsnicht;NAME" << ""
                                                                  << QStringList{"Preis €", "Name"};
        QTest::newRow("no list: the table's fields")
            << "" << "" << QStringList{"Nummer", "Name", "Aktiv", "Gruppen-Kz", "Gruppe", "Preis €", "Kaufdatum", "Notiz"};
    }

    void fieldAndLabelLists()
    {
        QFETCH(QString, fields);
        QFETCH(QString, labels);
        form();
        TTableViewForm* v = showView(false, [&](TFormEventRec& rec) {
            rec.FieldList = fields;
            rec.LabelList = labels;
        });
        QVERIFY(v);
        QTEST(Titles(v->TblGrid), "titles");
        // Hidden fields stay in the copy for searching.
        QCOMPARE(v->Copy()->FieldCount(), 8);
        v->CancelBtn->click();
    }

    void viewHasItsOwnBarAndKeys()
    {
        TViewForm& f = form();
        f.Ext->MoveBy = 3;
        TFormEventRec offered;
        TTableViewForm* v = showView(false, [&](TFormEventRec& rec) {
            rec.VisBtnsSearch = {snbSearch, snbActiveFilter};
            rec.VisBtnsMove = {mnbFirst, mnbLast};
            offered = rec;
        });
        QVERIFY(v);
        QCOMPARE(v->Nav->objectName(), QStringLiteral("TVNav"));
        QCOMPARE(v->Nav->DBExtender(), v->ViewExtender());
        QCOMPARE(v->Nav->VisBtnsSearch(), (TSrchNavBtns{snbSearch, snbActiveFilter}));
        QCOMPARE(v->Nav->VisBtnsMove(), (TMoveNavBtns{mnbFirst, mnbLast}));
        QVERIFY(v->Nav->VisBtnsRecord().IsEmpty());   // read-only by default
        QCOMPARE(v->ViewExtender()->objectName(), QStringLiteral("TblDBExtender"));
        QCOMPARE(v->ViewExtender()->AllowKeys(), offered.AllowKeys);
        QVERIFY(!offered.AllowKeys.Contains(akTableView));
        QCOMPARE(v->ViewExtender()->MoveBy, 3);
        QCOMPARE(v->ViewExtender()->MasterSource(), v->Source);
        QVERIFY(v->TblGrid->ReadOnly());
        QCOMPARE(v->StatusPanel, v->ViewExtender()->MessagePanel());
        v->CancelBtn->click();
    }

    // --- CSV

    void csvReadBack_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QList<int>>("machines");
        QTest::newRow("all records") << "" << QList<int>{1, 2, 3, 4, 5};
        QTest::newRow("under the view's filter") << "Nr > 2" << QList<int>{3, 4, 5};
    }

    void csvReadBack()
    {
        QFETCH(QString, filter);
        QFETCH(QList<int>, machines);
        form();
        TTableViewForm* v = showView(false);
        QVERIFY(v);
        if (!filter.isEmpty()) {
            v->Copy()->SetFilter(filter);
            v->Copy()->SetFiltered(true);
        }
        // Columns in the order the user dragged them to.
        QHeaderView* header = v->TblGrid->horizontalHeader();
        header->moveSection(5, 0);   // Preis first
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("park.csv"));
        QVERIFY(v->ExportCsv(name));
        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.contains("\r\n"));
        const QList<QStringList> rows = ParseCsv(QString::fromUtf8(bytes.mid(3)));
        QCOMPARE(rows.size(), machines.size() + 1);
        QCOMPARE(rows.first(), (QStringList{"Preis €", "Nummer", "Name", "Aktiv", "Gruppen-Kz", "Gruppe", "Kaufdatum",
                                            "Notiz"}));
        const QStringList prices{"1234,50", "0,25", "-17,00", "99999,99", "12,00"};
        const QStringList dates{"01.03.2020", "31.12.2019", "", "14.07.2021", "02.01.2018"};
        const QStringList groups{"Bagger", "Verdichter", "", "Verdichter", "Bagger"};
        for (int i = 0; i < machines.size(); ++i) {
            const TMachRow& m = kMachines[machines.at(i) - 1];
            const QStringList expected{prices.at(m.Nr - 1), QString::number(m.Nr), QString::fromUtf8(m.Name),
                                       m.Aktiv < 0 ? QString() : m.Aktiv ? QStringLiteral("Wahr") : QStringLiteral("Falsch"),
                                       QString::fromLatin1(m.Gruppe), groups.at(m.Nr - 1), dates.at(m.Nr - 1),
                                       QString::fromUtf8(m.Notiz)};
            QCOMPARE(rows.at(i + 1), expected);
        }
        QCOMPARE(v->StatusPanel->Caption(),
                 QStringLiteral("%1 Datensätze nach park.csv exportiert").arg(machines.size()));
        v->CancelBtn->click();
    }

    void csvValueTexts_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("float without format") << int(ftFloat) << "" << QVariant(1234.5) << "1234,5";
        QTest::newRow("thousands dropped, decimals kept") << int(ftFloat) << "###,##0.00" << QVariant(1234567.891)
                                                          << "1234567,89";
        QTest::newRow("money") << int(ftCurrency) << "" << QVariant(-3.0) << "-3,00";
        QTest::newRow("integer") << int(ftInteger) << "" << QVariant(42) << "42";
        QTest::newRow("date") << int(ftDate) << "" << QVariant(QDate(2024, 2, 29)) << "29.02.2024";
        QTest::newRow("blank") << int(ftFloat) << "" << QVariant() << "";
        QTest::newRow("picture stays empty") << int(ftGraphic) << "" << QVariant(QByteArray("GIF89a")) << "";
    }

    void csvValueTexts()
    {
        QFETCH(int, type);
        QFETCH(QString, format);
        QFETCH(QVariant, value);
        form();
        TTable t;
        t.SetDatabaseName(QStringLiteral("Pelmora"));
        t.SetTableName(QStringLiteral("Werte.DB"));
        t.DefsForCreate() = {{"F", TFieldType(type), 0}};
        t.CreateTable();
        t.Open();
        TField* f = t.FieldByName("F");
        if (!format.isEmpty()) f->SetDisplayFormat(format);
        QTEST(CsvText(f, value), "text");
    }

    void csvQuoting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("plain") << "Bagger" << "Bagger";
        QTest::newRow("semicolon") << "a;b" << "\"a;b\"";
        QTest::newRow("quote") << "Typ \"3\"" << "\"Typ \"\"3\"\"\"";
        QTest::newRow("line break") << "a\nb" << "\"a\nb\"";
        QTest::newRow("leading blank kept") << " a" << "\" a\"";
    }

    void csvQuoting()
    {
        QFETCH(QString, text);
        QTEST(CsvQuoted(text), "quoted");
    }

    // Esc during a long export: nothing is written, the user is told.
    void csvAbortedByEscape()
    {
        TViewForm& f = form();
        // Enough vouchers for the progress bar.
        ChangeElsewhere(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                                       "INSERT INTO \"Belege\" (\"Nr\", \"Pos\", \"Betrag\") "
                                       "SELECT 7, i, i * 0.5 FROM n"));
        f.Ext->BorderStyleTblView = bsSizeable;
        f.Ext->OpenTableView(f.Belege, nullptr, false);
        auto* v = qobject_cast<TTableViewForm*>(entry(f.Belege)->TableView.data());
        QVERIFY(v);
        QVERIFY(ShowActiveWindow(v));
        QCOMPARE(v->Copy()->RecordCount(), 3006);
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("belege.csv"));
        QCoreApplication::postEvent(v->TblGrid, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        QVERIFY(!v->ExportCsv(name));
        QVERIFY(!QFile::exists(name));
        QCOMPARE(v->CsvProgress->maximum(), 3006);
        QVERIFY(v->CsvProgress->isHidden());
        QCOMPARE(v->StatusPanel->Caption(), QStringLiteral("Operation abgebrochen"));
        QVERIFY(v->TblGrid->isEnabled());
        // Without Esc it runs through.
        QVERIFY(v->ExportCsv(name));
        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(ParseCsv(QString::fromUtf8(file.readAll().mid(3))).size(), 3007);
        v->CancelBtn->click();
    }

    void csvButtonAsksForTheFile()
    {
        form();
        TTableViewForm* v = showView(true);
        QVERIFY(v);
        QTemporaryDir dir;
        TFileDialogRecord asked;
        const auto previous = SetFileDialogResponder([&](const TFileDialogRecord& r) {
            asked = r;
            return dir.filePath(QStringLiteral("maschinen"));
        });
        v->CsvBtn->click();
        SetFileDialogResponder(previous);
        QCOMPARE(v->CsvBtn->text(), QStringLiteral("Als CSV exportieren"));
        QCOMPARE(asked.Kind, TFileDialogKind::Save);
        QCOMPARE(asked.DefaultExt, QStringLiteral("csv"));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("maschinen.csv"))));
        v->OKBtn->click();
    }

    // --- column widths

    void columnWidthsKeptForTheNextOpening()
    {
        TViewForm& f = form();
        TTableViewForm* v = showView(false);
        QVERIFY(v);
        const int defaultNr = v->TblGrid->columnWidth(0);
        v->TblGrid->horizontalHeader()->resizeSection(1, 321);   // Name, by the user
        // A relabelled field rebuilds the columns; the user's width stays.
        v->Copy()->FieldByName("Name")->SetDisplayLabel(QStringLiteral("Bezeichnung"));
        QCOMPARE(v->TblGrid->columnWidth(1), 321);
        v->CancelBtn->click();
        QTRY_VERIFY(!openView(f.Masch));

        TTableViewForm* again = showView(true);
        QVERIFY(again);
        QCOMPARE(again->TblGrid->columnWidth(1), 321);
        QCOMPARE(again->TblGrid->columnWidth(0), defaultNr);
        again->OKBtn->click();
        QTRY_VERIFY(!openView(f.Masch));
        // Another table keeps its own.
        f.Ext->OpenTableView(f.Belege, nullptr, false);
        auto* belege = qobject_cast<TTableViewForm*>(entry(f.Belege)->TableView.data());
        QVERIFY(belege);
        QVERIFY(belege->TblGrid->columnWidth(1) != 321);
        belege->CancelBtn->click();
        QSettings s(QSettings::IniFormat, QSettings::UserScope, QCoreApplication::organizationName(),
                    QCoreApplication::applicationName());
        QVERIFY(s.childGroups().contains(QStringLiteral("Tabellenansicht")));
    }
};

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    TstDbetview tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_dbetview.moc"
