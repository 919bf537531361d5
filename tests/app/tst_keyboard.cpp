// The main window driven as a new user drives it: real key presses, and the
// real modal boxes answered by key, so that the window loses and regains
// activation just as on the desktop.
#include "Application.h"
#include "DBEdit.h"
#include "ParkFixture.h"
#include <QMessageBox>

namespace {

const QString kDoppelt = QString::fromUtf8(
    "Bitte ändern Sie die Identifikationsnummer dieser Maschine - eine Maschine mit dieser Nummer ist schon "
    "vorhanden");
const QString kKopie = QString::fromUtf8("Bitte geben Sie anschließend die neue Identifikationsnummer ein!");

QStringList Numbers()
{
    QStringList out;
    TTable t;
    t.SetDatabaseName(QStringLiteral("Pelmora"));
    t.SetTableName(QStringLiteral("KfzStamm.db"));
    t.Open();
    for (t.First(); !t.Eof(); t.Next()) out << t.FieldByName(QStringLiteral("IdentNummer"))->AsString();
    return out;
}

}   // namespace

class TestKeyboard : public ParkFixture {
    Q_OBJECT

    // After a modal box the window manager makes the window active again;
    // the offscreen platform has none, so the test does what it would do.
    void BackInTheWindow()
    {
        QTRY_VERIFY(!QApplication::activeModalWidget());
        Main()->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(Main()));
        QApplication::processEvents();
    }
    void Focus(QWidget* w)
    {
        w->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(HasFocusIn(w));
    }

private slots:
    void init() { InitPark(); }
    void cleanup() { CleanupPark(); }

    // F9, Ins, a number and PgDn save the first machine; the same number again is refused.
    void firstMachineOnAnEmptyPark()
    {
        StartAsIs();
        QVERIFY(!Main()->EditMode());
        QVERIFY(HasFocusIn(Main()->EditIdentNr));
        KeyIntoFocus(Qt::Key_F9);
        QVERIFY(Main()->EditMode());
        KeyIntoFocus(Qt::Key_Insert);
        QCOMPARE(DM()->TTblMain->State(), dsInsert);
        QVERIFY(HasFocusIn(Main()->EditIdentNr));
        TypeIntoFocus(QStringLiteral("AUD-0001"));
        KeyIntoFocus(Qt::Key_PageDown);
        QCOMPARE(DM()->TTblMain->State(), dsBrowse);
        QCOMPARE(Numbers(), QStringList{"AUD-0001"});

        KeyIntoFocus(Qt::Key_Insert);
        QCOMPARE(DM()->TTblMain->State(), dsInsert);
        TypeIntoFocus(QStringLiteral("AUD-0001"));
        TModalBoxKey ok(Qt::Key_Return);
        KeyIntoFocus(Qt::Key_PageDown);
        QCOMPARE(ok.Text, kDoppelt);
        BackInTheWindow();
        QCOMPARE(DM()->TTblMain->State(), dsInsert);
        QCOMPARE(Numbers(), QStringList{"AUD-0001"});
    }

    // Ctrl+Shift+D, OK on the box by key, and the typed number is the copy's.
    void copyTakesTheTypedNumber()
    {
        StoreMachine({{"IdentNummer", "AUD-0001"}, {"Bezeichnung1", "Bagger"}, {"Standort", "Augsburg"}});
        Start();
        Focus(Main()->EditBezeichnung2);
        TModalBoxKey ok(Qt::Key_Return);
        KeyIntoFocus(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(ok.Text, kKopie);
        BackInTheWindow();
        QCOMPARE(DM()->TTblMain->State(), dsInsert);
        QVERIFY(HasFocusIn(Main()->EditIdentNr));
        QCOMPARE(Main()->EditIdentNr->text(), QString());
        TypeIntoFocus(QStringLiteral("AUD-0002"));
        QCOMPARE(Main()->EditIdentNr->text(), QStringLiteral("AUD-0002"));
        KeyIntoFocus(Qt::Key_PageDown);
        QCOMPARE(DM()->TTblMain->State(), dsBrowse);
        QCOMPARE(Numbers(), (QStringList{"AUD-0001", "AUD-0002"}));
        QVERIFY(DM()->TTblMain->FindKey({QStringLiteral("AUD-0002")}));
        QCOMPARE(Machine("Bezeichnung1"), QStringLiteral("Bagger"));
        QCOMPARE(Machine("Standort"), QStringLiteral("Augsburg"));
    }

    // Ctrl+Del asks; whatever the answer, no record is left in editing.
    void ctrlDelLeavesNothingInEditing_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("Abbrechen") << int(Qt::Key_Escape) << QStringList{"M1", "M2"};
        QTest::newRow("OK") << int(Qt::Key_Return) << QStringList{"M2"};
    }
    void ctrlDelLeavesNothingInEditing()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, left);
        StoreMachine({{"IdentNummer", "M1"}, {"Bezeichnung3", "dritte Zeile"}});
        StoreMachine({{"IdentNummer", "M2"}, {"Bezeichnung3", "noch eine"}});
        Start();
        Focus(Main()->EditBezeichnung3);
        Main()->EditBezeichnung3->setCursorPosition(5);
        TModalBoxKey box{Qt::Key(answer)};
        KeyIntoFocus(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(box.Text, QString::fromUtf8("Möchten Sie diese Maschine wirklich löschen."));
        BackInTheWindow();
        QCOMPARE(Numbers(), left);
        QCOMPARE(DM()->TTblMain->State(), dsBrowse);
        QCOMPARE(Main()->EditBezeichnung3->text(), Machine("Bezeichnung3"));
        QVERIFY(!Main()->TDBENavMain->Button(nbPost)->isEnabled());
        QVERIFY(!Main()->TDBENavMain->Button(nbCancel)->isEnabled());
    }
};

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TestKeyboard test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_keyboard.moc"
