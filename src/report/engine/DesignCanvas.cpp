#include "DesignCanvas.h"
#include "Expr.h"
#include "Render.h"
#include <QApplication>
#include <QDragEnterEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

const QString TDesignCanvas::MimeType = QStringLiteral("application/x-tarvos-platzhalter");

namespace {
constexpr int PageMargin = 24;      // pixels of grey around the page
constexpr double HandlePx = 7;
const QColor SelectionColor(0, 120, 215);
const QColor BandColor(90, 130, 180);

int HFlags(THAlign a)
{
    return a == THAlign::Center ? Qt::AlignHCenter : a == THAlign::Right ? Qt::AlignRight : Qt::AlignLeft;
}

int VFlags(TVAlign a)
{
    return a == TVAlign::Middle ? Qt::AlignVCenter : a == TVAlign::Bottom ? Qt::AlignBottom : Qt::AlignTop;
}

double SegmentDistance(const QPointF& p, const QPointF& a, const QPointF& b)
{
    const QPointF d = b - a;
    const double len2 = QPointF::dotProduct(d, d);
    const double t = len2 > 0 ? std::clamp(QPointF::dotProduct(p - a, d) / len2, 0.0, 1.0) : 0.0;
    const QPointF q = a + t * d - p;
    return std::hypot(q.x(), q.y());
}

// Shows what a template prints with the values the job holds.
class TContentsScope : public TExprScope {
public:
    explicit TContentsScope(const std::function<QString(bool, const QString&)>& values) : m_values(values) {}
    QString Field(const QString& name) const override { return m_values ? m_values(true, name) : QString(); }
    QString Variable(const QString& name) const override { return m_values ? m_values(false, name) : QString(); }
    int Page() const override { return 1; }
    QDate PrintDate() const override { return QDate::currentDate(); }

private:
    const std::function<QString(bool, const QString&)>& m_values;
};
}   // namespace

