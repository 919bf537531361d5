#include "DBENavButton.h"
#include "Application.h"
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>
#include <qdrawutil.h>
#include <cmath>

static void InitGlyphResources()
{
    static bool done = false;
    if (!done) {
        done = true;
        Q_INIT_RESOURCE(glyphs);
    }
}

namespace {

QString GlyphPath(const QString& resourceName)
{
    InitGlyphResources();
    return QStringLiteral(":/glyphs/%1.svg").arg(resourceName.toLower());
}

qreal ScreenRatio()
{
    const qreal r = qApp ? qApp->devicePixelRatio() : 1.0;
    return r < 1.0 ? 1.0 : r;
}

}   // namespace

QSize DBEGlyphSize(const QString& resourceName)
{
    const QString path = GlyphPath(resourceName);
    if (!QFile::exists(path)) return {};
    QSvgRenderer svg(path);
    return svg.isValid() ? svg.defaultSize() : QSize();
}

QPixmap DBEDisabledGlyph(const QPixmap& glyph)
{
    if (glyph.isNull()) return glyph;
    // Embossed like the old disabled buttons: the dark strokes in shadow
    // grey with a white edge below right; light fills drop out.
    const QImage src = glyph.toImage().convertToFormat(QImage::Format_ARGB32);
    QImage shape(src.size(), QImage::Format_ARGB32);
    shape.fill(Qt::transparent);
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) {
            const QRgb c = src.pixel(x, y);
            if (qAlpha(c) < 100) continue;
            if (qGray(c) < 200) shape.setPixel(x, y, qRgba(128, 128, 128, 255));
        }
    QImage out(src.size(), QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    QPainter p(&out);
    const qreal dpr = glyph.devicePixelRatio();
    QImage light = shape;
    for (int y = 0; y < light.height(); ++y)
        for (int x = 0; x < light.width(); ++x)
            if (qAlpha(light.pixel(x, y))) light.setPixel(x, y, qRgba(255, 255, 255, 255));
    const int off = qMax(1, int(std::lround(dpr)));
    p.drawImage(off, off, light);
    p.drawImage(0, 0, shape);
    p.end();
    QPixmap pm = QPixmap::fromImage(out);
    pm.setDevicePixelRatio(dpr);
    return pm;
}

