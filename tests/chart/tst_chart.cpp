// The bar chart: shares and marks, which bars carry a text, reading a data
// set, zooming, panning and undoing the zoom with the mouse, a large park,
// and the saved picture.
#include "BarData.h"
#include "DBChart.h"
#include "Session.h"
#include "Table.h"
#include <QChart>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>
#include <limits>

namespace {

std::vector<TBarPoint> Bars(int n, double value = 10)
{
    std::vector<TBarPoint> out;
    for (int i = 0; i < n; ++i) out.push_back({QStringLiteral("M-%1").arg(i, 5, 10, QLatin1Char('0')), value + i % 7});
    return out;
}

// A point inside the plot area, in view coordinates, at a fraction of its width.
QPoint PlotPoint(TDBChart& chart, double fraction)
{
    const QRectF plot = chart.chart()->plotArea();
    const QPointF scene = chart.chart()->mapToScene(QPointF(plot.left() + plot.width() * fraction, plot.center().y()));
    return chart.mapFromScene(scene);
}

void Drag(TDBChart& chart, Qt::MouseButton button, double from, double to)
{
    QWidget* vp = chart.viewport();
    const QPoint a = PlotPoint(chart, from), b = PlotPoint(chart, to);
    QTest::mousePress(vp, button, {}, a);
    QTest::mouseMove(vp, (a + b) / 2);
    QTest::mouseMove(vp, b);
    QTest::mouseRelease(vp, button, {}, b);
}

}   // namespace

class TestChart : public QObject {
    Q_OBJECT

private slots:
    void sharesAndMarks_data()
    {
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<int>("bar");
        QTest::addColumn<QString>("mark");
        QTest::newRow("half") << QList<double>{50, 30, 20} << 0 << QStringLiteral("B0 50 %");
        QTest::newRow("fifth") << QList<double>{50, 30, 20} << 2 << QStringLiteral("B2 20 %");
        QTest::newRow("third, two decimals") << QList<double>{1, 1, 1} << 1 << QStringLiteral("B1 33,33 %");
        QTest::newRow("nothing to share") << QList<double>{0, 0} << 1 << QStringLiteral("B1 0 %");
        QTest::newRow("credit note") << QList<double>{150, -50} << 1 << QStringLiteral("B1 -50 %");
    }
    void sharesAndMarks()
    {
        QFETCH(QList<double>, values);
        QFETCH(int, bar);
        QFETCH(QString, mark);
        std::vector<TBarPoint> points;
        for (int i = 0; i < values.size(); ++i) points.push_back({QStringLiteral("B%1").arg(i), values[i]});
        TBarData data;
        data.Assign(points);
        QCOMPARE(data.MarkText(bar), mark);
    }

    void neighboursHaveTheirOwnColours()
    {
        for (int i = 0; i < 200; ++i) {
            QVERIFY(TBarData::BarColor(i) != TBarData::BarColor(i + 1));
            QVERIFY(TBarData::BarColor(i) != TBarData::BarColor(i + 2));
        }
    }

