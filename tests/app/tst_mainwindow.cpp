// The program start and the main window: creation order, tabs, views,
// year lists, the user's names, the edit menu, exit and error routing; and
// what the other windows already do.
#include "Application.h"
#include "ParkFixture.h"
#include "Clock.h"
#include "DBCheckBox.h"
#include "DBEdit.h"
#include "DBErrors.h"
#include "DBGrid.h"
#include "DBRadioGroup.h"
#include "DBMemo.h"
#include "DataMod.h"
#include "Dialogs.h"
#include "Einstell.h"
#include "Forms.h"
#include "Fuhrkst.h"
#include "Hilfe.h"
#include "DBENav.h"
#include "Main.h"
#include "Panel.h"
#include "RadioGrp.h"
#include "Session.h"
#include "Termine.h"
#include "Utility.h"
#include <QAbstractButton>
#include <QPushButton>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QScopeGuard>
#include <QTimer>
#include <memory>

using Settings = QMap<QString, QString>;
Q_DECLARE_METATYPE(Settings)

namespace {

const TAllowKeys kAll{akSelectNext, akDBMove,    akLookUp,     akSearch,      akIncSearch,
                      akBookmark,   akFilter,    akDuplicate,  akCancel,      akDelete,
                      akInsert,     akTableView, akGlobalEdit, akIndexSelect, akSingleRecView};
const QString kNewMachineWarning = QString::fromUtf8(
    "Bitte speichern Sie zunächst die neue Maschine ab (Haken-Symboltaste) oder verwerfen Sie die Daten (X-Symboltaste).");
const QString kNewCostWarning = QString::fromUtf8(
    "Bitte speichern Sie zunächst den neuen Kostendatensatz ab (Speichern-Taste) oder verwerfen Sie die Daten "
    "(Löschen-Taste).");

enum Tab { Stammdaten, Memo, Historie, Kosten, Monatsauswertung, Monatsuebersicht };


void ClickItem(TRadioGroup* group, int item)
{
    QTest::mouseClick(group->Button(item), Qt::LeftButton);
}

// A cost voucher as the posting rules will write it.
void AddCost(const QString& machine, const QDate& date, double repair)
{
    TTable* t = DataModule1->TTblVarKosten;
    t->Append();
    t->FieldByName(QStringLiteral("IdentNummer"))->SetAsString(machine);
    t->FieldByName(QStringLiteral("BelegDatum"))->SetAsDate(date);
    t->FieldByName(QStringLiteral("ReparaturKosten"))->SetAsFloat(repair);
    t->FieldByName(QStringLiteral("Betriebsstunden"))->SetAsFloat(1);
    t->FieldByName(QStringLiteral("Jahr"))->SetAsString(QString::number(date.year()));
    t->FieldByName(QStringLiteral("Monat"))->SetAsString(MonthNames().at(date.month() - 1));
    t->Post();
}

QStringList VisibleCostDates()
{
    QStringList dates;
    TTable* t = DataModule1->TTblVarKosten;
    for (t->First(); !t->Eof(); t->Next())
        dates << t->FieldByName(QStringLiteral("BelegDatum"))->AsDate().toString(Qt::ISODate);
    return dates;
}

}   // namespace

class TestMainWindow : public ParkFixture {
    Q_OBJECT

private:

    void AddMachine(const QString& number, const QString& name, const QString& memo = QString())
    {
        TTable* t = DataModule1->TTblMain;
        t->Append();
        t->FieldByName(QStringLiteral("IdentNummer"))->SetAsString(number);
        t->FieldByName(QStringLiteral("Bezeichnung1"))->SetAsString(name);
        t->FieldByName(QStringLiteral("Memo"))->SetAsString(memo);
        t->Post();
    }

private slots:
    void init()
    {
        InitPark();
    }

    void cleanup()
    {
        OnFormCreated = nullptr;
        CleanupPark();
    }

    void creationOrder()
    {
        QStringList created;
        OnFormCreated = [&](const QString& className) { created << className; };
        StartAsIs();
        QCOMPARE(created, (QStringList{"TDataModule1", "THauptFormular", "TTerminFormular", "TEinstellungenFormular",
                                       "TAboutBox", "TPasswordDlg", "THilfeFormular", "TFuhrparkKostenFormular"}));
        for (TTable* t : DataModule1->StartTables()) QVERIFY2(t->Active(), qPrintable(t->TableName()));
        QCOMPARE(Main()->objectName(), QStringLiteral("HauptFormular"));
        QCOMPARE(Main()->windowTitle(), QStringLiteral("TARVOS Maschinenpark"));
        QCOMPARE(Main()->size(), QSize(1022, 766));
        QCOMPARE(Main()->minimumSize(), QSize(1022, 766));
        QCOMPARE(Main()->StartDir, QDir::currentPath());
        QCOMPARE(Main()->PageCtrlMain->currentWidget(), Main()->TabStammDaten);
        QCOMPARE(Main()->RadioGrpSicht->ItemIndex(), 0);
        QCOMPARE(Main()->RadioGrpKostenSicht->ItemIndex(), 0);
        QCOMPARE(Main()->RadioGrpDrucken->Items().value(Main()->RadioGrpDrucken->ItemIndex()),
                 QStringLiteral("Diese Maschine"));
        QVERIFY(Main()->MenuFilterArt.isEmpty());
        QCOMPARE(Main()->TPaGlobalEdit->Caption(), QStringLiteral("Lesen"));
        QCOMPARE(Main()->TPaGlobalEdit->Color(), THauptFormular::LesenColor());
        const QStringList tabs{"Stammdaten", "Memo", "Historie", " Var. Kosten", "Monatsauswertung", "Monatsübersicht"};
        for (int i = 0; i < tabs.size(); ++i) QCOMPARE(Main()->PageCtrlMain->tabText(i), tabs[i]);
    }

