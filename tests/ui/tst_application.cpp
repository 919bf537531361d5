#include "Application.h"
#include "Clock.h"
#include "DBErrors.h"
#include "Dialogs.h"
#include "FileDialog.h"
#include "Shell.h"
#include "UiTestSupport.h"
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <stdexcept>

namespace {
enum class Thrown { Database, Convert, Standard, Abort };

[[noreturn]] void ThrowKind(Thrown kind, const QString& text)
{
    switch (kind) {
    case Thrown::Database: throw EDatabaseError(text);
    case Thrown::Convert: throw EConvertError(text);
    case Thrown::Standard: throw std::runtime_error(text.toStdString());
    case Thrown::Abort: throw EAbort();
    }
    throw EAbort();
}
}   // namespace

Q_DECLARE_METATYPE(Thrown)

class TestApplication : public QObject {
    Q_OBJECT
private slots:
    void exceptionFromClickHandler_data();
    void exceptionFromClickHandler();
    void installedHandlerChainsToPrevious();
    void exceptionInsideModalLoop();
    void responderAnswers_data();
    void responderAnswers();
    void captions_data();
    void captions();
    void realBox_data();
    void realBox();
    void fileDialogResponder();
    void qtFileFilter_data();
    void qtFileFilter();
    void shellAndClockHooks();
};

void TestApplication::exceptionFromClickHandler_data()
{
    QTest::addColumn<Thrown>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("shown");
    QTest::newRow("database error") << Thrown::Database << QStringLiteral("Feld 'X' nicht gefunden") << true;
    QTest::newRow("conversion") << Thrown::Convert << QStringLiteral("'abc' ist kein gültiger Gleitkommawert") << true;
    QTest::newRow("standard exception") << Thrown::Standard << QStringLiteral("Speicher voll") << true;
    QTest::newRow("silent abort") << Thrown::Abort << QString() << false;
}

void TestApplication::exceptionFromClickHandler()
{
    QFETCH(Thrown, kind);
    QFETCH(QString, text);
    QFETCH(bool, shown);
    TDialogRecorder rec;
    QPushButton button(QStringLiteral("Los"));
    connect(&button, &QPushButton::clicked, [&] { ThrowKind(kind, text); });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    if (!shown) {
        QVERIFY(rec.IsEmpty());
        return;
    }
    QCOMPARE(rec.Last().Type, mtError);
    QCOMPARE(rec.Last().Text, text);
    QCOMPARE(rec.Last().Buttons, TMsgDlgButtons(mbOK));
}

void TestApplication::installedHandlerChainsToPrevious()
{
    TApplication* app = TApplication::Instance();
    QVERIFY(app);
    TDialogRecorder rec;
    QStringList calls;
    TExceptionEvent first = [&](QObject* sender, const std::exception& e) {
        calls << QStringLiteral("first:%1:%2").arg(sender->objectName(), ExceptionText(e));
    };
    const TExceptionEvent original = app->SetOnException(first);
    TExceptionEvent previous = app->SetOnException([&](QObject* sender, const std::exception& e) {
        calls << QStringLiteral("second:%1").arg(ExceptionText(e));
        previous(sender, e);
    });
    QPushButton button;
    button.setObjectName(QStringLiteral("BtnKaputt"));
    connect(&button, &QPushButton::clicked, [] { throw EDatabaseError(QStringLiteral("Indexfehler")); });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(calls, QStringList({QStringLiteral("second:Indexfehler"), QStringLiteral("first:BtnKaputt:Indexfehler")}));
    QVERIFY(rec.IsEmpty());

    // Without handlers the standard display is back.
    app->SetOnException(original);
    calls.clear();
    QTest::mouseClick(&button, Qt::LeftButton);
    QVERIFY(calls.isEmpty());
    QCOMPARE(rec.Last().Text, QStringLiteral("Indexfehler"));
}

void TestApplication::exceptionInsideModalLoop()
{
    TDialogRecorder rec;
    QDialog dlg;
    auto* button = new QPushButton(&dlg);
    connect(button, &QPushButton::clicked, [] { throw EConvertError(QStringLiteral("'x' ist kein gültiges Datum")); });
    QTimer::singleShot(0, button, [button] { button->click(); });
    QTimer::singleShot(0, &dlg, [&dlg] { dlg.done(42); });
    // The dialog's loop goes on after the error and ends normally.
    QCOMPARE(dlg.exec(), 42);
    QCOMPARE(rec.Last().Text, QStringLiteral("'x' ist kein gültiges Datum"));
    QCOMPARE(rec.Last().Type, mtError);
}

void TestApplication::responderAnswers_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QList<int>>("queued");
    QTest::addColumn<int>("expected");
    QTest::newRow("confirmation answered no") << int(mtConfirmation) << mbYesNo << QList<int>{mrNo} << int(mrNo);
    QTest::newRow("confirmation default yes") << int(mtConfirmation) << mbYesNo << QList<int>{} << int(mrYes);
    QTest::newRow("warning default ok") << int(mtWarning) << int(mbOK) << QList<int>{} << int(mrOk);
    QTest::newRow("ok-cancel answered cancel") << int(mtInformation) << mbOKCancel << QList<int>{mrCancel} << int(mrCancel);
    QTest::newRow("three buttons default yes") << int(mtCustom) << mbYesNoCancel << QList<int>{} << int(mrYes);
}

void TestApplication::responderAnswers()
{
    QFETCH(int, type);
    QFETCH(int, buttons);
    QFETCH(QList<int>, queued);
    QFETCH(int, expected);
    TDialogRecorder rec;
    for (int a : queued) rec.Answer({a});
    const QString text = QStringLiteral("Erste Zeile\rZweite Zeile");
    QCOMPARE(MessageDlg(text, TMsgDlgType(type), buttons), expected);
    QCOMPARE(int(rec.Last().Type), type);
    QCOMPARE(rec.Last().Text, text);
    QCOMPARE(rec.Last().Buttons, buttons);
}

