// The settings dialog, the password and the rights, the help window: what the
// user types and clicks, what is stored, and what the next start makes of it.
#include "Application.h"
#include "DBCheckBox.h"
#include "DBEdit.h"
#include "DBGrid.h"
#include "DBMemo.h"
#include "DBRadioGroup.h"
#include "Einstell.h"
#include "Hilfe.h"
#include "ParkFixture.h"
#include "Passwort.h"
#include "Report1.h"
#include "Termine.h"
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

Q_DECLARE_METATYPE(TMsgDlgType)

namespace {

const QString kRestart = QStringLiteral(
    "Einstellungen gespeichert. Bitte beenden Sie das Programm und starten es erneut, damit die neuen Einstellungen "
    "wirksam werden");
const QString kWrong = QStringLiteral("Falsches Paßwort");
const QString kCancelled = QStringLiteral("Vorgang abgebrochen.");
const QString kOldFirst = QStringLiteral("Bitte geben Sie zunächst das bisherige Paßwort ein.");
const QString kNewNow = QStringLiteral("Bitte geben Sie jetzt das neue Paßwort ein.");
const QString kNewSaved = QStringLiteral("Neues Paßwort gespeichert.");
const QString kReadOnly = QStringLiteral("Sie haben nur Leserechte!");

TEinstellungenFormular* Dlg() { return EinstellungenFormular; }

// Types text key by key; umlauts come as text without a key of their own.
void TypeText(QWidget* w, const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80) QTest::keyClick(w, char(c.unicode()));
        else QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// Answers the password dialog each time it opens: a text is typed and
// confirmed, a null string cancels.
class TPasswordScript : public QObject {
public:
    explicit TPasswordScript(const QStringList& answers) : m_answers(answers)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
        m_timer.start(5);
    }
    int Shown() const { return m_shown; }
    // Every activation started with an empty, focused box.
    bool OpenedEmpty() const { return m_openedEmpty; }

private:
    void Poll()
    {
        if (QApplication::activeModalWidget() != PasswordDlg || !PasswordDlg->isVisible()) return;
        ++m_shown;
        m_openedEmpty = m_openedEmpty && PasswordDlg->Password->text().isEmpty()
            && PasswordDlg->focusWidget() == PasswordDlg->Password;
        const QString answer = m_answers.isEmpty() ? QString() : m_answers.takeFirst();
        if (answer.isNull()) {
            QTest::mouseClick(PasswordDlg->findChild<QPushButton*>(QStringLiteral("CancelBtn")), Qt::LeftButton);
            return;
        }
        TypeText(PasswordDlg->Password, answer);
        QTest::mouseClick(PasswordDlg->findChild<QPushButton*>(QStringLiteral("OKBtn")), Qt::LeftButton);
    }
    QStringList m_answers;
    QTimer m_timer;
    int m_shown = 0;
    bool m_openedEmpty = true;
};

QString Stored(const QString& alias, const QString& table, const QString& field)
{
    TTable t;
    t.SetDatabaseName(alias);
    t.SetTableName(table);
    t.Open();
    return t.FieldByName(field)->AsString();
}
QString StoredSetting(const char* field)
{
    return Stored(QStringLiteral("Pelmora"), QStringLiteral("Kfzsyste.DB"), QString::fromUtf8(field));
}

QStringList Texts(const TDialogRecorder& rec)
{
    QStringList texts;
    for (const TDialogRecord& r : rec.Records()) texts << r.Text;
    return texts;
}

QStringList Column(TTable* t, const char* field)
{
    QStringList values;
    for (t->First(); !t->Eof(); t->Next()) values << t->FieldByName(QString::fromUtf8(field))->AsString();
    return values;
}

void ClickTab(QWidget* page)
{
    QTabBar* bar = Dlg()->PageCtrlEinstellungen->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(Dlg()->PageCtrlEinstellungen->indexOf(page)).center());
}

void TypeInto(TDBEdit* e, const QString& text)
{
    ClickTab(e->parentWidget());
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Delete);
    TypeText(e, text);
}

void StoreLookup(const char* table, const QStringList& values)
{
    CreateMissingTables();
    TTable t;
    t.SetDatabaseName(QStringLiteral("Pelmora"));
    t.SetTableName(QString::fromLatin1(table));
    t.Open();
    for (const QString& v : values) t.AppendRecord({v});
}