    void visibleBars_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("x0");
        QTest::addColumn<double>("x1");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("all") << 10 << -0.5 << 9.5 << 0 << 9;
        QTest::newRow("touching an edge is not enough") << 10 << 2.5 << 4.5 << 3 << 4;
        QTest::newRow("inside one bar") << 10 << 3.2 << 3.4 << 3 << 3;
        QTest::newRow("past the end") << 10 << 8.0 << 20.0 << 8 << 9;
        QTest::newRow("no bars") << 0 << -0.5 << -0.5 << 0 << -1;
    }
    void visibleBars()
    {
        QFETCH(int, count);
        QFETCH(double, x0);
        QFETCH(double, x1);
        QFETCH(int, first);
        QFETCH(int, last);
        TBarData data;
        data.Assign(Bars(count));
        const auto [f, l] = data.VisibleBars(x0, x1);
        QCOMPARE(f, first);
        QCOMPARE(l, last);
    }

    void labelStride_data()
    {
        QTest::addColumn<double>("pixelsPerBar");
        QTest::addColumn<double>("textWidth");
        QTest::addColumn<int>("stride");
        QTest::newRow("fits") << 60.0 << 50.0 << 1;
        QTest::newRow("just fits") << 50.0 << 50.0 << 1;
        QTest::newRow("every second") << 30.0 << 50.0 << 2;
        QTest::newRow("ten thousand bars in 500 pixels") << 0.05 << 80.0 << 1600;
        QTest::newRow("no room at all") << 0.0 << 80.0 << std::numeric_limits<int>::max();
    }
    void labelStride()
    {
        QFETCH(double, pixelsPerBar);
        QFETCH(double, textWidth);
        QFETCH(int, stride);
        QCOMPARE(LabelStride(pixelsPerBar, textWidth), stride);
    }

    // One bar per record, labelled and measured by the fields named, read
    // without moving the data set.
    void readsTheDataSet()
    {
        QTemporaryDir dir;
        Session().Reset();
        Session().SetAliasPath(QStringLiteral("Pelmora"), dir.path());
        TDatabase* db = Session().Database(QStringLiteral("Pelmora"));
        db->CreateTable(QStringLiteral("Balken.db"),
                        {{QStringLiteral("Nr"), ftString, 10, false, 1}, {QStringLiteral("Kosten"), ftCurrency, 0, false, 2},
                         {QStringLiteral("Liter"), ftFloat, 0, false, 3}},
                        {});
        TTable t;
        t.SetDatabaseName(QStringLiteral("Pelmora"));
        t.SetTableName(QStringLiteral("Balken.db"));
        t.Open();
        t.AppendRecord({QStringLiteral("A"), 100.0, 5.0});
        t.AppendRecord({QStringLiteral("B"), 300.0, QVariant()});
        t.AppendRecord({QStringLiteral("C"), 0.0, 7.5});
        t.First();
        TDataSource src;
        src.SetDataSet(&t);

        TDBChart chart;
        chart.SetDataSource(&src);
        chart.SetLabelField(QStringLiteral("Nr"));
        chart.SetValueField(QStringLiteral("Kosten"));
        chart.RefreshData();
        QCOMPARE(chart.Data().Count(), 3);
        QCOMPARE(chart.Data().At(1).Label, QStringLiteral("B"));
        QCOMPARE(chart.Data().MarkText(1), QStringLiteral("B 75 %"));
        QCOMPARE(t.RecNo(), 1);

        chart.SetValueField(QStringLiteral("Liter"));
        chart.RefreshData();
        QCOMPARE(chart.Data().At(0).Value, 5.0);
        QCOMPARE(chart.Data().At(1).Value, 0.0);   // empty counts nothing
        QCOMPARE(chart.Data().At(2).Value, 7.5);

        // A field the data set does not have: the store says so, the bars stay.
        chart.SetValueField(QStringLiteral("Gibtsnicht"));
        QVERIFY_THROWS_EXCEPTION(std::exception, chart.RefreshData());
        QCOMPARE(chart.Data().Count(), 3);
        QCOMPARE(chart.Data().At(2).Value, 7.5);
        t.Close();
        Session().Reset();
    }

    void mouseZoomsPansAndUndoes()
    {
        TDBChart chart;
        chart.resize(800, 500);
        chart.SetData(Bars(100));
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        QVERIFY(!chart.Zoomed());

        // Left to right over the middle fifth zooms in, animated.
        Drag(chart, Qt::LeftButton, 0.4, 0.6);
        QVERIFY(chart.Animating());
        QTRY_VERIFY(!chart.Animating());
        QVERIFY(chart.Zoomed());
        QVERIFY(qAbs(chart.ViewStart() - 39.5) < 1.0);
        QVERIFY(qAbs(chart.ViewEnd() - 59.5) < 1.0);

        // The right button pans sideways and keeps the width.
        const double span = chart.ViewEnd() - chart.ViewStart();
        const double start = chart.ViewStart();
        Drag(chart, Qt::RightButton, 0.5, 0.25);
        QVERIFY(chart.ViewStart() > start + 2);
        QCOMPARE(chart.ViewEnd() - chart.ViewStart(), span);
        // ... and stops at the end.
        for (int i = 0; i < 10; ++i) Drag(chart, Qt::RightButton, 0.9, 0.1);
        QVERIFY(qAbs(chart.ViewEnd() - chart.Data().FullEnd()) < 1e-9);

        // A double click shows everything again.
        QTest::mouseDClick(chart.viewport(), Qt::LeftButton, {}, PlotPoint(chart, 0.5));
        QTRY_VERIFY(!chart.Zoomed());

        // Right to left undoes a zoom as well; a mere click changes nothing.
        chart.ZoomTo(10, 20, false);
        Drag(chart, Qt::LeftButton, 0.7, 0.3);
        QTRY_VERIFY(!chart.Zoomed());
        chart.ZoomTo(10, 20, false);
        QTest::mouseClick(chart.viewport(), Qt::LeftButton, {}, PlotPoint(chart, 0.5));
        QCOMPARE(chart.ViewStart(), 10.0);
    }

    void zoomStaysInsideTheBars_data()
    {
        QTest::addColumn<double>("x0");
        QTest::addColumn<double>("x1");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::newRow("inside") << 10.0 << 20.0 << 10.0 << 20.0;
        QTest::newRow("turned round") << 20.0 << 10.0 << 10.0 << 20.0;
        QTest::newRow("less than a bar") << 5.0 << 5.2 << 5.0 << 6.0;
        QTest::newRow("before the first") << -30.0 << 5.0 << -0.5 << 34.5;
        QTest::newRow("more than all") << -100.0 << 500.0 << -0.5 << 99.5;
    }
    void zoomStaysInsideTheBars()
    {
        QFETCH(double, x0);
        QFETCH(double, x1);
        QFETCH(double, start);
        QFETCH(double, end);
        TDBChart chart;
        chart.SetData(Bars(100));
        chart.ZoomTo(x0, x1, false);
        QCOMPARE(chart.ViewStart(), start);
        QCOMPARE(chart.ViewEnd(), end);
    }

    // Ten thousand machines: texts only where they fit, all of them once
    // the view is narrow enough, and the value axis follows the bars in view.
    void largeParkMarksWhatFits()
    {
        TDBChart chart;
        chart.resize(700, 450);
        std::vector<TBarPoint> points = Bars(10000);
        points[9000].Value = 1e6;
        chart.SetData(points);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        const double width = chart.chart()->plotArea().width();
        QVERIFY(!chart.MarkedBars().isEmpty());
        QVERIFY(chart.MarkedBars().size() < width / 40);
        QVERIFY(chart.LabelledBars().size() < width / 20);
        QVERIFY(chart.grab().width() > 0);

        chart.ZoomTo(99.5, 102.5, false);
        QCOMPARE(chart.MarkedBars(), (QList<int>{100, 101, 102}));
        QCOMPARE(chart.LabelledBars(), (QList<int>{100, 101, 102}));
        auto* axis = qobject_cast<QValueAxis*>(chart.chart()->axes(Qt::Vertical).value(0));
        QVERIFY(axis);
        QVERIFY(axis->max() < 100);   // the tall bar far away does not flatten these
        QVERIFY(chart.grab().width() > 0);
    }

    void savesItsPicture()
    {
        QTemporaryDir dir;
        TDBChart chart;
        chart.resize(600, 400);
        chart.SetTitle(QStringLiteral("TreibstoffKosten"));
        chart.SetData(Bars(20));
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        const QString file = dir.filePath(QStringLiteral("Fuhrpks~.svg"));
        QVERIFY(chart.SaveToSvg(file));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray svg = f.readAll();
        QVERIFY(svg.contains("<svg"));
        QVERIFY(svg.contains("TreibstoffKosten"));
        QVERIFY(!chart.SaveToSvg(dir.filePath(QStringLiteral("fehlt/Fuhrpks~.svg"))));
    }
};

QTEST_MAIN(TestChart)
#include "tst_chart.moc"
