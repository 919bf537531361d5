#include "DBChart.h"
#include "DataSet.h"
#include "Field.h"
#include <QChart>
#include <QGraphicsObject>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QSvgGenerator>
#include <QValueAxis>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>

namespace {
// Mouse travel that counts as a drag rather than a click.
constexpr int kDragPixels = 5;
// Room above the highest bar for its mark.
constexpr double kHeadroom = 1.18;
}   // namespace

// Draws the bars in view, their marks and the labels under the axis. A
// bar narrower than a pixel shares its pixel column with its neighbours:
// the column shows the tallest of them, so the outline stays true.
class TBarItem : public QGraphicsObject {
public:
    explicit TBarItem(TDBChart* view, QGraphicsItem* parent) : QGraphicsObject(parent), m_view(view)
    {
        setZValue(10);
    }
    QRectF boundingRect() const override { return m_view->chart()->rect(); }
    void paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget*) override;
    void Resized()
    {
        prepareGeometryChange();
        update();
    }

private:
    TDBChart* m_view;
};

void TBarItem::paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget*)
{
    const TBarData& data = m_view->m_data;
    const QRectF plot = m_view->chart()->plotArea();
    if (data.Count() == 0 || plot.width() <= 0 || plot.height() <= 0) return;
    const double x0 = m_view->m_x0, x1 = m_view->m_x1;
    const double lo = m_view->m_axisY->min(), hi = m_view->m_axisY->max();
    if (hi <= lo) return;
    const double perBar = plot.width() / (x1 - x0);
    auto xPix = [&](double x) { return plot.left() + (x - x0) * perBar; };
    auto yPix = [&](double v) { return plot.bottom() - (v - lo) / (hi - lo) * plot.height(); };
    const double zero = yPix(std::clamp(0.0, lo, hi));
    const auto [first, last] = data.VisibleBars(x0, x1);

    p->save();
    p->setClipRect(plot);
    p->setRenderHint(QPainter::Antialiasing, false);
    if (perBar >= 1.0) {
        const double width = std::max(1.0, perBar * 0.7);
        for (int i = first; i <= last; ++i) {
            const double y = yPix(data.At(i).Value);
            QRectF r(xPix(i) - width / 2, std::min(y, zero), width, std::abs(zero - y));
            const QColor c = TBarData::BarColor(i);
            p->fillRect(r, c);
            if (width >= 4) {
                p->setPen(c.darker(150));
                p->drawRect(r);
            }
        }
    } else {
        // One column per pixel: the tallest bar of those sharing it.
        int column = INT_MIN, best = -1;
        auto flush = [&] {
            if (best < 0) return;
            const double y = yPix(data.At(best).Value);
            p->fillRect(QRectF(column, std::min(y, zero), 1, std::abs(zero - y)), TBarData::BarColor(best));
        };
        for (int i = first; i <= last; ++i) {
            const int c = int(std::floor(xPix(i)));
            if (c != column) {
                flush();
                column = c;
                best = i;
            } else if (std::abs(data.At(i).Value) > std::abs(data.At(best).Value)) {
                best = i;
            }
        }
        flush();
    }
    p->restore();

    // Marks: a yellow note over each bar that has room for one.
    p->save();
    p->setRenderHint(QPainter::Antialiasing, true);
    const QFontMetricsF fm(p->font());
    for (int i : m_view->MarkedBars()) {
        const QString text = data.MarkText(i);
        const double v = data.At(i).Value;
        QRectF box(0, 0, fm.horizontalAdvance(text) + 6, fm.height() + 2);
        const double top = yPix(std::max(v, 0.0)), bottom = yPix(std::min(v, 0.0));
        box.moveCenter(QPointF(xPix(i), 0));
        if (v >= 0) box.moveBottom(std::max(top - 4, plot.top() + box.height()));
        else box.moveTop(std::min(bottom + 4, plot.bottom() - box.height()));
        p->setPen(QColor(128, 128, 128));
        p->drawLine(QPointF(xPix(i), v >= 0 ? top : bottom), QPointF(xPix(i), v >= 0 ? box.bottom() : box.top()));
        p->setPen(Qt::black);
        p->setBrush(QColor(255, 255, 225));
        p->drawRect(box);
        p->drawText(box, Qt::AlignCenter, text);
    }
    // Axis labels under the plot area.
    p->setPen(Qt::black);
    for (int i : m_view->LabelledBars()) {
        const QString text = data.At(i).Label;
        QRectF r(0, plot.bottom() + 3, fm.horizontalAdvance(text) + 2, fm.height());
        r.moveLeft(xPix(i) - r.width() / 2);
        p->drawText(r, Qt::AlignHCenter | Qt::AlignTop, text);
    }
    p->restore();
}