// Clicks a check box or radio button on its mark, not beside its text.
void ClickMark(QAbstractButton* b)
{
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
}

void ChooseRights(int item)
{
    ClickMark(Dlg()->TDBRadioGrpRechte->findChildren<QRadioButton*>().at(item));
}

}   // namespace

class TestSettings : public ParkFixture {
    Q_OBJECT

    void Restart()
    {
        FreeForms();
        Start(false);
    }
    // Opens the settings dialog the way the menu does, without blocking.
    void OpenSettings()
    {
        Dlg()->show();
        QVERIFY(QTest::qWaitForWindowExposed(Dlg()));
    }

private slots:
    void init() { InitPark(); }
    void cleanup()
    {
        OnDesignReport = nullptr;
        CleanupPark();
    }

    // Every name box of a tab stops at 15 characters; only those are saved.
    void nameBoxes_data()
    {
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("Termin-Vorgaben") << QStringList{"TDBEditNameFreitermin1", "TDBEditNameFreitermin2",
                                                        "TDBEditNameFreitermin3"};
        QStringList freifelder;
        for (int i = 1; i <= 10; ++i) freifelder << QStringLiteral("DBEditNameFreifeld%1").arg(i);
        QTest::newRow("Freifeld-Vorgaben") << freifelder;
        QTest::newRow("Historie-Vorgaben") << QStringList{"DBEditNameHistorieBemerkung1", "DBEditNameHistorieBemerkung2",
                                                          "DBEditNameHistorieBemerkung3"};
        QTest::newRow("Var.Kosten-Vorgaben")
            << QStringList{"DBEditNameReparaturkosten", "DBEditNameReifenkosten",     "DBEditNameWartungskosten",
                           "DBEditNameUntersuchungskosten", "DBEditNameBenzinkosten", "DBEditNameSonstigekosten1",
                           "DBEditNameSonstigekosten2",     "DBEditNameSonstigekosten3", "DBEditNameVarKostenBemerkung1",
                           "DBEditNameVarKostenBemerkung2", "DBEditNameVarKostenBemerkung3"};
    }
    void nameBoxes()
    {
        QFETCH(QStringList, boxes);
        Start(false);
        OpenSettings();
        for (const QString& name : boxes) {
            auto* box = Dlg()->findChild<TDBEdit*>(name);
            QVERIFY2(box, qPrintable(name));
            TypeInto(box, QStringLiteral("0123456789ABCDEF"));
            QCOMPARE(box->text(), QStringLiteral("0123456789ABCDE"));
        }
        TDialogRecorder rec;
        QTest::mouseClick(Dlg()->TBitBtnSpeichern, Qt::LeftButton);
        QCOMPARE(Texts(rec), QStringList{kRestart});
        for (const QString& name : boxes)
            QCOMPARE(StoredSetting(qPrintable(Dlg()->findChild<TDBEdit*>(name)->DataField())),
                     QStringLiteral("0123456789ABCDE"));
    }