QPixmap DBEGlyphStrip(const QString& resourceName, int numGlyphs)
{
    const QString path = GlyphPath(resourceName);
    if (numGlyphs < 1 || !QFile::exists(path)) return {};
    QSvgRenderer svg(path);
    if (!svg.isValid()) return {};
    static QHash<QString, QPixmap> cache;
    const qreal dpr = ScreenRatio();
    const QString key = QStringLiteral("%1/%2/%3").arg(path).arg(numGlyphs).arg(dpr);
    if (cache.contains(key)) return cache.value(key);

    const QSize sz = svg.defaultSize();
    QImage one(QSize(std::lround(sz.width() * dpr), std::lround(sz.height() * dpr)), QImage::Format_ARGB32);
    one.fill(Qt::transparent);
    {
        QPainter p(&one);
        p.setRenderHint(QPainter::Antialiasing);
        svg.render(&p);
    }
    QPixmap up = QPixmap::fromImage(one);
    up.setDevicePixelRatio(dpr);
    const QPixmap disabled = DBEDisabledGlyph(up);

    // Strip order as the buttons read it: up, disabled, pressed, held down.
    QImage strip(QSize(one.width() * numGlyphs, one.height()), QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    {
        QPainter p(&strip);
        for (int i = 0; i < numGlyphs; ++i)
            p.drawImage(i * one.width(), 0, i == 1 ? disabled.toImage() : one);
    }
    QPixmap pm = QPixmap::fromImage(strip);
    pm.setDevicePixelRatio(dpr);
    cache.insert(key, pm);
    return pm;
}

// ---------------------------------------------------------------- button

namespace {

// What a screen reader or a test robot sees of a drawn button: a button
// named by its hint, checkable when it toggles, that can be pressed.
class TDBENavButtonAccessible : public QAccessibleWidget {
public:
    explicit TDBENavButtonAccessible(TDBENavButton* b) : QAccessibleWidget(b, QAccessible::Button) {}

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        const auto* b = Button();
        if (b->GroupIndex() != 0) {
            s.checkable = true;
            s.checked = b->Down();
        }
        s.pressed = b->Pressed() || (b->GroupIndex() == 0 && b->Down());
        return s;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            if (const auto* box = qobject_cast<const TDBENavIncSrch*>(Button())) return box->Text();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override
    {
        if (name != pressAction()) {
            QAccessibleWidget::doAction(name);
            return;
        }
        if (!widget()->isEnabled()) return;
        try {
            Button()->Click();
        } catch (...) {
            HandleException(widget());
        }
    }

private:
    TDBENavButton* Button() const { return static_cast<TDBENavButton*>(widget()); }
};

QAccessibleInterface* NavButtonAccessibleFactory(const QString& className, QObject* object)
{
    if (auto* b = qobject_cast<TDBENavButton*>(object))
        if (className == QLatin1String(b->metaObject()->className())) return new TDBENavButtonAccessible(b);
    return nullptr;
}

}   // namespace

TDBENavButton::TDBENavButton(QWidget* parent) : QWidget(parent)
{
    static const bool accessible = (QAccessible::installFactory(NavButtonAccessibleFactory), true);
    Q_UNUSED(accessible);
    // The bar must never take the focus from the data control it serves.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    resize(25, 25);
}

TDBENavButton::~TDBENavButton() = default;

void TDBENavButton::SetGlyph(const QPixmap& strip)
{
    m_glyph = strip;
    update();
}

void TDBENavButton::SetNumGlyphs(int n)
{
    m_numGlyphs = qBound(1, n, 4);
    update();
}

void TDBENavButton::SetFlat(bool on)
{
    if (m_flat == on) return;
    m_flat = on;
    update();
}

void TDBENavButton::SetDown(bool on)
{
    if (m_down == on) return;
    m_down = on;
    update();
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent ev(this, changed);
    QAccessible::updateAccessibility(&ev);
}

void TDBENavButton::SetHint(const QString& hint)
{
    m_hint = hint;
    const int bar = hint.indexOf(u'|');
    setToolTip(bar < 0 ? hint : hint.left(bar));
    setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
    // The hint is what the button is called, for the eye and the ear alike.
    setAccessibleName(toolTip());
    setAccessibleDescription(statusTip());
}

void TDBENavButton::Click()
{
    if (m_groupIndex != 0) {
        if (m_down) {
            if (m_allowAllUp) SetDown(false);
        } else {
            SetDown(true);
            if (parentWidget())
                for (TDBENavButton* other : parentWidget()->findChildren<TDBENavButton*>(Qt::FindDirectChildrenOnly))
                    if (other != this && other->m_groupIndex == m_groupIndex) other->SetDown(false);
        }
    }
    if (OnClick) OnClick(this);
}

void TDBENavButton::RepeatTimerExpired()
{
    if (!m_repeatTimer) return;
    m_repeatTimer->setInterval(100);
    if (Pressed() && HoldsMouse() && isEnabled()) {
        try {
            Click();
        } catch (...) {
            m_repeatTimer->stop();
            throw;
        }
    }
}

QSize TDBENavButton::sizeHint() const { return {25, 25}; }

void TDBENavButton::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    m_pressed = true;
    m_underMouse = true;
    update();
    if (m_autoRepeat) {
        if (!m_repeatTimer) {
            m_repeatTimer = new QTimer(this);
            connect(m_repeatTimer, &QTimer::timeout, this, &TDBENavButton::RepeatTimerExpired);
        }
        m_repeatTimer->setInterval(400);
        m_repeatTimer->start();
    }
}

void TDBENavButton::mouseMoveEvent(QMouseEvent* e)
{
    if (!m_pressed) return;
    const bool inside = rect().contains(e->position().toPoint());
    if (inside != m_underMouse) {
        m_underMouse = inside;
        update();
    }
}

void TDBENavButton::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !m_pressed) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    const bool inside = rect().contains(e->position().toPoint());
    m_pressed = false;
    m_underMouse = false;
    if (m_repeatTimer) m_repeatTimer->stop();
    update();
    // The ordinary click: one more step of an auto-repeating button.
    if (inside && isEnabled()) Click();
}

void TDBENavButton::contextMenuEvent(QContextMenuEvent* e)
{
    if (m_popup) {
        m_popup->popup(e->globalPos());
        e->accept();
        return;
    }
    e->ignore();
}

void TDBENavButton::enterEvent(QEnterEvent* e)
{
    m_hover = true;
    if (m_flat) update();
    QWidget::enterEvent(e);
}

void TDBENavButton::leaveEvent(QEvent* e)
{
    m_hover = false;
    if (m_flat) update();
    QWidget::leaveEvent(e);
}

