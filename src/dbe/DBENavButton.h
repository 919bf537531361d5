#pragma once
// The buttons of the navigator bar: speed buttons that take no focus (the
// extender serves the focused data control), show a glyph strip
// (up, disabled, pressed, held down) and may auto-repeat while held.
#include "DBENavigateBtn.h"
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <functional>

class QTimer;

// The glyph strip of a resource name ("DBE_SEARCH", any letter case) with
// numGlyphs pictures side by side; null when the program has no such glyph.
QPixmap DBEGlyphStrip(const QString& resourceName, int numGlyphs);
// Size of one picture of the named glyph (its drawing's own size).
QSize DBEGlyphSize(const QString& resourceName);
// The greyed picture shown for a disabled button without a glyph of its own.
QPixmap DBEDisabledGlyph(const QPixmap& glyph);

class TDBENavButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool Down READ Down WRITE SetDown)
    Q_PROPERTY(bool Flat READ Flat WRITE SetFlat)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
public:
    explicit TDBENavButton(QWidget* parent = nullptr);
    ~TDBENavButton() override;

    TDBENavigateBtn Index() const { return m_index; }
    void SetIndex(TDBENavigateBtn i) { m_index = i; }
    bool AutoRepeat() const { return m_autoRepeat; }
    void SetAutoRepeat(bool on) { m_autoRepeat = on; }

    QPixmap Glyph() const { return m_glyph; }
    void SetGlyph(const QPixmap& strip);
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int n);

    bool Flat() const { return m_flat; }
    void SetFlat(bool on);
    // A button with a group index toggles: Down stays until the next click
    // (AllowAllUp) or until another button of its group goes down.
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int g) { m_groupIndex = g; }
    bool AllowAllUp() const { return m_allowAllUp; }
    void SetAllowAllUp(bool on) { m_allowAllUp = on; }
    bool Down() const { return m_down; }
    void SetDown(bool on);

    QMenu* PopupMenu() const { return m_popup; }
    void SetPopupMenu(QMenu* menu) { m_popup = menu; }
    // "short|long": the short part is the tooltip, the long one the status tip.
    QString Hint() const { return m_hint; }
    void SetHint(const QString& hint);
    // Whether the tooltip is shown at all (the bar's ShowHint).
    std::function<bool()> ShowHintQuery;

    // Raised for every click, after a toggle changed Down.
    std::function<void(TDBENavButton*)> OnClick;
    // What a click does: toggles and raises OnClick.
    virtual void Click();

    // Shown pressed: the mouse went down on the button and is over it.
    bool Pressed() const { return m_pressed && m_underMouse; }
    bool HoldsMouse() const { return m_pressed; }
    // The repeat timer, made on the first press of an auto-repeating button.
    QTimer* RepeatTimer() const { return m_repeatTimer; }
    // What the repeat timer does when it fires.
    void RepeatTimerExpired();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool event(QEvent* e) override;
    // Frame and glyph as every button of the bar shows them.
    void PaintButton(QPainter& p);

private:
    TDBENavigateBtn m_index = nbSearch;
    bool m_autoRepeat = false;
    QPixmap m_glyph;
    int m_numGlyphs = 1;
    bool m_flat = false;
    int m_groupIndex = 0;
    bool m_allowAllUp = false;
    bool m_down = false;
    bool m_pressed = false, m_underMouse = false, m_hover = false;
    QPointer<QMenu> m_popup;
    QString m_hint;
    QTimer* m_repeatTimer = nullptr;
};

// The incremental-search box that can stand in for the incremental-search
// button: shows the text typed so far, its end when it is too long.
class TDBENavIncSrch : public TDBENavButton {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
public:
    explicit TDBENavIncSrch(QWidget* parent = nullptr);
    QString Text() const { return m_text; }
    void SetText(const QString& s);

    // Where the text goes: its rectangle (right edge exclusive) and the x
    // it is drawn at.
    QRect TextRect() const;
    int TextX() const;
    static QFont TextFont();

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString m_text;
};
