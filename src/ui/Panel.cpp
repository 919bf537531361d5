#include "Panel.h"
#include <QAccessibleWidget>
#include <QPainter>

namespace {

// A panel is read as its caption; what it is for is its hint.
class TPanelAccessible : public QAccessibleWidget {
public:
    explicit TPanelAccessible(TPanel* p) : QAccessibleWidget(p, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override
    {
        const auto* p = static_cast<const TPanel*>(widget());
        if (t == QAccessible::Name && !p->Caption().isEmpty()) return p->Caption();
        if (t == QAccessible::Name || t == QAccessible::Description) return p->toolTip();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* PanelAccessibleFactory(const QString& className, QObject* object)
{
    if (auto* p = qobject_cast<TPanel*>(object))
        if (className == QLatin1String(p->metaObject()->className())) return new TPanelAccessible(p);
    return nullptr;
}

}   // namespace

TPanel::TPanel(QWidget* parent) : QFrame(parent)
{
    static const bool accessible = (QAccessible::installFactory(PanelAccessibleFactory), true);
    Q_UNUSED(accessible);
    SetBevelOuter(bvRaised);
}

void TPanel::SetCaption(const QString& s)
{
    if (m_caption == s) return;
    m_caption = s;
    if (isVisible()) repaint();
    QAccessibleEvent ev(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&ev);
}

void TPanel::SetColor(const QColor& c)
{
    m_color = c;
    QPalette p = palette();
    if (c.isValid()) p.setColor(QPalette::Window, c);
    else p.setColor(QPalette::Window, QPalette().color(QPalette::Window));
    setPalette(p);
    setAutoFillBackground(c.isValid());
    update();
}

void TPanel::SetFontColor(const QColor& c)
{
    m_fontColor = c;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, c.isValid() ? c : QPalette().color(QPalette::WindowText));
    setPalette(p);
    update();
}

void TPanel::SetBevelOuter(TPanelBevel b)
{
    m_bevel = b;
    switch (b) {
    case bvNone: setFrameStyle(QFrame::NoFrame); break;
    case bvLowered: setFrameStyle(QFrame::Panel | QFrame::Sunken); break;
    case bvRaised: setFrameStyle(QFrame::Panel | QFrame::Raised); break;
    }
    update();
}

void TPanel::SetAlignment(Qt::Alignment a)
{
    m_alignment = a;
    update();
}

QSize TPanel::sizeHint() const
{
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(m_caption) + 2 * frameWidth() + 8, fm.height() + 2 * frameWidth() + 4);
}

void TPanel::paintEvent(QPaintEvent* e)
{
    QFrame::paintEvent(e);
    if (m_caption.isEmpty()) return;
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(contentsRect().adjusted(3, 0, -3, 0), int(m_alignment), m_caption);
}
