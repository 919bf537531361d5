#include "Panel.h"
#include <QAccessible>
#include "UiTestSupport.h"

class TestPanel : public QObject {
    Q_OBJECT
private slots:
    void captionAndLooks_data();
    void captionAndLooks();
    void accessibleText_data();
    void accessibleText();
};

void TestPanel::captionAndLooks_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QColor>("fontColor");
    QTest::newRow("reading mode") << QStringLiteral("Lesen") << QColor(Qt::green) << QColor(Qt::black);
    QTest::newRow("filter indicator") << QStringLiteral("Gruppe+Standort") << QColor() << QColor(Qt::red);
    QTest::newRow("empty status") << QString() << QColor(Qt::lightGray) << QColor();
}

void TestPanel::captionAndLooks()
{
    QFETCH(QString, caption);
    QFETCH(QColor, color);
    QFETCH(QColor, fontColor);
    TPanel panel;
    panel.resize(200, 24);
    panel.show();
    panel.SetCaption(QStringLiteral("alt"));
    panel.SetCaption(caption);
    panel.SetColor(color);
    panel.SetFontColor(fontColor);
    QCOMPARE(panel.Caption(), caption);
    QCOMPARE(panel.property("Caption").toString(), caption);
    QCOMPARE(panel.autoFillBackground(), color.isValid());
    if (color.isValid()) QCOMPARE(panel.palette().color(QPalette::Window), color);
    if (fontColor.isValid()) QCOMPARE(panel.palette().color(QPalette::WindowText), fontColor);
    // The caption is painted in the font colour.
    if (!caption.isEmpty() && fontColor.isValid()) {
        const QImage img = panel.grab().toImage();
        bool found = false;
        for (int y = 0; y < img.height() && !found; ++y)
            for (int x = 0; x < img.width() && !found; ++x) {
                const QColor c = img.pixelColor(x, y);
                found = qAbs(c.red() - fontColor.red()) + qAbs(c.green() - fontColor.green())
                            + qAbs(c.blue() - fontColor.blue()) < 60;
            }
        QVERIFY(found);
    }
}

// A screen reader reads the caption; an empty panel says what it is for.
void TestPanel::accessibleText_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("name");
    QTest::newRow("record number") << QStringLiteral("12 von 345") << QStringLiteral("12 von 345");
    QTest::newRow("filter indicator") << QStringLiteral("Gruppe") << QStringLiteral("Gruppe");
    QTest::newRow("empty: the hint") << QString() << QStringLiteral("Filter ein/aus");
}

void TestPanel::accessibleText()
{
    QFETCH(QString, caption);
    QFETCH(QString, name);
    TPanel panel;
    panel.setToolTip(QStringLiteral("Filter ein/aus"));
    panel.SetCaption(QStringLiteral("alt"));
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&panel);
    QVERIFY(a);
    QCOMPARE(a->role(), QAccessible::StaticText);
    panel.SetCaption(caption);
    QCOMPARE(a->text(QAccessible::Name), name);
    QCOMPARE(a->text(QAccessible::Description), QStringLiteral("Filter ein/aus"));
}

TARVOS_UI_TEST_MAIN(TestPanel)
#include "tst_panel.moc"