void TDBENavButton::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            m_pressed = m_underMouse = false;
            if (m_repeatTimer) m_repeatTimer->stop();
        }
        update();
    }
    QWidget::changeEvent(e);
}

bool TDBENavButton::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip && ShowHintQuery && !ShowHintQuery()) {
        e->ignore();
        return true;
    }
    return QWidget::event(e);
}

void TDBENavButton::PaintButton(QPainter& p)
{
    // A disabled toggle never shows pressed.
    if (!isEnabled()) m_down = false;

    const bool sunken = Pressed() || m_down;
    const QRect r = rect();
    const QPalette& pal = palette();
    if (m_flat) {
        p.fillRect(r, pal.button());
        if (m_down && !Pressed()) p.fillRect(r.adjusted(1, 1, -1, -1), QBrush(pal.light().color(), Qt::Dense4Pattern));
        if (sunken)
            qDrawShadePanel(&p, r, pal, true, 1);
        else if (m_hover && isEnabled())
            qDrawShadePanel(&p, r, pal, false, 1);
    } else {
        const QBrush fill = pal.button();
        qDrawWinButton(&p, r, pal, sunken, &fill);
        if (m_down && !Pressed())
            p.fillRect(r.adjusted(2, 2, -2, -2), QBrush(pal.light().color(), Qt::Dense4Pattern));
    }

    if (m_glyph.isNull()) return;
    const qreal dpr = m_glyph.devicePixelRatio();
    const int n = qMax(1, m_numGlyphs);
    const int pw = m_glyph.width() / n;                    // device pixels of one picture
    const QSizeF logical(pw / dpr, m_glyph.height() / dpr);
    int idx = 0;
    if (!isEnabled())
        idx = 1;
    else if (Pressed())
        idx = 2;
    else if (m_down)
        idx = 3;
    QPixmap pic;
    if (idx == 1 && n < 2) {
        pic = DBEDisabledGlyph(m_glyph.copy(0, 0, pw, m_glyph.height()));
    } else {
        if (idx == 3 && n < 4) idx = n >= 3 ? 2 : 0;
        if (idx == 2 && n < 3) idx = 0;
        pic = m_glyph.copy(idx * pw, 0, pw, m_glyph.height());
    }
    pic.setDevicePixelRatio(dpr);
    QPointF at((r.width() - logical.width()) / 2.0, (r.height() - logical.height()) / 2.0);
    at = QPointF(std::floor(at.x()), std::floor(at.y()));
    if (sunken) at += QPointF(1, 1);
    p.drawPixmap(at, pic);
}

void TDBENavButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintButton(p);
}

// ------------------------------------------------------- incremental box

TDBENavIncSrch::TDBENavIncSrch(QWidget* parent) : TDBENavButton(parent) {}

void TDBENavIncSrch::SetText(const QString& s)
{
    if (m_text == s) return;
    m_text = s;
    update();
    QAccessibleValueChangeEvent ev(this, s);
    QAccessible::updateAccessibility(&ev);
}

QFont TDBENavIncSrch::TextFont()
{
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSize(8);
    return f;
}

QRect TDBENavIncSrch::TextRect() const
{
    const QFontMetrics fm(TextFont());
    int h = fm.height() + 1;
    if (h > height()) h = height() - 4;
    const int left = 4, right = width() - 6;
    const int top = (height() - h) / 2;
    return {left, top, right - left, h};
}

int TDBENavIncSrch::TextX() const
{
    const QRect r = TextRect();
    const int w = QFontMetrics(TextFont()).horizontalAdvance(m_text);
    // A long text shows its end: the last typed characters matter.
    return w > r.width() ? r.x() + r.width() - w - 2 : r.x();
}

void TDBENavIncSrch::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintButton(p);

    const QRect r = TextRect();
    if (Down() || Pressed()) p.fillRect(r.translated(2, 2), QColor(0x00, 0x80, 0x00));
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(QRect(r.x() - 1, r.y() - 1, r.width() + 1, r.height() + 1));

    const QColor back = isEnabled() ? QColor(Qt::white) : QColor(0xC0, 0xC0, 0xC0);
    p.fillRect(r, back);
    p.setClipRect(r);
    p.setFont(TextFont());
    p.setPen(Qt::black);
    p.drawText(QPoint(TextX(), r.y() + QFontMetrics(TextFont()).ascent()), m_text);
}