void TestApplication::captions_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("caption");
    QTest::newRow("warning") << int(mtWarning) << QStringLiteral("Warnung");
    QTest::newRow("error") << int(mtError) << QStringLiteral("Fehler");
    QTest::newRow("information") << int(mtInformation) << QStringLiteral("Information");
    QTest::newRow("confirmation") << int(mtConfirmation) << QStringLiteral("Bestätigen");
}

void TestApplication::captions()
{
    QFETCH(int, type);
    QFETCH(QString, caption);
    QCOMPARE(MsgDlgCaption(TMsgDlgType(type)), caption);
}

void TestApplication::realBox_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("press");   // button text, or empty for Escape
    QTest::addColumn<int>("expected");
    QTest::newRow("yes/no, no") << mbYesNo << QStringList{"Ja", "Nein"} << QStringLiteral("Nein") << int(mrNo);
    QTest::newRow("yes/no, escape") << mbYesNo << QStringList{"Ja", "Nein"} << QString() << int(mrNo);
    QTest::newRow("ok/cancel, ok") << mbOKCancel << QStringList{"OK", "Abbrechen"} << QStringLiteral("OK") << int(mrOk);
    QTest::newRow("three, escape") << mbYesNoCancel << QStringList{"Ja", "Nein", "Abbrechen"} << QString() << int(mrCancel);
    QTest::newRow("ok, escape") << int(mbOK) << QStringList{"OK"} << QString() << int(mrOk);
}

void TestApplication::realBox()
{
    QFETCH(int, buttons);
    QFETCH(QStringList, texts);
    QFETCH(QString, press);
    QFETCH(int, expected);
    QStringList seenTexts;
    QString seenCaption, seenMessage;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        seenCaption = box->windowTitle();
        seenMessage = box->text();
        QAbstractButton* target = nullptr;
        for (QAbstractButton* b : box->buttons()) {
            seenTexts << b->text();
            if (b->text() == press) target = b;
        }
        if (target) target->click();
        else QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(MessageDlg(QStringLiteral("Eins\rZwei"), mtConfirmation, buttons), expected);
    std::sort(seenTexts.begin(), seenTexts.end());
    std::sort(texts.begin(), texts.end());
    QCOMPARE(seenTexts, texts);
    QCOMPARE(seenCaption, QStringLiteral("Bestätigen"));
    QCOMPARE(seenMessage, QStringLiteral("Eins\nZwei"));
}

void TestApplication::fileDialogResponder()
{
    QList<TFileDialogRecord> seen;
    QString answer = QStringLiteral("/tmp/bild.bmp");
    const TFileDialogResponder old = SetFileDialogResponder([&](const TFileDialogRecord& r) {
        seen << r;
        return answer;
    });
    QCOMPARE(PromptForFileName(TFileDialogKind::Open, QStringLiteral("Datei öffnen"), QStringLiteral("Bilder|*.bmp"),
                               QStringLiteral("/tmp")),
             answer);
    answer.clear();
    QVERIFY(PromptForFileName(TFileDialogKind::Save, QStringLiteral("Speichern"), QString(), QStringLiteral("/home"),
                              QStringLiteral("tfd"))
                .isEmpty());
    SetFileDialogResponder(old);
    QCOMPARE(seen.value(0).Kind, TFileDialogKind::Open);
    QCOMPARE(seen.value(0).Title, QStringLiteral("Datei öffnen"));
    QCOMPARE(seen.value(0).Filter, QStringLiteral("Bilder|*.bmp"));
    QCOMPARE(seen.value(0).InitialDir, QStringLiteral("/tmp"));
    QCOMPARE(seen.value(1).Kind, TFileDialogKind::Save);
    QCOMPARE(seen.value(1).DefaultExt, QStringLiteral("tfd"));
}

void TestApplication::qtFileFilter_data()
{
    QTest::addColumn<QString>("old");
    QTest::addColumn<QString>("qt");
    QTest::newRow("pairs") << QStringLiteral("Bilder|*.bmp;*.jpg|Alle Dateien|*.*")
                           << QStringLiteral("Bilder (*.bmp *.jpg);;Alle Dateien (*.*)");
    QTest::newRow("already qt") << QStringLiteral("Filter (*.tfd)") << QStringLiteral("Filter (*.tfd)");
    QTest::newRow("empty") << QString() << QString();
}

void TestApplication::qtFileFilter()
{
    QFETCH(QString, old);
    QFETCH(QString, qt);
    QCOMPARE(QtFileFilter(old), qt);
}

void TestApplication::shellAndClockHooks()
{
    QStringList opened;
    const TShellResponder old = SetShellResponder([&](const QString& p) {
        opened << p;
        return p.endsWith(QLatin1String(".pdf"));
    });
    QVERIFY(ShellOpen(QStringLiteral("/daten/rechnung.pdf")));
    QVERIFY(!ShellOpen(QStringLiteral("/daten/fehlt.xyz")));
    SetShellResponder(old);
    QCOMPARE(opened, QStringList({QStringLiteral("/daten/rechnung.pdf"), QStringLiteral("/daten/fehlt.xyz")}));

    const QDateTime fixed(QDate(2004, 2, 29), QTime(23, 59, 58));
    SetTestClock(fixed);
    QCOMPARE(Now(), fixed);
    QCOMPARE(Today(), QDate(2004, 2, 29));
    ResetTestClock();
    QVERIFY(Today().year() > 2004);
}

TARVOS_UI_TEST_MAIN(TestApplication)
#include "tst_application.moc"