    void startWithoutTables()
    {
        // The shared directory is a file, so no database can be opened there.
        const QString blocked = m_dir->path() + QStringLiteral("/Gesperrt");
        QFile file(blocked);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        Session().SetAliasPath(QStringLiteral("Pelmora"), blocked);
        QVERIFY_THROWS_EXCEPTION(std::exception, CreateForms());
        QVERIFY(!DataModule1);
        QVERIFY(!HauptFormular);
    }

    void leavingTab_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("table");
        QTest::addColumn<bool>("inserting");
        QTest::addColumn<QString>("warning");

        QTest::newRow("neue Maschine") << int(Stammdaten) << "TTblMain" << true << kNewMachineWarning;
        QTest::newRow("Maschine in Bearbeitung") << int(Stammdaten) << "TTblMain" << false << QString();
        QTest::newRow("neuer Kostendatensatz") << int(Kosten) << "TTblVarKosten" << true << kNewCostWarning;
        QTest::newRow("Kostendatensatz in Bearbeitung") << int(Kosten) << "TTblVarKosten" << false << QString();
        QTest::newRow("neuer Historiendatensatz") << int(Historie) << "TTblHistorie" << true << QString();
    }

    void leavingTab()
    {
        QFETCH(int, from);
        QFETCH(QString, table);
        QFETCH(bool, inserting);
        QFETCH(QString, warning);
        StartAsIs();
        AddMachine(QStringLiteral("M-1"), QStringLiteral("Bagger"));
        AddCost(QStringLiteral("M-1"), QDate(2026, 3, 1), 10);
        TTable* hist = DataModule1->TTblHistorie;
        hist->Append();
        hist->FieldByName(QStringLiteral("Datum"))->SetAsDate(QDate(2026, 3, 2));
        hist->Post();

        Main()->SetActivePage(Main()->PageCtrlMain->widget(from));
        TTable* t = DataModule1->findChild<TTable*>(table);
        QVERIFY(t);
        if (inserting) {
            // Something typed: a grid drops an untouched new row when it loses the focus.
            t->Append();
            const QString typed = t == DataModule1->TTblMain ? QStringLiteral("Bezeichnung1")
                                  : t == DataModule1->TTblVarKosten ? QStringLiteral("BelegNummer")
                                                                     : QStringLiteral("Info");
            t->FieldByName(typed)->SetAsString(QStringLiteral("1"));
        } else {
            t->Edit();
        }

        TDialogRecorder rec;
        const int to = from == Memo ? Historie : Memo;
        ClickMainTab(to);
        if (warning.isEmpty()) {
            QVERIFY(rec.IsEmpty());
            QCOMPARE(Main()->PageCtrlMain->currentIndex(), to);
        } else {
            QCOMPARE(rec.Records().size(), 1);
            QCOMPARE(rec.Last().Type, mtWarning);
            QCOMPARE(rec.Last().Text, warning);
            QCOMPARE(rec.Last().Buttons, TMsgDlgButtons(mbOK));
            QCOMPARE(Main()->PageCtrlMain->currentIndex(), from);
            QCOMPARE(t->State(), dsInsert);
        }
    }

    void enteringTab_data()
    {
        QTest::addColumn<QList<int>>("path");
        QTest::addColumn<quint32>("allowKeys");
        QTest::addColumn<bool>("navigator");
        QTest::addColumn<QString>("focus");

        const TAllowKeys edit{akDuplicate, akDelete, akInsert};
        const TAllowKeys editInc = edit + TAllowKeys{akIncSearch};
        QTest::newRow("Memo") << QList<int>{Memo} << (kAll - edit).Bits() << true << "EditDBMemo";
        QTest::newRow("Historie") << QList<int>{Historie} << (kAll - editInc).Bits() << true << "DBGridHistorie";
        QTest::newRow("Var. Kosten") << QList<int>{Kosten} << (kAll - editInc).Bits() << true << "TDBGridVarKosten";
        QTest::newRow("Memo nach Historie")
            << QList<int>{Historie, Memo} << (kAll - edit).Bits() << true << "EditDBMemo";
        QTest::newRow("Monatsauswertung nach Historie")
            << QList<int>{Historie, Monatsauswertung} << (kAll - editInc).Bits() << false << QString();
        QTest::newRow("Monatsübersicht nach Memo")
            << QList<int>{Memo, Monatsuebersicht} << (kAll - edit).Bits() << false << QString();
        QTest::newRow("Stammdaten nach Var. Kosten")
            << QList<int>{Kosten, Stammdaten} << kAll.Bits() << true << QString();
    }

    void enteringTab()
    {
        QFETCH(QList<int>, path);
        QFETCH(quint32, allowKeys);
        QFETCH(bool, navigator);
        QFETCH(QString, focus);
        StartAsIs();
        AddMachine(QStringLiteral("M-1"), QStringLiteral("Bagger"));
        QCOMPARE(Main()->AllowKeys(), kAll);
        for (int tab : path) ClickMainTab(tab);
        QCOMPARE(Main()->PageCtrlMain->currentIndex(), path.last());
        QCOMPARE(Main()->AllowKeys().Bits(), allowKeys);
        QCOMPARE(Main()->TDBENavMain->isEnabled(), navigator);
        if (!focus.isEmpty()) QVERIFY(HasFocusIn(Main()->findChild<QWidget*>(focus)));
    }

    void costView_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<QString>("year");
        QTest::addColumn<QStringList>("visible");
        QTest::addColumn<bool>("yearList");

        const QStringList all{"2005-03-01", "2026-01-15", "2026-12-05"};
        QTest::newRow("Alle") << 0 << "2026" << all << false;
        QTest::newRow("akt.Monat") << 1 << "2026" << QStringList{"2026-12-05"} << false;
        QTest::newRow("Jahr 2026") << 2 << "2026" << QStringList{"2026-01-15", "2026-12-05"} << true;
        QTest::newRow("Jahr 2005") << 2 << "2005" << QStringList{"2005-03-01"} << true;
        QTest::newRow("Jahr ohne Belege") << 2 << "2010" << QStringList{} << true;
    }

    void costView()
    {
        QFETCH(int, view);
        QFETCH(QString, year);
        QFETCH(QStringList, visible);
        QFETCH(bool, yearList);
        StartAsIs();
        AddMachine(QStringLiteral("M-1"), QStringLiteral("Bagger"));
        AddMachine(QStringLiteral("M-2"), QStringLiteral("Walze"));
        AddCost(QStringLiteral("M-2"), QDate(2026, 12, 6), 3);
        DataModule1->TTblMain->First();
        for (const QDate& d : {QDate(2005, 3, 1), QDate(2026, 1, 15), QDate(2026, 12, 5)})
            AddCost(QStringLiteral("M-1"), d, 10);
        ClickMainTab(Kosten);

        // The year is chosen first; a change of it counts in the "Jahr" view only.
        QComboBox* years = Main()->CmbBoxKostenJahr;
        years->setCurrentIndex(years->findText(year));
        ClickItem(Main()->RadioGrpKostenSicht, view);
        QCOMPARE(Main()->RadioGrpKostenSicht->ItemIndex(), view);
        QCOMPARE(VisibleCostDates(), visible);
        QCOMPARE(years->isEnabled(), yearList);

        // Entering "Monatsauswertung" always brings every voucher back.
        ClickMainTab(Monatsauswertung);
        QCOMPARE(Main()->RadioGrpKostenSicht->ItemIndex(), 0);
        QVERIFY(!DataModule1->TTblVarKosten->Filtered());
        QVERIFY(!years->isEnabled());
        QCOMPARE(VisibleCostDates(), (QStringList{"2005-03-01", "2026-01-15", "2026-12-05"}));
    }

    void costViewYearChange()
    {
        StartAsIs();
        AddMachine(QStringLiteral("M-1"), QStringLiteral("Bagger"));
        for (const QDate& d : {QDate(2005, 3, 1), QDate(2026, 1, 15)}) AddCost(QStringLiteral("M-1"), d, 10);
        ClickMainTab(Kosten);
        ClickItem(Main()->RadioGrpKostenSicht, 2);
        QCOMPARE(VisibleCostDates(), QStringList{"2026-01-15"});
        QComboBox* years = Main()->CmbBoxKostenJahr;
        years->setCurrentIndex(years->findText(QStringLiteral("2005")));
        emit years->activated(years->currentIndex());
        QCOMPARE(VisibleCostDates(), QStringList{"2005-03-01"});
    }

    void yearLists_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("month");

        QTest::newRow("2001") << QDate(2001, 3, 15) << "2001" << "März";
        QTest::newRow("2026") << QDate(2026, 12, 10) << "2026" << "Dezember";
        QTest::newRow("1985, vor der Liste") << QDate(1985, 7, 1) << QString() << "Juli";
    }

    void yearLists()
    {
        QFETCH(QDate, today);
        QFETCH(QString, selected);
        QFETCH(QString, month);
        SetTestClock(QDateTime(today, QTime(12, 0)));
        StartAsIs();
        const QStringList items = YearListItems(today);
        for (QComboBox* c : {Main()->ComboBoxJahr, Main()->CmbBoxMonatsauswertungJahr, Main()->CmbBoxKostenJahr}) {
            QStringList shown;
            for (int i = 0; i < c->count(); ++i) shown << c->itemText(i);
            QCOMPARE(shown, items);
            QCOMPARE(c->currentText(), selected);
            QCOMPARE(c->currentIndex(), selected.isEmpty() ? -1 : items.indexOf(selected));
        }
        QCOMPARE(Main()->CmbBoxMonatsauswertungMonat->currentText(), month);
        QCOMPARE(Main()->AktJahr, QString::number(today.year()));
        QCOMPARE(Main()->AktMonat, month);
        // The park-cost window and the due-date window read the same clock.
        QCOMPARE(FuhrparkKostenFormular->ComboBoxJahr->currentText(), selected);
        QCOMPARE(FuhrparkKostenFormular->CmbBoxMonat->currentText(), month);
        QCOMPARE(TerminFormular->AktuellesDatum, today);
        QCOMPARE(TerminFormular->TLblAktuellesDatum->text(), today.toString(QStringLiteral("dd.MM.yyyy")));
    }

    void userNames_data()
    {
        QTest::addColumn<Settings>("settings");
        QTest::addColumn<Settings>("captions");      // objectName -> caption
        QTest::addColumn<Settings>("fieldLabels");   // handle.field -> display label

        QTest::newRow("leer")
            << Settings{}
            << Settings{{"LabelFreierTermin1", ""}, {"LabelFreierTermin3", ""}, {"LblFreifeld1", ""},
                        {"LblFreifeld10", ""}, {"LblMonatsauswertungReparatur", "Reparatur:"},
                        {"LblMonatsauswertungBenzin", "Treibstoff:"}, {"LblMonatsauswertungSonstige3", "Sonstige3:"},
                        {"LblKostenName1", ""}, {"LblKostenName8", ""}}
            << Settings{{"TTblVarKosten.ReparaturKosten", "Reparaturkosten"},
                        {"TTblVarKosten.Benzinkosten", "Treibstoffkosten"},
                        {"TTblVarKosten.Bemerkung", "Bemerkung1"},
                        {"TTblMonatKosten.Reparaturkosten", "Reparatur"},
                        {"TTblFuhrparkKosten.VerbrauchKosten", "TreibstoffKosten"},
                        {"TTblHistorie.Reserve2", "Bemerkung2"}};
        QTest::newRow("gesetzt")
            << Settings{{"NameFreitermin1", "Brandschutz"}, {"NameFreitermin3", "Eichung"},
                        {"NameFreifeld1", "Farbe"},        {"NameFreifeld10", "Kennzeichen"},
                        {"NameReparaturkosten", "Instandsetzung"}, {"NameBenzinkosten", "Diesel"},
                        {"NameSonstigekosten3", "Maut"},   {"NameHistorieBemerkung2", "Werkstatt"},
                        {"NameVarKostenBemerkung1", "Fahrer"}}
            << Settings{{"LabelFreierTermin1", "Brandschutz"}, {"LabelFreierTermin2", ""},
                        {"LabelFreierTermin3", "Eichung"}, {"LblFreifeld1", "Farbe"}, {"LblFreifeld2", ""},
                        {"LblFreifeld10", "Kennzeichen"}, {"LblMonatsauswertungReparatur", "Instandsetzung"},
                        {"LblMonatsauswertungBenzin", "Diesel"}, {"LblMonatsauswertungSonstige3", "Maut"},
                        {"LblMonatsauswertungReifen", "Reifen:"}, {"LblKostenName1", "Instandsetzung"},
                        {"LblKostenName2", ""}, {"LblKostenName5", "Diesel"}}
            << Settings{{"TTblVarKosten.ReparaturKosten", "Instandsetzung"},
                        {"TTblVarKosten.Benzinkosten", "Diesel"},
                        {"TTblVarKosten.SonstigeKosten3", "Maut"},
                        {"TTblVarKosten.ReifenKosten", "Reifenkosten"},
                        {"TTblVarKosten.Bemerkung", "Fahrer"},
                        {"TTblVarKosten.Bemerkung2", "Bemerkung2"},
                        {"TTblMonatKosten.Reparaturkosten", "Instandsetzung"},
                        {"TTblMonatKosten.Benzinkosten", "Diesel"},
                        {"TTblFuhrparkKosten.ReparaturKosten", "Instandsetzung"},
                        {"TTblFuhrparkKosten.VerbrauchKosten", "Diesel"},
                        {"TTblFuhrparkKosten.Sonstige3Kosten", "Maut"},
                        {"TTblHistorie.Reserve2", "Werkstatt"},
                        {"TTblHistorie.Reserve1", "Bemerkung1"}};
    }

    void userNames()
    {
        QFETCH(Settings, settings);
        QFETCH(Settings, captions);
        QFETCH(Settings, fieldLabels);
        WriteSettings(settings);
        StartAsIs();
        // The park-cost window belongs to the main window, so its labels are found too.
        for (auto it = captions.begin(); it != captions.end(); ++it) {
            auto* label = Main()->findChild<QLabel*>(it.key());
            QVERIFY2(label, qPrintable(it.key()));
            QCOMPARE(label->text(), it.value());
        }
        // The park-cost table opens later; its labels must be waiting for it.
        DataModule1->TTblFuhrparkKosten->Open();
        for (auto it = fieldLabels.begin(); it != fieldLabels.end(); ++it) {
            TTable* t = DataModule1->findChild<TTable*>(it.key().section(u'.', 0, 0));
            QVERIFY2(t, qPrintable(it.key()));
            TField* f = t->FindField(it.key().section(u'.', 1));
            QVERIFY2(f, qPrintable(it.key()));
            QCOMPARE(f->DisplayLabel(), it.value());
        }
    }

    void bearbeitenEnabling_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("select");
        QTest::addColumn<bool>("editMode");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<bool>("copy");
        QTest::addColumn<bool>("paste");

        QTest::newRow("Edit, markiert, Lesen") << "EditBezeichnung1" << true << false << "x" << false << true << false;
        QTest::newRow("Edit, markiert, Ändern") << "EditBezeichnung1" << true << true << "x" << true << true << true;
        QTest::newRow("Edit, nichts markiert") << "EditBezeichnung1" << false << true << "x" << false << false << true;
        QTest::newRow("Edit, Zwischenablage leer") << "EditBezeichnung1" << true << true << "" << true << true << false;
        QTest::newRow("Memo, markiert, Ändern") << "EditDBMemo" << true << true << "x" << true << true << true;
        QTest::newRow("Memo, markiert, Lesen") << "EditDBMemo" << true << false << "x" << false << true << false;
        QTest::newRow("keine Datenbank-Eingabe") << "CmbBoxMonatsauswertungMonat" << false << true << "x" << false << false << false;
    }

    void bearbeitenEnabling()
    {
        QFETCH(QString, control);
        QFETCH(bool, select);
        QFETCH(bool, editMode);
        QFETCH(QString, clipboard);
        QFETCH(bool, cut);
        QFETCH(bool, copy);
        QFETCH(bool, paste);
        StartAsIs();
        AddMachine(QStringLiteral("M-1"), QStringLiteral("Bagger"), QStringLiteral("Kette prüfen"));
        Main()->SetEditMode(editMode);
        QApplication::clipboard()->setText(clipboard);
        auto* w = Main()->findChild<QWidget*>(control);
        QVERIFY(w);
        for (int i = 0; i < Main()->PageCtrlMain->count(); ++i)
            if (Main()->PageCtrlMain->widget(i)->isAncestorOf(w)) Main()->SetActivePage(Main()->PageCtrlMain->widget(i));
        w->setFocus();
        QVERIFY(HasFocusIn(w));
        if (auto* e = qobject_cast<QLineEdit*>(w)) select ? e->selectAll() : e->deselect();
        if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
            QTextCursor c = m->textCursor();
            c.movePosition(QTextCursor::Start);
            if (select) c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            m->setTextCursor(c);
        }
        // Open the menu as the user does; the enabling is computed then.
        Main()->MenuBearbeiten->popup(Main()->mapToGlobal(QPoint(20, 20)));
        QCOMPARE(Main()->MenuAusschneiden->isEnabled(), cut);
        QCOMPARE(Main()->MenuKopieren->isEnabled(), copy);
        QCOMPARE(Main()->MenuEinfuegen->isEnabled(), paste);
        // No bookmark, no filter and no search yet; the others always run.
        for (QAction* a : {Main()->MenuWeitersuchen, Main()->MenuLesezeichenverwaltung, Main()->MenuFilterEinAus})
            QVERIFY2(!a->isEnabled(), qPrintable(a->text()));
        for (QAction* a : {Main()->MenuSuchen, Main()->MenuLesezeichenSetzen})
            QVERIFY2(a->isEnabled(), qPrintable(a->text()));
        if (control == QLatin1String("CmbBoxMonatsauswertungMonat")) QVERIFY(!Main()->MenuInkrSuchen->isEnabled());
        Main()->MenuBearbeiten->hide();
    }

    // The extender of the window: status line, editing mode, bar and keys.
    void statusFollowsMoves()
    {
        StartAsIs();
        for (const char* id : {"M-1", "M-2", "M-3"}) AddMachine(QString::fromLatin1(id), QStringLiteral("Bagger"));
        Main()->TDBENavMain->BtnClick(nbFirst);
        QCOMPARE(Main()->TPanelStatus->Caption(), QStringLiteral("1 von 3"));
        Main()->TDBENavMain->BtnClick(nbNext);
        QCOMPARE(Main()->TPanelStatus->Caption(), QStringLiteral("2 von 3"));
        Main()->EditBezeichnung1->setFocus();
        QTest::keyClick(Main()->EditBezeichnung1, Qt::Key_PageDown);
        QCOMPARE(Main()->TPanelStatus->Caption(), QStringLiteral("3 von 3"));
        QVERIFY(!Main()->TDBENavMain->findChildren<QWidget*>().isEmpty());
        QCOMPARE(Main()->TDBENavMain->size(), QSize(523, 25));
        const QRect bar = Main()->TDBENavMain->geometry(), ende = Main()->TBitBtnEnde->geometry();
        QVERIFY(ende.left() > bar.right() && ende.left() - bar.right() < 20);
    }

    void startMode_data()
    {
        QTest::addColumn<QString>("rights");
        QTest::addColumn<bool>("startEditing");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Schreibrechte, sofort") << "S" << true << "Ändern";
        QTest::newRow("Schreibrechte, nicht sofort") << "S" << false << "Lesen";
        QTest::newRow("Leserechte, sofort") << "L" << true << "Lesen";
    }
    void startMode()
    {
        QFETCH(QString, rights);
        QFETCH(bool, startEditing);
        QFETCH(QString, shown);
        WriteOwnSettings(rights, startEditing);
        TDialogRecorder rec;
        StartAsIs();
        QCOMPARE(Main()->TPaGlobalEdit->Caption(), shown);
        QCOMPARE(Main()->EditMode(), shown == QStringLiteral("Ändern"));
        QVERIFY(rec.IsEmpty());
    }

    void globalEditKey_data()
    {
        QTest::addColumn<QString>("rights");
        QTest::addColumn<QString>("afterF9");
        QTest::addColumn<QString>("message");
        QTest::newRow("Schreibrechte") << "S" << "Ändern" << "";
        QTest::newRow("Leserechte") << "L" << "Lesen" << "Sie haben nur Leserechte!";
    }
    void globalEditKey()
    {
        QFETCH(QString, rights);
        QFETCH(QString, afterF9);
        QFETCH(QString, message);
        WriteOwnSettings(rights, false);
        StartAsIs();
        AddMachine(QStringLiteral("M-1"), QStringLiteral("Bagger"));
        QCOMPARE(Main()->TPaGlobalEdit->Caption(), QStringLiteral("Lesen"));
        QVERIFY(Main()->EditBezeichnung1->ReadOnly());
        TDialogRecorder rec;
        Main()->EditBezeichnung1->setFocus();
        QTest::keyClick(Main()->EditBezeichnung1, Qt::Key_F9);
        QCOMPARE(Main()->TPaGlobalEdit->Caption(), afterF9);
        QCOMPARE(Main()->EditBezeichnung1->ReadOnly(), afterF9 == QStringLiteral("Lesen"));
        QCOMPARE(rec.Last().Text, message);
        if (message.isEmpty()) {
            QTest::keyClick(Main()->EditBezeichnung1, Qt::Key_F9);
            QCOMPARE(Main()->TPaGlobalEdit->Caption(), QStringLiteral("Lesen"));
        }
    }

    void clipboardCommands()
    {
        StartAsIs();
        AddMachine(QStringLiteral("M-1"), QStringLiteral("Bagger"));
        Main()->SetEditMode(true);
        TDBEdit* e = Main()->EditBezeichnung1;
        e->setFocus();
        e->setSelection(0, 3);
        Main()->MenuKopieren->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Bag"));
        QCOMPARE(DataModule1->TTblMain->State(), dsBrowse);

        // Cutting and pasting change the machine, so it goes into editing.
        Main()->MenuAusschneiden->trigger();
        QCOMPARE(e->text(), QStringLiteral("ger"));
        QCOMPARE(DataModule1->TTblMain->State(), dsEdit);
        e->setCursorPosition(3);
        Main()->MenuEinfuegen->trigger();
        QCOMPARE(e->text(), QStringLiteral("gerBag"));
        Main()->EditBezeichnung2->setFocus();
        QCOMPARE(DataModule1->TTblMain->FieldByName(QStringLiteral("Bezeichnung1"))->AsString(), QStringLiteral("gerBag"));
    }

    void exit_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closed");

        QTest::newRow("Ende, Ja") << "TBitBtnEnde" << int(mrYes) << true << true;
        QTest::newRow("Ende, Nein") << "TBitBtnEnde" << int(mrNo) << true << false;
        QTest::newRow("Beenden, Ja") << "MenuBeenden" << int(mrYes) << true << true;
        QTest::newRow("Beenden, Nein") << "MenuBeenden" << int(mrNo) << true << false;
        QTest::newRow("Titelleiste") << "" << int(mrNo) << false << true;
    }

    void exit()
    {
        QFETCH(QString, command);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, closed);
        StartAsIs();
        TDialogRecorder rec;
        rec.Answer({answer});
        if (command == QLatin1String("TBitBtnEnde")) QTest::mouseClick(Main()->TBitBtnEnde, Qt::LeftButton);
        else if (command == QLatin1String("MenuBeenden")) Main()->MenuBeenden->trigger();
        else Main()->close();
        if (asked) {
            QCOMPARE(rec.Records().size(), 1);
            QCOMPARE(rec.Last().Type, mtConfirmation);
            QCOMPARE(rec.Last().Text, QStringLiteral("Möchten Sie das Programm beenden"));
            QCOMPARE(rec.Last().Buttons, TMsgDlgButtons(mbYesNo));
        } else {
            QVERIFY(rec.IsEmpty());
        }
        QCOMPARE(Main()->isVisible(), !closed);
    }

    // Closing posts what is pending as a move would; a refusing rule keeps
    // the program open with the record as it was.
    void closingPostsPendingEdits_data()
    {
        QTest::addColumn<QString>("pending");
        QTest::addColumn<QString>("refusal");   // empty: the program closes

        QTest::newRow("typed into Bezeichnung2") << "typed" << QString();
        QTest::newRow("complete new voucher") << "voucher" << QString();
        QTest::newRow("new voucher without date")
            << "voucher without date"
            << QString::fromUtf8("Bitte geben Sie ein Datum ein, da sonst eine zeiltliche Zuordnung der Kosten nicht "
                                 "möglich ist");
        QTest::newRow("new machine without number")
            << "machine without number"
            << QString::fromUtf8("Bitte geben Sie unbedingt eine Indentifikationsnummer ein oder brechen Sie die "
                                 "Eingabe ab (X-Symboltaste)");
    }
    void closingPostsPendingEdits()
    {
        QFETCH(QString, pending);
        QFETCH(QString, refusal);
        StoreMachine({{"IdentNummer", "M-1"}, {"Bezeichnung2", "alt"}});
        Start();
        TTable* costs = DataModule1->TTblVarKosten;
        if (pending == QLatin1String("typed")) {
            Main()->EditBezeichnung2->setFocus();
            QTRY_VERIFY(Main()->EditBezeichnung2->hasFocus());
            Main()->EditBezeichnung2->end(false);
            TypeIntoFocus(QStringLiteral(" neu"));
        } else if (pending.startsWith(QLatin1String("voucher"))) {
            ClickMainTab(tabKosten);
            Main()->TBtnVarKostenNeu->click();
            QCOMPARE(costs->State(), dsInsert);
            costs->FieldByName(QStringLiteral("ReparaturKosten"))->SetAsFloat(12);
            costs->FieldByName(QStringLiteral("Betriebsstunden"))->SetAsFloat(5);
            if (pending.endsWith(QLatin1String("without date"))) costs->FieldByName(QStringLiteral("BelegDatum"))->Clear();
        } else {
            Main()->TDBENavMain->BtnClick(nbInsert);
            DataModule1->TTblMain->FieldByName(QStringLiteral("Bezeichnung1"))->SetAsString(QStringLiteral("Neu"));
        }
        TDialogRecorder rec;
        Main()->MenuBeenden->trigger();
        QCOMPARE(rec.Records().first().Text, QStringLiteral("Möchten Sie das Programm beenden"));
        if (!refusal.isEmpty()) {
            QCOMPARE(rec.Records().size(), 2);
            QCOMPARE(rec.Last().Type, mtError);
            QCOMPARE(rec.Last().Text, refusal);
            QVERIFY(Main()->isVisible());
            QVERIFY(DataModule1->TTblVarKosten->State() == dsInsert || DataModule1->TTblMain->State() == dsInsert);
            if (pending == QLatin1String("machine without number")) QCOMPARE(Machine("Bezeichnung1"), QStringLiteral("Neu"));
            return;
        }
        QCOMPARE(rec.Records().size(), 1);
        QVERIFY(!Main()->isVisible());
        // Stored, as another handle reads it.
        TTable check;
        check.SetDatabaseName(QStringLiteral("Pelmora"));
        if (pending == QLatin1String("typed")) {
            check.SetTableName(QStringLiteral("KfzStamm.db"));
            check.Open();
            QCOMPARE(check.FieldByName(QStringLiteral("Bezeichnung2"))->AsString(), QStringLiteral("alt neu"));
        } else {
            check.SetTableName(QStringLiteral("KfzVar.DB"));
            check.Open();
            QCOMPARE(check.RecordCount(), 1);
            QCOMPARE(check.FieldByName(QStringLiteral("ReparaturKosten"))->AsFloat(), 12.0);
        }
    }

    // The header line's read-only fields show the start of a long text.
    void headerShowsStartOfLongTexts()
    {
        const QString place = QStringLiteral("Niederlassung Augsburg");
        StoreMachine({{"IdentNummer", "M-1"}, {"Bezeichnung1", "Raupenbagger mit Tieflöffel"}, {"Standort", place}});
        StoreMachine({{"IdentNummer", "M-2"}, {"Standort", "Zentrale Niederlassung Ulm-Donautal"}});
        StartAsIs();
        for (int step = 0; step < 2; ++step) {
            for (TDBEdit* e : {Main()->DBEditKopfIdentNummer, Main()->DBEditKopfBezeichnung1, Main()->DBEditKopfGruppe,
                               Main()->DBEditKopfStandort}) {
                QVERIFY(e->isReadOnly());
                QCOMPARE(e->cursorPosition(), 0);
            }
            QCOMPARE(Main()->DBEditKopfStandort->text(), Machine("Standort"));
            Main()->TDBENavMain->BtnClick(nbNext);
        }
    }

    void handlerErrors_data()
    {
        QTest::addColumn<QString>("failure");    // "", "EAbort" or an error text from the before-post event
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("view");
        QTest::addColumn<bool>("shown");

        QTest::newRow("kein Jahr gewählt") << QString() << QDate(1985, 7, 1) << 2 << true;
        QTest::newRow("Fehler beim Speichern") << "Beleg ist gesperrt" << QDate(2026, 12, 10) << 1 << true;
        QTest::newRow("stiller Abbruch") << "EAbort" << QDate(2026, 12, 10) << 1 << false;
    }

    void handlerErrors()
    {
        QFETCH(QString, failure);
        QFETCH(QDate, today);
        QFETCH(int, view);
        QFETCH(bool, shown);
        SetTestClock(QDateTime(today, QTime(12, 0)));
        StartAsIs();
        AddMachine(QStringLiteral("M-1"), QStringLiteral("Bagger"));
        AddCost(QStringLiteral("M-1"), QDate(2026, 12, 1), 10);
        TTable* costs = DataModule1->TTblVarKosten;
        const auto restore = qScopeGuard([costs] {
            costs->BeforePost = nullptr;
            if (costs->State() == dsEdit) costs->Cancel();
        });
        if (!failure.isEmpty()) {
            // Changing the view posts the voucher being edited.
            costs->BeforePost = [failure](TDataSet*) {
                if (failure == QLatin1String("EAbort")) throw EAbort();
                throw Exception(failure);
            };
            costs->Edit();
            costs->FieldByName(QStringLiteral("BelegNummer"))->SetAsString(QStringLiteral("B-7"));
        }
        ClickMainTab(Kosten);
        TDialogRecorder rec;
        ClickItem(Main()->RadioGrpKostenSicht, view);
        if (!shown) {
            QVERIFY(rec.IsEmpty());
            QCOMPARE(costs->State(), dsEdit);
            return;
        }
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Type, mtError);
        QCOMPARE(rec.Last().Buttons, TMsgDlgButtons(mbOK));
        if (!failure.isEmpty()) QCOMPARE(rec.Last().Text, failure);
        else QVERIFY(!rec.Last().Text.isEmpty());
        QCOMPARE(costs->State(), failure.isEmpty() ? dsBrowse : dsEdit);
        costs->BeforePost = nullptr;
        if (costs->State() == dsEdit) costs->Cancel();
        // The vouchers stay as they were shown.
        QVERIFY(!costs->Filtered());
        QCOMPARE(VisibleCostDates(), QStringList{"2026-12-01"});
    }

    void memoLamp()
    {
        StartAsIs();
        AddMachine(QStringLiteral("M-1"), QStringLiteral("Bagger"), QStringLiteral("Kette prüfen"));
        AddMachine(QStringLiteral("M-2"), QStringLiteral("Walze"));
        QTabBar* bar = Main()->PageCtrlMain->tabBar();
        QCOMPARE(bar->tabButton(Memo, QTabBar::RightSide), Main()->TPanMemoLED);
        QCOMPARE(Main()->TPanMemoLED->size(), QSize(8, 8));
        DataModule1->TTblMain->First();
        QCOMPARE(Main()->TPanMemoLED->Color(), QColor(Qt::red));
        DataModule1->TTblMain->Next();
        QVERIFY(!Main()->TPanMemoLED->Color().isValid());
    }

    void modalWindows_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("handedOver");    // the park-cost window's filter texts are fresh

        QTest::newRow("Terminverwaltung") << "MenuTerminverwaltung" << "TerminFormular" << "Termine" << false;
        QTest::newRow("Maschinenpark-Kosten") << "MenuMaschinenparkKosten" << "FuhrparkKostenFormular"
                                              << "Maschinenpark-Kosten" << true;
        QTest::newRow("Einstellungen") << "MenuEinstellungen" << "EinstellungenFormular" << "Einstellungen" << false;
        QTest::newRow("Info") << "MenuInfo" << "AboutBox" << QString() << false;
    }

    void modalWindows()
    {
        QFETCH(QString, command);
        QFETCH(QString, window);
        QFETCH(QString, title);
        QFETCH(bool, handedOver);
        StartAsIs();
        FuhrparkKostenFormular->FilterArt = QStringLiteral("Gruppe");
        FuhrparkKostenFormular->FilterWert = QStringLiteral("Bagger");
        QString shown, shownTitle;
        QTimer::singleShot(0, this, [&] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                shown = w->objectName();
                shownTitle = w->windowTitle();
                w->close();
            }
        });
        Main()->findChild<QAction*>(command)->trigger();
        QCOMPARE(shown, window);
        if (!title.isEmpty()) QCOMPARE(shownTitle, title);
        // Without a machine filter nothing is handed over.
        QCOMPARE(FuhrparkKostenFormular->FilterArt.isEmpty(), handedOver);
        QCOMPARE(FuhrparkKostenFormular->FilterWert.isEmpty(), handedOver);
    }

    void helpWindow()
    {
        StartAsIs();
        Main()->MenuErsteSchritte->trigger();
        QVERIFY(HilfeFormular->isVisible());
        QVERIFY(!HilfeFormular->isModal());
        QCOMPARE(HilfeFormular->windowTitle(), QStringLiteral("Hilfe-Formular"));
        TDBMemo* memo = HilfeFormular->DBMemoHilfe;
        QCOMPARE(memo->toPlainText(), DataModule1->TTblHilfe->FieldByName(QStringLiteral("Hilfe"))->AsString());
        QVERIFY(memo->isReadOnly());
        QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
        QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(memo->font().family(), QStringLiteral("Arial"));
        QCOMPARE(memo->font().pointSize(), 9);

        // Typing changes nothing.
        memo->setFocus();
        QTest::keyClicks(memo, QStringLiteral("abc"));
        QCOMPARE(DataModule1->TTblHilfe->State(), dsBrowse);
        QCOMPARE(memo->toPlainText(), DataModule1->TTblHilfe->FieldByName(QStringLiteral("Hilfe"))->AsString());

        // A second open shows the same window again, also after closing it.
        Main()->activateWindow();
        Main()->MenuErsteSchritte->trigger();
        QCOMPARE(QApplication::topLevelWidgets().count(HilfeFormular), 1);
        QVERIFY(HilfeFormular->isVisible());
        QTest::mouseClick(HilfeFormular->BtnSchliessen, Qt::LeftButton);
        QVERIFY(!HilfeFormular->isVisible());
        Main()->MenuErsteSchritte->trigger();
        QVERIFY(HilfeFormular->isVisible());
        QVERIFY(Main()->isVisible());
    }

    void settingsDialog()
    {
        StartAsIs();
        TEinstellungenFormular* dlg = EinstellungenFormular;
        QCOMPARE(dlg->PageCtrlEinstellungen->currentWidget(), dlg->TabSicherheit);
        QCOMPARE(dlg->ComboBoxDesigner->currentText(), QStringLiteral("Stammdaten"));
        QVERIFY(!dlg->TDBRadioGrpRechte->isEnabled());
        dlg->show();

        // Saving is not offered while the report designer is chosen.
        dlg->PageCtrlEinstellungen->setCurrentWidget(dlg->TabDesigner);
        QVERIFY(!dlg->TBitBtnSpeichern->isEnabled());
        dlg->PageCtrlEinstellungen->setCurrentWidget(dlg->TabSheetNamenFreifelder);
        QVERIFY(dlg->TBitBtnSpeichern->isEnabled());

        // A name takes fifteen characters; saving asks for a new start.
        TDBEdit* name = dlg->DBEditNameFreifeld[1];
        name->setFocus();
        QTest::keyClicks(name, QStringLiteral("Versicherungsnummer"));
        QCOMPARE(name->text(), QStringLiteral("Versicherungsnu"));
        TDialogRecorder rec;
        QTest::mouseClick(dlg->TBitBtnSpeichern, Qt::LeftButton);
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Type, mtInformation);
        QCOMPARE(rec.Last().Text, QStringLiteral("Einstellungen gespeichert. Bitte beenden Sie das Programm und starten "
                                                 "es erneut, damit die neuen Einstellungen wirksam werden"));
        TTable check;
        check.SetDatabaseName(QStringLiteral("Pelmora"));
        check.SetTableName(QStringLiteral("Kfzsyste.DB"));
        check.Open();
        QCOMPARE(check.FieldByName(QStringLiteral("NameFreifeld2"))->AsString(), QStringLiteral("Versicherungsnu"));
        // The main window keeps the names it read at start.
        QCOMPARE(Main()->LblFreifeld[1]->text(), QString());
    }

    void rightsAtStart_data()
    {
        QTest::addColumn<QString>("rights");
        QTest::addColumn<bool>("readOnly");

        QTest::newRow("Leserechte") << "L" << true;
        QTest::newRow("Schreib/Leserechte") << "S" << false;
        QTest::newRow("leer") << "" << false;
        QTest::newRow("klein geschrieben") << "l" << false;
    }

    void rightsAtStart()
    {
        QFETCH(QString, rights);
        QFETCH(bool, readOnly);
        WriteRights(rights);
        StartAsIs();
        QCOMPARE(ReadOnlyMode(), readOnly);
        QCOMPARE(EinstellungenFormular->DBCheckBoxSchreibschutz->isEnabled(), !readOnly);
        QCOMPARE(EinstellungenFormular->windowTitle(), QStringLiteral("Einstellungen"));
        QCOMPARE(EinstellungenFormular->minimumSize(), EinstellungenFormular->maximumSize());
    }
};

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
