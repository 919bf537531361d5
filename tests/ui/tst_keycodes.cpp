#include "KeyCodes.h"
#include <QKeySequence>
#include <QtTest>

class TestKeyCodes : public QObject {
    Q_OBJECT
private slots:
    void virtualKeys_data();
    void virtualKeys();
    void keyEvent_data();
    void keyEvent();
    void shiftState_data();
    void shiftState();
    void shortCutParts_data();
    void shortCutParts();
    void germanTexts_data();
    void germanTexts();
    void keySequences_data();
    void keySequences();
};

void TestKeyCodes::virtualKeys_data()
{
    QTest::addColumn<int>("qtKey");
    QTest::addColumn<bool>("keypad");
    QTest::addColumn<int>("vk");
    QTest::newRow("letter A") << int(Qt::Key_A) << false << 0x41;
    QTest::newRow("letter Z") << int(Qt::Key_Z) << false << 0x5A;
    QTest::newRow("digit 0") << int(Qt::Key_0) << false << 0x30;
    QTest::newRow("digit 7") << int(Qt::Key_7) << false << 0x37;
    QTest::newRow("keypad 0") << int(Qt::Key_0) << true << 0x60;
    QTest::newRow("keypad 7") << int(Qt::Key_7) << true << 0x67;
    QTest::newRow("F1") << int(Qt::Key_F1) << false << 0x70;
    QTest::newRow("F12") << int(Qt::Key_F12) << false << 0x7B;
    QTest::newRow("F24") << int(Qt::Key_F24) << false << 0x87;
    QTest::newRow("page up") << int(Qt::Key_PageUp) << false << 0x21;
    QTest::newRow("page down") << int(Qt::Key_PageDown) << false << 0x22;
    QTest::newRow("end") << int(Qt::Key_End) << false << 0x23;
    QTest::newRow("home") << int(Qt::Key_Home) << false << 0x24;
    QTest::newRow("keypad home") << int(Qt::Key_Home) << true << 0x24;
    QTest::newRow("left") << int(Qt::Key_Left) << false << 0x25;
    QTest::newRow("up") << int(Qt::Key_Up) << false << 0x26;
    QTest::newRow("right") << int(Qt::Key_Right) << false << 0x27;
    QTest::newRow("down") << int(Qt::Key_Down) << false << 0x28;
    QTest::newRow("insert") << int(Qt::Key_Insert) << false << 0x2D;
    QTest::newRow("delete") << int(Qt::Key_Delete) << false << 0x2E;
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << false << 0x08;
    QTest::newRow("tab") << int(Qt::Key_Tab) << false << 0x09;
    QTest::newRow("backtab") << int(Qt::Key_Backtab) << false << 0x09;
    QTest::newRow("return") << int(Qt::Key_Return) << false << 0x0D;
    QTest::newRow("enter") << int(Qt::Key_Enter) << false << 0x0D;
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << true << 0x0D;
    QTest::newRow("escape") << int(Qt::Key_Escape) << false << 0x1B;
    QTest::newRow("space") << int(Qt::Key_Space) << false << 0x20;
    QTest::newRow("shift") << int(Qt::Key_Shift) << false << 0x10;
    QTest::newRow("control") << int(Qt::Key_Control) << false << 0x11;
    QTest::newRow("a umlaut") << int(Qt::Key_Adiaeresis) << false << 0xDE;
    QTest::newRow("keypad plus") << int(Qt::Key_Plus) << true << 0x6B;
    QTest::newRow("unknown") << int(Qt::Key_LaunchMail) << false << 0;
}

void TestKeyCodes::virtualKeys()
{
    QFETCH(int, qtKey);
    QFETCH(bool, keypad);
    QFETCH(int, vk);
    QCOMPARE(VirtualKeyOfQtKey(qtKey, keypad), vk);
}

void TestKeyCodes::keyEvent_data()
{
    QTest::addColumn<int>("qtKey");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("vk");
    QTest::newRow("ctrl+S") << int(Qt::Key_S) << int(Qt::ControlModifier) << 0x53;
    QTest::newRow("keypad 3") << int(Qt::Key_3) << int(Qt::KeypadModifier) << 0x63;
    QTest::newRow("main 3") << int(Qt::Key_3) << int(Qt::NoModifier) << 0x33;
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 0x0D;
    QTest::newRow("shift+page down") << int(Qt::Key_PageDown) << int(Qt::ShiftModifier) << 0x22;
}

void TestKeyCodes::keyEvent()
{
    QFETCH(int, qtKey);
    QFETCH(int, modifiers);
    QFETCH(int, vk);
    const QKeyEvent e(QEvent::KeyPress, qtKey, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(VirtualKeyOf(&e), vk);
}

void TestKeyCodes::shiftState_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<quint32>("bits");
    QTest::newRow("none") << int(Qt::NoModifier) << TShiftState().Bits();
    QTest::newRow("shift") << int(Qt::ShiftModifier) << TShiftState{ssShift}.Bits();
    QTest::newRow("ctrl") << int(Qt::ControlModifier) << TShiftState{ssCtrl}.Bits();
    QTest::newRow("alt") << int(Qt::AltModifier) << TShiftState{ssAlt}.Bits();
    QTest::newRow("shift+ctrl+keypad") << int(Qt::ShiftModifier | Qt::ControlModifier | Qt::KeypadModifier)
                                       << TShiftState{ssShift, ssCtrl}.Bits();
}

void TestKeyCodes::shiftState()
{
    QFETCH(int, modifiers);
    QFETCH(quint32, bits);
    QCOMPARE(ShiftStateOf(Qt::KeyboardModifiers(modifiers)).Bits(), bits);
}

