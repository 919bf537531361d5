#include "Panel.h"
#include "UiTestSupport.h"

class TestPanel : public QObject {
    Q_OBJECT
private slots:
    void captionAndLooks_data();
    void captionAndLooks();
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

TARVOS_UI_TEST_MAIN(TestPanel)
#include "tst_panel.moc"