TDesignCanvas::TDesignCanvas(TLayoutDesign& design, QWidget* parent) : QWidget(parent), m_design(design)
{
    setObjectName(QStringLiteral("Seite"));
    setAccessibleName(QStringLiteral("Seite"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAcceptDrops(true);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(128, 128, 128));
    setPalette(pal);
}

double TDesignCanvas::Scale() const { return m_zoom * logicalDpiX() / 25.4; }

void TDesignCanvas::SetZoom(double zoom)
{
    m_zoom = std::clamp(zoom, 0.25, 4.0);
    updateGeometry();
    resize(sizeHint());
    update();
}

void TDesignCanvas::SetShowGrid(bool on)
{
    m_showGrid = on;
    update();
}

void TDesignCanvas::SetShowContents(bool on)
{
    m_showContents = on;
    update();
}

QSize TDesignCanvas::sizeHint() const
{
    const QSizeF page = m_design.Layout().Page.Oriented() * Scale();
    return QSize(int(std::ceil(page.width())) + 2 * PageMargin, int(std::ceil(page.height())) + 2 * PageMargin);
}

QPointF TDesignCanvas::ToPage(const QPointF& w) const { return (w - QPointF(PageMargin, PageMargin)) / Scale(); }

QPointF TDesignCanvas::ToWidget(const QPointF& p) const { return p * Scale() + QPointF(PageMargin, PageMargin); }

QRectF TDesignCanvas::ToWidget(const QRectF& r) const
{
    return QRectF(ToWidget(r.topLeft()), ToWidget(r.bottomRight()));
}

void TDesignCanvas::Select(const TDesignItems& items, std::optional<TDesignArea> area)
{
    m_selection.clear();
    for (const TDesignItem& i : items)
        if (m_design.IsValid(i) && !m_selection.contains(i)) m_selection.append(i);
    if (area) m_area = *area;
    else if (!m_selection.isEmpty()) m_area = m_selection.first().Area;
    update();
    if (OnSelectionChanged) OnSelectionChanged();
}

void TDesignCanvas::BeginInsert(std::optional<TObjectKind> kind)
{
    m_insert = kind;
    setCursor(kind ? Qt::CrossCursor : Qt::ArrowCursor);
    if (kind) setFocus();
}

void TDesignCanvas::Refresh()
{
    // Items that went away with an undo or a delete leave the selection.
    m_selection.removeIf([this](const TDesignItem& i) { return !m_design.IsValid(i); });
    if (sizeHint() != size()) resize(sizeHint());
    update();
}

void TDesignCanvas::Changed()
{
    Refresh();
    if (OnChanged) OnChanged();
}

// ------------------------------------------------------------------ drawing

QFont TDesignCanvas::ScreenFont(const TFontSpec& spec) const
{
    QFont f(spec.Family);
    // Points at the zoom: real size at 100 %.
    f.setPointSizeF(std::max(1.0, spec.Size * m_zoom));
    f.setBold(spec.Bold);
    f.setItalic(spec.Italic);
    return f;
}

double TDesignCanvas::LineMm(const TFontSpec& spec) const
{
    return QFontMetricsF(ScreenFont(spec), const_cast<TDesignCanvas*>(this)).height() / Scale();
}

QString TDesignCanvas::Shown(const QString& templ) const
{
    if (!m_showContents) return templ;
    TTextTemplate t;
    if (!t.Parse(templ)) return templ;
    return t.Eval(TContentsScope(Values));
}

QRectF TDesignCanvas::Visible(const TLayoutObject& o, const QPointF& origin) const
{
    QRectF r = o.Rect.translated(origin);
    if (o.Kind == TObjectKind::Line) return r.normalized();
    if (o.Kind == TObjectKind::Text && r.height() <= 0) {
        double h = LineMm(o.Font);
        if (o.Wrap) {
            const QFontMetricsF fm(ScreenFont(o.Font), const_cast<TDesignCanvas*>(this));
            const QRectF need = fm.boundingRect(QRectF(0, 0, std::max(1.0, r.width() * Scale()), 1e6),
                                                Qt::TextWordWrap, Shown(o.Text));
            h = std::max(h, need.height() / Scale());
        }
        r.setHeight(h);
    }
    return r;
}

void TDesignCanvas::DrawObject(QPainter& p, const TLayoutObject& o, const QPointF& origin) const
{
    const double k = Scale();
    const QRectF r = ToWidget(Visible(o, origin));
    switch (o.Kind) {
    case TObjectKind::Text: {
        // The box itself does not print; a faint frame shows where it is.
        p.setPen(QPen(QColor(200, 200, 200), 0, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r);
        p.setFont(ScreenFont(o.Font));
        p.setPen(o.Color);
        p.save();
        p.setClipRect(r.adjusted(-1, -1, 1, 1));
        p.drawText(r, HFlags(o.Align) | VFlags(o.VAlign) | (o.Wrap ? Qt::TextWordWrap : 0), Shown(o.Text));
        p.restore();
        break;
    }
    case TObjectKind::Line: {
        QPen pen(o.Color, std::max(1.0, o.LineWidth * k));
        pen.setCapStyle(Qt::FlatCap);
        if (o.LineWidth <= 0) pen = QPen(QColor(200, 200, 200), 1, Qt::DotLine);
        p.setPen(pen);
        const QRectF line = o.Rect.translated(origin);
        p.drawLine(ToWidget(line.topLeft()), ToWidget(line.bottomRight()));
        break;
    }
    case TObjectKind::Rect:
        p.setPen(o.LineWidth > 0 ? QPen(o.Color, o.LineWidth * k) : QPen(QColor(200, 200, 200), 0, Qt::DotLine));
        p.setBrush(o.Fill.isValid() ? QBrush(o.Fill) : QBrush(Qt::NoBrush));
        p.drawRect(r);
        p.setBrush(Qt::NoBrush);
        break;
    case TObjectKind::Picture: {
        const QString file = Shown(o.Text).trimmed();
        const bool drawn = !file.isEmpty() && DrawPictureFile(p, file, r, o.KeepAspect);
        p.setPen(QPen(QColor(160, 160, 160), 0, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r);
        if (!drawn) {
            p.setFont(ScreenFont(TFontSpec{QStringLiteral("DejaVu Sans"), 7, false, true}));
            p.drawText(r, Qt::AlignCenter | Qt::TextWordWrap,
                       o.Text.isEmpty() ? QStringLiteral("Bild") : QStringLiteral("Bild\n%1").arg(o.Text));
        }
        break;
    }
    }
}

void TDesignCanvas::DrawTable(QPainter& p) const
{
    const TLayout& l = m_design.Layout();
    const TLayoutTable& t = l.Table;
    const QRectF band = m_design.AreaRect(TDesignArea::Table);
    // Titles break into lines as printed; the header grows with the longest.
    double head = std::max(t.LineHeight, LineMm(t.HeaderFont) + 2 * t.Padding);
    const QFontMetricsF headMetrics(ScreenFont(t.HeaderFont), const_cast<TDesignCanvas*>(this));
    for (const TLayoutColumn& c : t.Columns) {
        const QRectF need = headMetrics.boundingRect(QRectF(0, 0, std::max(1.0, (c.Width - 2 * t.Padding) * Scale()), 1e6),
                                                     Qt::TextWordWrap, Shown(c.Title));
        head = std::max(head, need.height() / Scale() + 2 * t.Padding);
    }
    const double row = std::max(t.LineHeight, LineMm(t.Font) + 2 * t.Padding);
    const double k = Scale();
    double y = band.top();
    const int n = int(t.Columns.size());
    double width = 0;
    for (const TLayoutColumn& c : t.Columns) width += c.Width;
    auto cells = [&](double top, double h, const TFontSpec& font, int vflag, const std::function<QString(const TLayoutColumn&)>& text) {
        p.setFont(ScreenFont(font));
        p.setPen(Qt::black);
        for (int i = 0; i < n; ++i) {
            const QRectF cr = m_design.ColumnRect(i);
            const QRectF box(cr.left() + t.Padding, top + t.Padding, cr.width() - 2 * t.Padding, h - 2 * t.Padding);
            p.save();
            p.setClipRect(ToWidget(QRectF(cr.left(), top, cr.width(), h)));
            p.drawText(ToWidget(box), HFlags(t.Columns[size_t(i)].Align) | vflag | Qt::TextWordWrap, text(t.Columns[size_t(i)]));
            p.restore();
        }
    };
    auto rule = [&](double at, double w, const QColor& c) {
        if (w <= 0) return;
        p.setPen(QPen(c, std::max(1.0, w * k)));
        p.drawLine(ToWidget(QPointF(band.left(), at)), ToWidget(QPointF(band.left() + width, at)));
    };
    cells(y, head, t.HeaderFont, Qt::AlignBottom, [&](const TLayoutColumn& c) { return Shown(c.Title); });
    y += head;
    rule(y, t.HeaderRule, Qt::black);
    cells(y, row, t.Font, Qt::AlignTop, [&](const TLayoutColumn& c) {
        return m_showContents ? Shown(QStringLiteral("{%1}").arg(c.Value)) : c.Value;
    });
    y += row;
    rule(y, t.RowRule, QColor(154, 154, 154));
    if (t.HasFooter()) {
        y += row;
        rule(y, t.FooterRule, Qt::black);
        cells(y, row, t.FooterFont, Qt::AlignTop, [](const TLayoutColumn& c) { return c.Footer; });
    }
    if (width > band.width() + 0.05) {
        // Printed all the same, but beyond the margin or off the paper.
        const QRectF over = ToWidget(QRectF(band.right(), band.top(), width - band.width(), band.height()));
        p.fillRect(over, QColor(220, 0, 0, 40));
        QFont warn = font();
        warn.setPointSizeF(7);
        p.setFont(warn);
        p.setPen(QColor(180, 0, 0));
        p.drawText(ToWidget(band).adjusted(2, 1, -2, -2), Qt::AlignRight | Qt::AlignBottom,
                   QStringLiteral("Die Spalten sind %1 mm breiter als der Druckbereich")
                       .arg(QLocale().toString(width - band.width(), 'f', 1)));
    }
    // Column borders help to aim; they do not print.
    p.setPen(QPen(QColor(170, 170, 170), 0, Qt::DotLine));
    for (int i = 0; i < n; ++i) {
        const QRectF cr = m_design.ColumnRect(i);
        p.drawLine(ToWidget(QPointF(cr.right(), band.top())), ToWidget(QPointF(cr.right(), band.bottom())));
    }
}

void TDesignCanvas::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const TLayout& l = m_design.Layout();
    const double k = Scale();
    const QRectF page = ToWidget(QRectF(QPointF(0, 0), l.Page.Oriented()));
    p.fillRect(page.translated(3, 3), QColor(80, 80, 80));
    p.fillRect(page, Qt::white);

    if (m_showGrid && m_design.GridMm > 0) {
        double step = m_design.GridMm;
        while (step * k < 6) step *= 2;
        p.setPen(QPen(QColor(190, 190, 190), 1));
        const QSizeF s = l.Page.Oriented();
        for (double x = 0; x <= s.width() + 1e-6; x += step)
            for (double y = 0; y <= s.height() + 1e-6; y += step) p.drawPoint(ToWidget(QPointF(x, y)));
    }
    p.setPen(QPen(QColor(150, 150, 150), 0, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(ToWidget(l.Page.Body()));

    QFont label = font();
    label.setPointSizeF(7);
    if (l.Type == TLayoutType::List) {
        struct Band { TDesignArea Area; const char* Name; };
        const Band bands[] = {{TDesignArea::Header, "Kopfbereich"}, {TDesignArea::Table, "Tabelle"},
                              {TDesignArea::Footer, "Fußbereich"}};
        for (const Band& b : bands) {
            const QRectF r = ToWidget(m_design.AreaRect(b.Area));
            const bool current = m_selection.isEmpty() && m_area == b.Area;
            p.fillRect(r, current ? QColor(225, 235, 250) : QColor(246, 248, 252));
            p.setPen(QPen(BandColor, 0, Qt::DashLine));
            p.drawRect(r);
            p.setFont(label);
            p.setPen(BandColor);
            p.drawText(r.adjusted(2, 1, -2, -1), Qt::AlignRight | Qt::AlignTop, QString::fromUtf8(b.Name));
        }
        DrawTable(p);
    }
    for (const TDesignItem& i : m_design.AllObjects()) DrawObject(p, m_design.Object(i), m_design.Origin(i.Area));

    // The selection on top of everything.
    for (const TDesignItem& i : m_selection) {
        QRectF r;
        if (i.IsColumn()) {
            r = ToWidget(m_design.ColumnRect(i.Index));
            p.fillRect(r, QColor(0, 120, 215, 40));
        } else {
            r = ToWidget(Visible(m_design.Object(i), m_design.Origin(i.Area)));
        }
        p.setPen(QPen(SelectionColor, 1, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(-1, -1, 1, 1));
    }
    if (m_selection.size() == 1) {
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(SelectionColor);
        for (const QRectF& h : Handles(m_selection.first())) p.drawRect(h);
    }
    if (m_drag == TDrag::Band || m_drag == TDrag::Insert) {
        p.setPen(QPen(SelectionColor, 1, Qt::DashLine));
        p.setBrush(QColor(0, 120, 215, 30));
        p.drawRect(ToWidget(QRectF(m_pressPage, m_lastPage).normalized()));
    }
}

// ------------------------------------------------------------------- hitting

std::optional<TDesignItem> TDesignCanvas::ItemAt(const QPointF& pos) const
{
    const double tolerance = std::max(1.0, 4 / Scale());
    const TDesignItems all = m_design.AllObjects();
    for (qsizetype n = all.size() - 1; n >= 0; --n) {
        const TLayoutObject& o = m_design.Object(all[n]);
        const QPointF origin = m_design.Origin(all[n].Area);
        if (o.Kind == TObjectKind::Line) {
            const QRectF r = o.Rect.translated(origin);
            if (SegmentDistance(pos, r.topLeft(), r.bottomRight()) <= tolerance) return all[n];
        } else if (Visible(o, origin).adjusted(-0.5, -0.5, 0.5, 0.5).contains(pos)) {
            return all[n];
        }
    }
    const int column = m_design.ColumnAt(pos);
    if (column >= 0) return TDesignItem{TDesignArea::Table, column};
    return std::nullopt;
}

QList<QRectF> TDesignCanvas::Handles(const TDesignItem& item) const
{
    QList<QRectF> out;
    if (!m_design.IsValid(item)) return out;
    auto at = [](const QPointF& c) { return QRectF(c.x() - HandlePx / 2, c.y() - HandlePx / 2, HandlePx, HandlePx); };
    const QRectF none(-100, -100, 0, 0);
    if (item.IsColumn()) {
        const QRectF r = ToWidget(m_design.ColumnRect(item.Index));
        for (int h = 0; h < 8; ++h) out.append(h == 3 ? at(QPointF(r.right(), r.top() + 12)) : none);
        return out;
    }
    const TLayoutObject& o = m_design.Object(item);
    if (o.Kind == TObjectKind::Line) {
        const QRectF r = o.Rect.translated(m_design.Origin(item.Area));
        for (int h = 0; h < 8; ++h)
            out.append(h == 0 ? at(ToWidget(r.topLeft())) : h == 4 ? at(ToWidget(r.bottomRight())) : none);
        return out;
    }
    const QRectF r = ToWidget(Visible(o, m_design.Origin(item.Area)));
    const QPointF pts[8] = {r.topLeft(),     QPointF(r.center().x(), r.top()),    r.topRight(),
                            QPointF(r.right(), r.center().y()), r.bottomRight(), QPointF(r.center().x(), r.bottom()),
                            r.bottomLeft(),  QPointF(r.left(), r.center().y())};
    for (const QPointF& c : pts) out.append(at(c));
    return out;
}

int TDesignCanvas::HandleAt(const QPointF& w) const
{
    if (m_selection.size() != 1) return -1;
    const QList<QRectF> hs = Handles(m_selection.first());
    for (int h = 0; h < hs.size(); ++h)
        if (hs[h].adjusted(-2, -2, 2, 2).contains(w)) return h;
    return -1;
}

QRectF TDesignCanvas::Resized(const QRectF& r, int handle, const QPointF& pos) const
{
    const QPointF s = m_design.Snap(pos);
    const TDesignItem& item = m_selection.first();
    if (item.IsColumn()) return QRectF(r.left(), r.top(), std::max(1.0, s.x() - r.left()), r.height());
    if (m_design.Object(item).Kind == TObjectKind::Line)
        return handle == 0 ? QRectF(s, r.bottomRight()) : QRectF(r.topLeft(), s);
    QRectF out = r;
    if (handle == 0 || handle == 6 || handle == 7) out.setLeft(s.x());
    if (handle == 2 || handle == 3 || handle == 4) out.setRight(s.x());
    if (handle == 0 || handle == 1 || handle == 2) out.setTop(s.y());
    if (handle == 4 || handle == 5 || handle == 6) out.setBottom(s.y());
    return out.normalized();
}

// --------------------------------------------------------------------- mouse

void TDesignCanvas::mousePressEvent(QMouseEvent* e)
{
    setFocus();
    if (e->button() != Qt::LeftButton) return;
    const QPointF pos = ToPage(e->position());
    m_pressPage = m_lastPage = pos;
    m_mergeKey = QStringLiteral("maus%1").arg(++m_gesture);
    if (m_insert) {
        m_drag = TDrag::Insert;
        m_pressPage = m_lastPage = m_design.Snap(pos);
        return;
    }
    m_handle = HandleAt(e->position());
    if (m_handle >= 0) {
        m_drag = TDrag::Resize;
        const TDesignItem& i = m_selection.first();
        QRectF r = m_design.ItemRect(i);
        if (!i.IsColumn()) {
            const TLayoutObject& o = m_design.Object(i);
            if (o.Kind != TObjectKind::Line) r = Visible(o, m_design.Origin(i.Area));
        }
        m_startRects = {r};
        return;
    }
    const std::optional<TDesignItem> hit = ItemAt(pos);
    if (!hit) {
        if (!(e->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier))) Select({}, m_design.AreaAt(pos));
        m_drag = TDrag::Band;
        return;
    }
    TDesignItems sel = m_selection;
    if (e->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) {
        if (sel.contains(*hit)) sel.removeAll(*hit);
        else if (!hit->IsColumn()) sel.append(*hit);
        Select(sel);
        m_drag = TDrag::None;
        return;
    }
    if (!sel.contains(*hit)) Select({*hit});
    m_drag = hit->IsColumn() ? TDrag::None : TDrag::Move;
    m_startRects.clear();
    for (const TDesignItem& i : m_selection) m_startRects.append(m_design.ItemRect(i));
}

void TDesignCanvas::mouseMoveEvent(QMouseEvent* e)
{
    const QPointF pos = ToPage(e->position());
    if (OnMouseAt) OnMouseAt(pos);
    if (m_drag == TDrag::None) {
        if (m_insert) return;
        const int h = HandleAt(e->position());
        setCursor(h == 0 || h == 4 ? Qt::SizeFDiagCursor
                  : h == 2 || h == 6 ? Qt::SizeBDiagCursor
                  : h == 1 || h == 5 ? Qt::SizeVerCursor
                  : h == 3 || h == 7 ? Qt::SizeHorCursor
                                     : Qt::ArrowCursor);
        return;
    }
    m_lastPage = m_drag == TDrag::Insert ? m_design.Snap(pos) : pos;
    if (m_drag == TDrag::Move && !m_selection.isEmpty()) {
        // The first object lands on the grid; the others keep their distance to it.
        const QPointF anchor = m_startRects.first().topLeft();
        const QPointF delta = m_design.Snap(anchor + (pos - m_pressPage)) - anchor;
        if ((pos - m_pressPage).manhattanLength() * Scale() < QApplication::startDragDistance()) return;
        QList<QRectF> rects;
        for (const QRectF& r : m_startRects) rects.append(r.translated(delta));
        m_design.SetRects(m_selection, rects, m_mergeKey);
        Changed();
        return;
    }
    if (m_drag == TDrag::Resize) {
        m_design.SetRects(m_selection, {Resized(m_startRects.first(), m_handle, pos)}, m_mergeKey);
        Changed();
        return;
    }
    update();
}

void TDesignCanvas::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return;
    const TDrag drag = m_drag;
    m_drag = TDrag::None;
    if (drag == TDrag::Insert && m_insert) {
        const TObjectKind kind = *m_insert;
        QRectF r = kind == TObjectKind::Line ? QRectF(m_pressPage, m_lastPage) : QRectF(m_pressPage, m_lastPage).normalized();
        // A click without dragging places an object of a usual size.
        if (std::abs(r.width()) < 1 && std::abs(r.height()) < 1) {
            switch (kind) {
            case TObjectKind::Text: r.setSize(QSizeF(50, 0)); break;
            case TObjectKind::Line: r.setSize(QSizeF(50, 0)); break;
            case TObjectKind::Rect: r.setSize(QSizeF(50, 20)); break;
            case TObjectKind::Picture: r.setSize(QSizeF(40, 30)); break;
            }
        }
        BeginInsert(std::nullopt);
        if (OnInsert) OnInsert(kind, m_design.AreaAt(m_pressPage), r);
        update();
        return;
    }
    if (drag == TDrag::Band) {
        const QRectF band = QRectF(m_pressPage, m_lastPage).normalized();
        if (band.width() * Scale() > 3 || band.height() * Scale() > 3) {
            TDesignItems sel = (e->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) ? m_selection : TDesignItems();
            for (const TDesignItem& i : m_design.AllObjects())
                if (band.intersects(Visible(m_design.Object(i), m_design.Origin(i.Area))) && !sel.contains(i)) sel.append(i);
            Select(sel, m_design.AreaAt(m_pressPage));
        }
        update();
    }
}

void TDesignCanvas::mouseDoubleClickEvent(QMouseEvent* e)
{
    const std::optional<TDesignItem> hit = ItemAt(ToPage(e->position()));
    if (hit && OnDoubleClick) OnDoubleClick(*hit);
}

void TDesignCanvas::wheelEvent(QWheelEvent* e)
{
    if (!(e->modifiers() & Qt::ControlModifier)) {
        e->ignore();
        return;
    }
    SetZoom(m_zoom * (e->angleDelta().y() > 0 ? 1.25 : 0.8));
    if (OnChanged) OnChanged();
}

// ---------------------------------------------------------------------- keys

void TDesignCanvas::Nudge(int dx, int dy, Qt::KeyboardModifiers mods)
{
    if (m_selection.isEmpty()) return;
    const double step = (mods & Qt::ControlModifier) ? 0.1 : m_design.SnapToGrid && m_design.GridMm > 0 ? m_design.GridMm : 1;
    const QString merge = QStringLiteral("tasten%1").arg(m_gesture);
    if (m_selection.size() == 1 && m_selection.first().IsColumn()) {
        const int column = m_selection.first().Index;
        if (mods & Qt::ShiftModifier) {
            if (dx == 0) return;
            QRectF r = m_design.ColumnRect(column);
            r.setWidth(std::max(1.0, r.width() + dx * step));
            m_design.SetRects(m_selection, {r}, merge);
        } else if (dx != 0) {
            m_selection = {{TDesignArea::Table, m_design.ShiftColumn(column, dx, merge)}};
        }
        Changed();
        return;
    }
    if (mods & Qt::ShiftModifier) {
        QList<QRectF> rects;
        for (const TDesignItem& i : m_selection) {
            QRectF r = m_design.ItemRect(i);
            if (!i.IsColumn() && m_design.Object(i).Kind == TObjectKind::Text && r.height() <= 0 && dy != 0)
                r.setHeight(Visible(m_design.Object(i), m_design.Origin(i.Area)).height());
            r.setWidth(r.width() + dx * step);
            r.setHeight(r.height() + dy * step);
            rects.append(r);
        }
        m_design.SetRects(m_selection, rects, merge);
    } else {
        m_design.MoveBy(m_selection, QPointF(dx * step, dy * step), merge);
    }
    Changed();
}

void TDesignCanvas::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Left: Nudge(-1, 0, e->modifiers()); return;
    case Qt::Key_Right: Nudge(1, 0, e->modifiers()); return;
    case Qt::Key_Up: Nudge(0, -1, e->modifiers()); return;
    case Qt::Key_Down: Nudge(0, 1, e->modifiers()); return;
    case Qt::Key_Escape:
        if (m_insert) BeginInsert(std::nullopt);
        else if (!m_selection.isEmpty()) Select({}, m_area);
        else break;
        return;
    default: break;
    }
    QWidget::keyPressEvent(e);
}

void TDesignCanvas::keyReleaseEvent(QKeyEvent* e)
{
    // A new run of arrow keys is a new undo step.
    if (!e->isAutoRepeat() && !(e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) ++m_gesture;
    QWidget::keyReleaseEvent(e);
}

// --------------------------------------------------------------------- drops

void TDesignCanvas::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData()->hasFormat(MimeType)) e->acceptProposedAction();
}

void TDesignCanvas::dragMoveEvent(QDragMoveEvent* e)
{
    if (e->mimeData()->hasFormat(MimeType)) e->acceptProposedAction();
}

void TDesignCanvas::dropEvent(QDropEvent* e)
{
    if (!e->mimeData()->hasFormat(MimeType)) return;
    const QStringList parts = QString::fromUtf8(e->mimeData()->data(MimeType)).split(u'\n');
    if (parts.size() < 2) return;
    e->acceptProposedAction();
    if (OnDropReference) OnDropReference(parts[0], parts[1], ToPage(e->position()));
}