void TestKeyCodes::shortCutParts_data()
{
    QTest::addColumn<int>("vk");
    QTest::addColumn<quint32>("shift");
    QTest::addColumn<int>("shortCut");
    QTest::newRow("ctrl+S") << 0x53 << TShiftState{ssCtrl}.Bits() << 16467;
    QTest::newRow("shift+ctrl+D") << 0x44 << TShiftState{ssShift, ssCtrl}.Bits() << 24644;
    QTest::newRow("F3") << 0x72 << TShiftState().Bits() << 114;
    QTest::newRow("shift+page up") << 0x21 << TShiftState{ssShift}.Bits() << 8225;
    QTest::newRow("alt+F4") << 0x73 << TShiftState{ssAlt}.Bits() << 0x8073;
    QTest::newRow("ctrl+space") << 0x20 << TShiftState{ssCtrl}.Bits() << 16416;
}

void TestKeyCodes::shortCutParts()
{
    QFETCH(int, vk);
    QFETCH(quint32, shift);
    QFETCH(int, shortCut);
    QCOMPARE(int(ShortCut(vk, TShiftState::FromBits(shift))), shortCut);
    int key = -1;
    TShiftState back;
    ShortCutToKey(TShortCut(shortCut), key, back);
    QCOMPARE(key, vk);
    QCOMPARE(back.Bits(), shift);
}

void TestKeyCodes::germanTexts_data()
{
    QTest::addColumn<int>("shortCut");
    QTest::addColumn<QString>("text");
    QTest::newRow("ctrl+S") << 16467 << QStringLiteral("Strg+S");
    QTest::newRow("shift+ctrl+D") << 24644 << QStringLiteral("Umsch+Strg+D");
    QTest::newRow("shift+F3") << (0x2000 | 0x72) << QStringLiteral("Umsch+F3");
    QTest::newRow("F3") << 114 << QStringLiteral("F3");
    QTest::newRow("F24") << 0x87 << QStringLiteral("F24");
    QTest::newRow("ctrl+page up") << 16417 << QStringLiteral("Strg+Bild auf");
    QTest::newRow("shift+page down") << 8226 << QStringLiteral("Umsch+Bild ab");
    QTest::newRow("page down") << 34 << QStringLiteral("Bild ab");
    QTest::newRow("insert") << 45 << QStringLiteral("Einfg");
    QTest::newRow("ctrl+delete") << 16430 << QStringLiteral("Strg+Entf");
    QTest::newRow("ctrl+backspace") << 16392 << QStringLiteral("Strg+Rücktaste");
    QTest::newRow("ctrl+space") << 16416 << QStringLiteral("Strg+Leer");
    QTest::newRow("enter") << 13 << QStringLiteral("Eingabe");
    QTest::newRow("escape") << 27 << QStringLiteral("Esc");
    QTest::newRow("home") << 36 << QStringLiteral("Pos1");
    QTest::newRow("end") << 35 << QStringLiteral("Ende");
    QTest::newRow("tab") << 9 << QStringLiteral("Tab");
    QTest::newRow("up") << 38 << QStringLiteral("Nach-oben");
    QTest::newRow("down") << 40 << QStringLiteral("Nach-unten");
    QTest::newRow("left") << 37 << QStringLiteral("Nach-links");
    QTest::newRow("right") << 39 << QStringLiteral("Nach-rechts");
    QTest::newRow("alt+X") << (0x8000 | 0x58) << QStringLiteral("Alt+X");
    QTest::newRow("all modifiers") << (0xE000 | 0x41) << QStringLiteral("Umsch+Strg+Alt+A");
    QTest::newRow("digit") << (0x4000 | 0x35) << QStringLiteral("Strg+5");
    QTest::newRow("keypad digit") << 0x64 << QStringLiteral("4");
    QTest::newRow("no key") << 0 << QString();
    QTest::newRow("modifier only") << 0x4000 << QString();
}

void TestKeyCodes::germanTexts()
{
    QFETCH(int, shortCut);
    QFETCH(QString, text);
    QCOMPARE(ShortCutToText(TShortCut(shortCut)), text);
}

void TestKeyCodes::keySequences_data()
{
    QTest::addColumn<int>("shortCut");
    QTest::addColumn<QKeySequence>("sequence");
    QTest::newRow("ctrl+S") << 16467 << QKeySequence(Qt::CTRL | Qt::Key_S);
    QTest::newRow("shift+ctrl+D") << 24644 << QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_D);
    QTest::newRow("page down") << 34 << QKeySequence(Qt::Key_PageDown);
    QTest::newRow("ctrl+page up") << 16417 << QKeySequence(Qt::CTRL | Qt::Key_PageUp);
    QTest::newRow("F9") << 120 << QKeySequence(Qt::Key_F9);
    QTest::newRow("ctrl+space") << 16416 << QKeySequence(Qt::CTRL | Qt::Key_Space);
    QTest::newRow("enter") << 13 << QKeySequence(Qt::Key_Return);
    QTest::newRow("keypad 2") << 0x62 << QKeySequence(Qt::KeypadModifier | Qt::Key_2);
    QTest::newRow("none") << 0 << QKeySequence();
}

void TestKeyCodes::keySequences()
{
    QFETCH(int, shortCut);
    QFETCH(QKeySequence, sequence);
    QCOMPARE(ShortCutToKeySequence(TShortCut(shortCut)), sequence);
}

QTEST_APPLESS_MAIN(TestKeyCodes)
#include "tst_keycodes.moc"