TDBChart::TDBChart(QWidget* parent) : QChartView(parent)
{
    setAccessibleName(QStringLiteral("Grafik"));
    setRubberBand(QChartView::NoRubberBand);
    setRenderHint(QPainter::Antialiasing, true);
    setMouseTracking(false);
    QChart* c = chart();
    c->legend()->hide();
    c->setBackgroundBrush(Qt::white);
    c->setPlotAreaBackgroundBrush(Qt::white);   // the white back wall
    c->setPlotAreaBackgroundPen(QPen(QColor(160, 160, 160)));
    c->setPlotAreaBackgroundVisible(true);
    QFont title = c->titleFont();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() + 2);
    c->setTitleFont(title);
    c->setLocalizeNumbers(true);
    c->setLocale(QLocale(QLocale::German, QLocale::Germany));
    // Room under the plot area for the bar labels.
    const QFontMetrics fm(font());
    c->setMargins(QMargins(6, 6, 12, fm.height() + 8));
    m_axisY = new QValueAxis(c);
    m_axisY->setLabelFormat(QStringLiteral("%.0f"));
    m_axisY->setRange(0, 1);
    c->addAxis(m_axisY, Qt::AlignLeft);
    m_bars = new TBarItem(this, c);
    connect(c, &QChart::plotAreaChanged, m_bars, [this] { m_bars->Resized(); });

    m_zoomAnimation = new QVariantAnimation(this);
    m_zoomAnimation->setDuration(350);
    m_zoomAnimation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_zoomAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        const QPointF r = v.toPointF();
        SetView(r.x(), r.y());
    });
}

TDBChart::~TDBChart() = default;

TDataSource* TDBChart::DataSource() const { return m_source; }
void TDBChart::SetDataSource(TDataSource* source) { m_source = source; }

QString TDBChart::Title() const { return chart()->title(); }
void TDBChart::SetTitle(const QString& title) { chart()->setTitle(title); }

void TDBChart::RefreshData()
{
    std::vector<TBarPoint> points;
    TDataSet* ds = m_source ? m_source->DataSet() : nullptr;
    if (ds && ds->Active()) {
        TField* label = ds->FieldByName(m_labelField);
        TField* value = ds->FieldByName(m_valueField);
        const int n = ds->RecordCount();
        points.reserve(size_t(n));
        for (int seq = 1; seq <= n; ++seq) {
            TRecordPtr r = ds->RecordAt(seq);
            if (!r) continue;
            TBarPoint pt;
            if (label->FieldNo() > 0) pt.Label = label->FormatValue(r->value(label->FieldNo() - 1), true);
            if (value->FieldNo() > 0) pt.Value = r->value(value->FieldNo() - 1).toDouble();
            points.push_back(std::move(pt));
        }
    }
    SetData(std::move(points));
}

void TDBChart::SetData(std::vector<TBarPoint> points)
{
    m_zoomAnimation->stop();
    m_data.Assign(std::move(points));
    SetView(m_data.FullStart(), m_data.FullEnd());
}

bool TDBChart::Zoomed() const
{
    return m_x0 > m_data.FullStart() + 1e-9 || m_x1 < m_data.FullEnd() - 1e-9;
}

bool TDBChart::Animating() const { return m_zoomAnimation->state() == QAbstractAnimation::Running; }

void TDBChart::ZoomTo(double x0, double x1, bool animated)
{
    if (x1 < x0) std::swap(x0, x1);
    const double full0 = m_data.FullStart(), full1 = m_data.FullEnd();
    const double span = std::clamp(x1 - x0, std::min(1.0, full1 - full0), full1 - full0);
    x0 = std::clamp(x0, full0, full1 - span);
    x1 = x0 + span;
    m_zoomAnimation->stop();
    if (!animated || !isVisible()) {
        SetView(x0, x1);
        return;
    }
    m_zoomAnimation->setStartValue(QPointF(m_x0, m_x1));
    m_zoomAnimation->setEndValue(QPointF(x0, x1));
    m_zoomAnimation->start();
}

void TDBChart::UndoZoom(bool animated) { ZoomTo(m_data.FullStart(), m_data.FullEnd(), animated); }

void TDBChart::Scroll(double bars)
{
    const double span = m_x1 - m_x0;
    const double x0 = std::clamp(m_x0 + bars, m_data.FullStart(), m_data.FullEnd() - span);
    m_zoomAnimation->stop();
    SetView(x0, x0 + span);
}

void TDBChart::SetView(double x0, double x1)
{
    m_x0 = x0;
    m_x1 = std::max(x1, x0 + 1e-6);
    FitValueAxis();
    m_bars->update();
}

void TDBChart::FitValueAxis()
{
    // The value axis follows the bars in view, so a zoomed-in part is
    // measured on its own scale.
    const auto [first, last] = m_data.VisibleBars(m_x0, m_x1);
    auto [lo, hi] = m_data.ValueRange(first, last);
    if (hi == lo) hi = lo + 1;
    m_axisY->setRange(lo < 0 ? lo * kHeadroom : 0, hi > 0 ? hi * kHeadroom : 0);
    m_axisY->applyNiceNumbers();
}

double TDBChart::PixelsPerBar() const
{
    const double w = chart()->plotArea().width();
    return w > 0 ? w / (m_x1 - m_x0) : 0;
}