    // Saving writes both records; when the user's own one fails, the
    // shared one stays saved and the failure is named.
    void saving_data()
    {
        QTest::addColumn<bool>("privateFails");
        QTest::addColumn<QString>("message");
        QTest::addColumn<TMsgDlgType>("type");
        QTest::newRow("gespeichert") << false << kRestart << mtInformation;
        QTest::newRow("eigene Einstellungen nicht erreichbar")
            << true << QStringLiteral("Kann Einstellungen nicht speichern.") << mtError;
    }
    void saving()
    {
        QFETCH(bool, privateFails);
        QFETCH(QString, message);
        QFETCH(TMsgDlgType, type);
        Start(false);
        OpenSettings();
        TypeInto(Dlg()->TDBEditNameFreitermin[0], QStringLiteral("Prüfstand"));
        ClickTab(Dlg()->TabSicherheit);
        ClickMark(Dlg()->DBCheckBoxSchreibschutz);
        if (privateFails) DM()->TTblEinstellungenPriv->Close();
        TDialogRecorder rec;
        QTest::mouseClick(Dlg()->TBitBtnSpeichern, Qt::LeftButton);
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Text, message);
        QCOMPARE(rec.Last().Type, type);
        QCOMPARE(StoredSetting("NameFreitermin1"), QStringLiteral("Prüfstand"));
        QCOMPARE(Stored(QStringLiteral("PelmoraPriv"), QStringLiteral("Kfzsyspr.DB"), QStringLiteral("Schreibschutz")),
                 privateFails ? QStringLiteral("Falsch") : QStringLiteral("Wahr"));
    }

    // "&Speichern" is off only while the report designer's tab is shown.
    void speichernFollowsTab()
    {
        Start(false);
        OpenSettings();
        QTabWidget* tabs = Dlg()->PageCtrlEinstellungen;
        for (QWidget* page : {Dlg()->TabDesigner, Dlg()->TabVorgaben, Dlg()->TabDesigner, Dlg()->TabSheetDatenbank,
                              Dlg()->TabSicherheit}) {
            ClickTab(page);
            QCOMPARE(tabs->currentWidget(), page);
            QCOMPARE(Dlg()->TBitBtnSpeichern->isEnabled(), page != Dlg()->TabDesigner);
        }
    }

    // Only an item's exact text opens its layout in the designer.
    void designer_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");    // -1: nothing opens
        QTest::newRow("Stammdaten") << "Stammdaten" << int(rkStammdaten);
        QTest::newRow("Var. Kosten") << "Var. Kosten" << int(rkVarKosten);
        QTest::newRow("Monatsauswertung") << "Monatsauswertung" << int(rkMonatsauswertung);
        QTest::newRow("Monatsübersicht") << "Monatsübersicht" << int(rkMonatsuebersicht);
        QTest::newRow("Termine") << "Termine" << int(rkTermine);
        QTest::newRow("StammdatenListe") << "StammdatenListe" << int(rkStammdatenListe);
        QTest::newRow("Historie") << "Historie" << int(rkHistorie);
        QTest::newRow("klein geschrieben") << "termine" << -1;
        QTest::newRow("mit Leerzeichen") << "Historie " << -1;
        QTest::newRow("leer") << "" << -1;
    }
    void designer()
    {
        QFETCH(QString, text);
        QFETCH(int, kind);
        Start(false);
        OpenSettings();
        QCOMPARE(Dlg()->ComboBoxDesigner->currentText(), QStringLiteral("Stammdaten"));
        QList<int> designed;
        OnDesignReport = [&](TReportKind k) { designed << int(k); };
        ClickTab(Dlg()->TabDesigner);
        Dlg()->ComboBoxDesigner->setFocus();
        Dlg()->ComboBoxDesigner->lineEdit()->selectAll();
        QTest::keyClick(Dlg()->ComboBoxDesigner, Qt::Key_Delete);
        TypeText(Dlg()->ComboBoxDesigner, text);
        TDialogRecorder rec;
        QTest::mouseClick(Dlg()->SpeedBtnDesignerMonatsuebersicht, Qt::LeftButton);
        QCOMPARE(designed, kind < 0 ? QList<int>{} : QList<int>{kind});
        QVERIFY(rec.IsEmpty());
    }

    // A lookup entry goes only on Yes, and only from its list: machines keep it.
    void lookupDeletion_data()
    {
        QTest::addColumn<bool>("standort");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("gruppen");
        QTest::addColumn<QStringList>("standorte");
        const QStringList g{"Bagger", "Kran"}, s{"Halle", "Hof"};
        QTest::newRow("Gruppe, Nein") << false << int(mrNo) << g << s;
        QTest::newRow("Gruppe, Ja") << false << int(mrYes) << QStringList{"Bagger"} << s;
        QTest::newRow("Standort, Nein") << true << int(mrNo) << g << s;
        QTest::newRow("Standort, Ja") << true << int(mrYes) << g << QStringList{"Halle"};
    }
    void lookupDeletion()
    {
        QFETCH(bool, standort);
        QFETCH(int, answer);
        QFETCH(QStringList, gruppen);
        QFETCH(QStringList, standorte);
        StoreMachine({{"IdentNummer", "M-1"}, {"Gruppe", "Bagger"}, {"Standort", "Halle"}});
        StoreMachine({{"IdentNummer", "M-2"}, {"Gruppe", "Kran"}, {"Standort", "Hof"}});
        StoreLookup("KfzGruppe.db", {"Bagger", "Kran"});
        StoreLookup("KfzStort.db", {"Halle", "Hof"});
        Start(false);
        OpenSettings();
        ClickTab(Dlg()->TabSheetDatenbank);
        TDBGrid* grid = standort ? Dlg()->DBGridStandort : Dlg()->DBGridGruppe;
        // The second row is the marked one.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(1, 0)).center());
        TDialogRecorder rec;
        rec.Answer({answer});
        QTest::mouseClick(standort ? Dlg()->BtnStandortLoeschen : Dlg()->BtnGruppeLoeschen, Qt::LeftButton);
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Type, mtConfirmation);
        QCOMPARE(rec.Last().Buttons, mbYesNo);
        QCOMPARE(rec.Last().Text,
                 standort ? QStringLiteral("Möchten Sie den markierten Standort wirklich in der Nachschlagetabelle löschen")
                          : QStringLiteral("Möchten Sie die markierte Gruppe wirklich in der Nachschlagetabelle löschen"));
        QCOMPARE(Column(DM()->TTblGruppe, "Gruppe"), gruppen);
        QCOMPARE(Column(DM()->TblStandort, "Standort"), standorte);
        QCOMPARE(Column(DM()->TTblMain, "Gruppe"), (QStringList{"Bagger", "Kran"}));
        QCOMPARE(Column(DM()->TTblMain, "Standort"), (QStringList{"Halle", "Hof"}));
    }

    // Letters a to z match in any case; every other character as stored.
    void passwordComparison_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("entered");
        QTest::addColumn<bool>("matches");
        QTest::newRow("klein gespeichert, groß getippt") << "tarvos" << "TARVOS" << true;
        QTest::newRow("gemischt getippt") << "tarvos" << "TaRvOs" << true;
        QTest::newRow("nur der Anfang") << "tarvos" << "TARV" << false;
        QTest::newRow("Umlaut gleich") << "mähdrescher" << "MäHDRESCHER" << true;
        QTest::newRow("Umlaut groß getippt") << "mähdrescher" << "MÄHDRESCHER" << false;
        QTest::newRow("Umlaut groß, Rest klein") << "mähdrescher" << "mÄhdrescher" << false;
        QTest::newRow("ß bleibt ß") << "maß" << "MASS" << false;
        QTest::newRow("leer und leer") << "" << "" << true;
        QTest::newRow("leer gespeichert, etwas getippt") << "" << "x" << false;
        QTest::newRow("Ziffern und Zeichen") << "a1-b2" << "A1-B2" << true;
    }
    void passwordComparison()
    {
        QFETCH(QString, stored);
        QFETCH(QString, entered);
        QFETCH(bool, matches);
        QCOMPARE(TPasswordDlg::Matches(entered, stored), matches);
    }

    // "Ändern" unlocks the rights only with the password; a second click locks.
    void aendern_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("entered");    // null: cancelled
        QTest::addColumn<bool>("unlocked");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("erstes Passwort") << "TARVOS" << "TARVOS" << true << QStringList{};
        QTest::newRow("klein getippt") << "TARVOS" << "tarvos" << true << QStringList{};
        QTest::newRow("falsch") << "TARVOS" << "TARVO" << false << QStringList{kWrong};
        QTest::newRow("abgebrochen") << "TARVOS" << QString() << false << QStringList{};
        QTest::newRow("Umlaut anders") << "grün" << "GRÜN" << false << QStringList{kWrong};
        QTest::newRow("leeres Passwort") << "" << "" << true << QStringList{};
    }
    void aendern()
    {
        QFETCH(QString, stored);
        QFETCH(QString, entered);
        QFETCH(bool, unlocked);
        QFETCH(QStringList, messages);
        WriteSettings({{"MitHeader", stored}});
        Start(false);
        OpenSettings();
        QVERIFY(!Dlg()->TDBRadioGrpRechte->isEnabled());
        TDialogRecorder rec;
        TPasswordScript script({entered});
        QTest::mouseClick(Dlg()->TBtnPassword, Qt::LeftButton);
        QCOMPARE(script.Shown(), 1);
        QVERIFY(script.OpenedEmpty());
        QCOMPARE(Dlg()->TDBRadioGrpRechte->isEnabled(), unlocked);
        QCOMPARE(Texts(rec), messages);
        if (!messages.isEmpty()) QCOMPARE(rec.Last().Type, mtError);
        if (!unlocked) return;
        // Locking again asks nothing.
        QTest::mouseClick(Dlg()->TBtnPassword, Qt::LeftButton);
        QVERIFY(!Dlg()->TDBRadioGrpRechte->isEnabled());
        QCOMPARE(script.Shown(), 1);
        QCOMPARE(Texts(rec), messages);
    }

    // "Neues Paßwort": the old one first, then the new one, stored as typed.
    void neuesPasswort_data()
    {
        QTest::addColumn<QStringList>("answers");    // null entries cancel
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("storedAfter");
        QTest::addColumn<QString>("laterEntry");    // unlocks "Ändern" afterwards
        QTest::newRow("gemischt gespeichert, groß getippt")
            << QStringList{"tarvos", "NeuesPw"} << QStringList{kOldFirst, kNewNow, kNewSaved} << "NeuesPw" << "NEUESPW";
        QTest::newRow("leeres neues Passwort")
            << QStringList{"TARVOS", ""} << QStringList{kOldFirst, kNewNow, kNewSaved} << "" << "";
        QTest::newRow("Umlaut im neuen Passwort")
            << QStringList{"TARVOS", "Bär"} << QStringList{kOldFirst, kNewNow, kNewSaved} << "Bär" << "BäR";
        QTest::newRow("altes abgebrochen")
            << QStringList{QString()} << QStringList{kOldFirst, kCancelled} << "TARVOS" << "TARVOS";
        QTest::newRow("altes falsch") << QStringList{"TARVOSS"} << QStringList{kOldFirst, kWrong} << "TARVOS" << "TARVOS";
        QTest::newRow("neues abgebrochen")
            << QStringList{"TARVOS", QString()} << QStringList{kOldFirst, kNewNow, kCancelled} << "TARVOS" << "TARVOS";
    }
    void neuesPasswort()
    {
        QFETCH(QStringList, answers);
        QFETCH(QStringList, messages);
        QFETCH(QString, storedAfter);
        QFETCH(QString, laterEntry);
        Start(false);
        OpenSettings();
        TDialogRecorder rec;
        {
            TPasswordScript script(answers);
            QTest::mouseClick(Dlg()->TBtnNeuesPasswort, Qt::LeftButton);
            QCOMPARE(script.Shown(), answers.size());
            QVERIFY(script.OpenedEmpty());
        }
        QCOMPARE(Texts(rec), messages);
        QCOMPARE(StoredSetting("MitHeader"), storedAfter);
        QCOMPARE(DM()->TTblEinstellungenAllgem->State(), dsBrowse);
        rec.Clear();
        TPasswordScript script({laterEntry});
        QTest::mouseClick(Dlg()->TBtnPassword, Qt::LeftButton);
        QVERIFY(Dlg()->TDBRadioGrpRechte->isEnabled());
        QVERIFY(rec.IsEmpty());
    }

    // The rights chosen in the dialog hold from the next start on.
    void rightsAfterRestart_data()
    {
        QTest::addColumn<int>("rightsItem");    // 0 "Leserechte", 1 "Schreib/Leserechte"
        QTest::addColumn<bool>("startEditing");
        QTest::addColumn<QString>("modeAtStart");
        QTest::addColumn<QString>("afterF9");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("Leserechte") << 0 << true << "Lesen" << "Lesen" << QStringList{kReadOnly};
        QTest::newRow("Schreib/Leserechte, sofort") << 1 << true << "Ändern" << "Lesen" << QStringList{};
        QTest::newRow("Schreib/Leserechte, nicht sofort") << 1 << false << "Lesen" << "Ändern" << QStringList{};
    }
    void rightsAfterRestart()
    {
        QFETCH(int, rightsItem);
        QFETCH(bool, startEditing);
        QFETCH(QString, modeAtStart);
        QFETCH(QString, afterF9);
        QFETCH(QStringList, messages);
        StoreMachine({{"IdentNummer", "M-1"}, {"TÜVTermin", "15.11.2026"}});
        Start(false);
        OpenSettings();
        {
            TDialogRecorder rec;
            TPasswordScript script({QStringLiteral("TARVOS")});
            QTest::mouseClick(Dlg()->TBtnPassword, Qt::LeftButton);
            ChooseRights(rightsItem);
            if (Dlg()->DBCheckBoxSchreibschutz->isChecked() != startEditing)
                ClickMark(Dlg()->DBCheckBoxSchreibschutz);
            QTest::mouseClick(Dlg()->TBitBtnSpeichern, Qt::LeftButton);
            QCOMPARE(Texts(rec), QStringList{kRestart});
            // This run keeps the rights it started with.
            QVERIFY(!ReadOnlyMode());
        }
        Dlg()->close();

        TDialogRecorder rec;
        Restart();
        const bool readOnly = rightsItem == 0;
        QCOMPARE(ReadOnlyMode(), readOnly);
        QCOMPARE(Dlg()->DBCheckBoxSchreibschutz->isEnabled(), !readOnly);
        QCOMPARE(Dlg()->DBCheckBoxSchreibschutz->isChecked(), startEditing);
        QCOMPARE(Dlg()->TDBRadioGrpRechte->ItemIndex(), rightsItem);
        QCOMPARE(Main()->TPaGlobalEdit->Caption(), modeAtStart);
        QVERIFY(rec.IsEmpty());

        Main()->EditIdentNr->setFocus();
        QTest::keyClick(Main()->EditIdentNr, Qt::Key_F9);
        QCOMPARE(Main()->TPaGlobalEdit->Caption(), afterF9);
        QCOMPARE(Texts(rec), messages);
        for (QPushButton* b : {Main()->TBtnVarKostenNeu, Main()->TBtnVarKostenSpeichern, Main()->TBtnVarKostenLoeschen,
                               Main()->TBtnMonatsauswertungSpeichern, Main()->TBtnLoeschen})
            QCOMPARE(b->isEnabled(), afterF9 == QStringLiteral("Ändern"));
        if (!readOnly) return;
        // Advancing a due date is refused as well, and the date stays.
        rec.Clear();
        Main()->TPopupMenuTerminPopup(Main()->EditTuevTermin);
        Main()->NchstenTermin1->trigger();
        QCOMPARE(Texts(rec), QStringList{kReadOnly});
        QCOMPARE(Machine("TÜVTermin"), QStringLiteral("15.11.2026"));
    }

    // An interval is a whole number from 0 or nothing; anything else is
    // refused as the box is left and nothing is saved.
    void intervals_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");    // null: refused, the delivered 12 stays
        QTest::newRow("zwei Jahre") << "24" << "24";
        QTest::newRow("null") << "0" << "0";
        QTest::newRow("mit Leerzeichen") << " 7 " << "7";
        QTest::newRow("leer") << "" << "";
        QTest::newRow("negativ") << "-3" << QString();
        QTest::newRow("Buchstaben") << "zwölf" << QString();
        QTest::newRow("Komma") << "1,5" << QString();
        QTest::newRow("Vorzeichen") << "+6" << QString();
        QTest::newRow("zu groß") << "100000" << QString();
    }
    void intervals()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        Start(false);
        OpenSettings();
        TDBEdit* box = Dlg()->TDBEditTuevTerminIntervall;
        TypeInto(box, typed);
        TDialogRecorder rec;
        QTest::keyClick(box, Qt::Key_Tab);
        QTest::qWait(0);
        if (stored.isNull()) {
            QCOMPARE(rec.Records().size(), 1);
            QCOMPARE(rec.Last().Type, mtError);
            QCOMPARE(rec.Last().Text, QStringLiteral("„%1“ ist kein gültiges Intervall. Bitte geben Sie eine ganze Zahl "
                                                     "von 0 bis 99999 ein oder lassen Sie das Feld leer.")
                                          .arg(typed.trimmed()));
            QVERIFY(box->hasFocus());
            QCOMPARE(box->text(), typed);
        } else {
            QVERIFY(rec.IsEmpty());
        }
        rec.Clear();
        QTest::mouseClick(Dlg()->TBitBtnSpeichern, Qt::LeftButton);
        QCOMPARE(rec.Records().size(), 1);
        QCOMPARE(rec.Last().Text == kRestart, !stored.isNull());
        QCOMPARE(StoredSetting("TÜVTIntervall"), stored.isNull() ? QStringLiteral("12") : stored);
    }

    // A refused interval holds the user on its tab and keeps every other
    // setting unsaved until it is put right.
    void refusedIntervalSavesNothing()
    {
        Start(false);
        OpenSettings();
        TypeInto(Dlg()->DBEditNameFreifeld[0], QStringLiteral("Kennzeichen"));
        TypeInto(Dlg()->TDBEditBetriebsstundenIntervall, QStringLiteral("-250"));
        const QString refused = QStringLiteral("„-250“ ist kein gültiges Intervall. Bitte geben Sie eine ganze Zahl von "
                                               "0 bis 99999 ein oder lassen Sie das Feld leer.");
        TDialogRecorder rec;
        ClickTab(Dlg()->TabSicherheit);
        QTest::qWait(0);
        QCOMPARE(Texts(rec), QStringList{refused});
        QCOMPARE(Dlg()->PageCtrlEinstellungen->currentWidget(), Dlg()->TabVorgaben);
        QVERIFY(Dlg()->TDBEditBetriebsstundenIntervall->hasFocus());
        QTest::mouseClick(Dlg()->TBitBtnSpeichern, Qt::LeftButton);
        QCOMPARE(Texts(rec), (QStringList{refused, refused}));
        QCOMPARE(StoredSetting("NameFreifeld1"), QString());
        QCOMPARE(StoredSetting("BetriebsstundenTIntervall"), QStringLiteral("500"));
        // Put right, everything goes in.
        rec.Clear();
        TypeInto(Dlg()->TDBEditBetriebsstundenIntervall, QStringLiteral("250"));
        QTest::mouseClick(Dlg()->TBitBtnSpeichern, Qt::LeftButton);
        QCOMPARE(Texts(rec), QStringList{kRestart});
        QCOMPARE(StoredSetting("NameFreifeld1"), QStringLiteral("Kennzeichen"));
        QCOMPARE(StoredSetting("BetriebsstundenTIntervall"), QStringLiteral("250"));
    }

    // With "Termine bei jedem Programmstart" saved, the next start shows the
    // due-date overview before the main window.
    void overviewAtStart_data()
    {
        QTest::addColumn<bool>("ticked");
        QTest::newRow("angehakt") << true;
        QTest::newRow("nicht angehakt") << false;
    }
    void overviewAtStart()
    {
        QFETCH(bool, ticked);
        Start(false);
        OpenSettings();
        ClickTab(Dlg()->TabVorgaben);
        if (Dlg()->DBCheckBoxTermine->isChecked() != ticked) ClickMark(Dlg()->DBCheckBoxTermine);
        {
            TDialogRecorder rec;
            QTest::mouseClick(Dlg()->TBitBtnSpeichern, Qt::LeftButton);
        }
        FreeForms();
        QString shown;
        bool mainVisible = true;
        QTimer::singleShot(0, this, [&] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                shown = w->objectName();
                mainVisible = HauptFormular && HauptFormular->isVisible();
                w->close();
            }
        });
        CreateForms();
        QCOMPARE(shown, ticked ? TerminFormular->objectName() : QString());
        if (ticked) QVERIFY(!mainVisible);
    }

    // The help of a new installation names the first password; an empty help
    // table shows an empty window.
    void helpText_data()
    {
        QTest::addColumn<bool>("emptied");
        QTest::newRow("geliefert") << false;
        QTest::newRow("leer") << true;
    }
    void helpText()
    {
        QFETCH(bool, emptied);
        if (emptied) {
            CreateMissingTables();
            TTable t;
            t.SetDatabaseName(QStringLiteral("Pelmora"));
            t.SetTableName(QStringLiteral("HILFE.DB"));
            t.Open();
            t.Delete();
        }
        Start(false);
        Main()->MenuErsteSchritte->trigger();
        QVERIFY(HilfeFormular->isVisible());
        const QString text = HilfeFormular->DBMemoHilfe->toPlainText();
        if (emptied) {
            QCOMPARE(text, QString());
            return;
        }
        QVERIFY(text.startsWith(QStringLiteral("Erste Schritte")));
        QVERIFY(text.contains(StoredSetting("MitHeader")));
    }
};

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TestSettings test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_settings.moc"
