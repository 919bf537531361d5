#pragma once
// A panel with a caption: status lines, indicators and lamps.
#include <QColor>
#include <QFrame>

enum TPanelBevel { bvNone, bvLowered, bvRaised };

class TPanel : public QFrame {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QColor Color READ Color WRITE SetColor)
    Q_PROPERTY(QColor FontColor READ FontColor WRITE SetFontColor)
public:
    explicit TPanel(QWidget* parent = nullptr);

    QString Caption() const { return m_caption; }
    // Repaints at once: status texts must show during long loops.
    void SetCaption(const QString& s);
    QColor Color() const { return m_color; }
    void SetColor(const QColor& c);
    QColor FontColor() const { return m_fontColor; }
    void SetFontColor(const QColor& c);
    TPanelBevel BevelOuter() const { return m_bevel; }
    void SetBevelOuter(TPanelBevel b);
    Qt::Alignment Alignment() const { return m_alignment; }
    void SetAlignment(Qt::Alignment a);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString m_caption;
    QColor m_color, m_fontColor;
    TPanelBevel m_bevel = bvRaised;
    Qt::Alignment m_alignment = Qt::AlignCenter;
};