double TDBChart::BarAt(double xPixel) const
{
    const QRectF plot = chart()->plotArea();
    const QPointF scenePos = mapToScene(QPoint(int(xPixel), 0));
    const double x = chart()->mapFromScene(scenePos).x();
    return m_x0 + (x - plot.left()) / PixelsPerBar();
}

int TDBChart::MarkWidth() const
{
    const QFontMetrics fm(font());
    // Label, blank, "100 %" and the note's border.
    return fm.averageCharWidth() * (m_data.LongestLabel() + 8) + 8;
}

int TDBChart::LabelWidth() const
{
    const QFontMetrics fm(font());
    return fm.averageCharWidth() * (m_data.LongestLabel() + 1) + 6;
}

QList<int> TDBChart::TextedBars(int textWidth) const
{
    // Bars whose middle is in view, every stride-th counted from bar 0, so
    // the same bars keep their texts while the view pans.
    QList<int> out;
    const int stride = LabelStride(PixelsPerBar(), textWidth);
    const int first = std::max(0, int(std::ceil(m_x0)));
    const int last = std::min(m_data.Count() - 1, int(std::floor(m_x1)));
    for (qint64 i = first + (stride - first % stride) % stride; i <= last; i += stride) out << int(i);
    return out;
}

QList<int> TDBChart::MarkedBars() const { return TextedBars(MarkWidth()); }
QList<int> TDBChart::LabelledBars() const { return TextedBars(LabelWidth()); }

bool TDBChart::SaveToSvg(const QString& fileName)
{
    QSvgGenerator gen;
    gen.setFileName(fileName);
    const QSize size = viewport()->size().isEmpty() ? QSize(800, 500) : viewport()->size();
    gen.setSize(size);
    gen.setViewBox(QRect(QPoint(0, 0), size));
    gen.setTitle(Title());
    QPainter p;
    if (!p.begin(&gen)) return false;
    render(&p, QRectF(QPointF(0, 0), size), viewport()->rect());
    return p.end();
}

void TDBChart::mousePressEvent(QMouseEvent* e)
{
    if (m_dragButton != Qt::NoButton || (e->button() != Qt::LeftButton && e->button() != Qt::RightButton)) {
        QChartView::mousePressEvent(e);
        return;
    }
    m_dragButton = e->button();
    m_pressPos = e->position().toPoint();
    m_panStart = m_x0;
    e->accept();
}

void TDBChart::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if (m_dragButton == Qt::LeftButton) {
        // A horizontal band over the whole plot height marks the part to zoom to.
        if (!m_band) m_band = new QRubberBand(QRubberBand::Rectangle, viewport());
        const QRectF plot = chart()->mapToScene(chart()->plotArea()).boundingRect();
        const QRect plotView = mapFromScene(plot).boundingRect();
        m_band->setGeometry(QRect(QPoint(std::min(pos.x(), m_pressPos.x()), plotView.top()),
                                  QPoint(std::max(pos.x(), m_pressPos.x()), plotView.bottom())));
        m_band->setVisible(std::abs(pos.x() - m_pressPos.x()) >= kDragPixels);
    } else if (m_dragButton == Qt::RightButton) {
        const double perBar = PixelsPerBar();
        if (perBar > 0) {
            const double span = m_x1 - m_x0;
            const double x0 = std::clamp(m_panStart - (pos.x() - m_pressPos.x()) / perBar, m_data.FullStart(),
                                         m_data.FullEnd() - span);
            m_zoomAnimation->stop();
            SetView(x0, x0 + span);
        }
    } else {
        QChartView::mouseMoveEvent(e);
        return;
    }
    e->accept();
}

void TDBChart::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != m_dragButton) {
        QChartView::mouseReleaseEvent(e);
        return;
    }
    const Qt::MouseButton button = m_dragButton;
    m_dragButton = Qt::NoButton;
    if (m_band) m_band->hide();
    const int dx = e->position().toPoint().x() - m_pressPos.x();
    if (button == Qt::LeftButton && std::abs(dx) >= kDragPixels) {
        // Left to right zooms into the band; right to left undoes the zoom.
        if (dx > 0) ZoomTo(BarAt(m_pressPos.x()), BarAt(e->position().x()));
        else UndoZoom();
    }
    e->accept();
}

void TDBChart::mouseDoubleClickEvent(QMouseEvent* e)
{
    UndoZoom();
    e->accept();
}

void TDBChart::wheelEvent(QWheelEvent* e)
{
    // Zooms around the bar under the mouse.
    const double steps = e->angleDelta().y() / 120.0;
    if (steps == 0 || m_data.Count() == 0) return;
    const double factor = std::pow(0.8, steps);
    const double at = BarAt(e->position().x());
    ZoomTo(at - (at - m_x0) * factor, at + (m_x1 - at) * factor, true);
    e->accept();
}

void TDBChart::resizeEvent(QResizeEvent* e)
{
    QChartView::resizeEvent(e);
    m_bars->Resized();
}
