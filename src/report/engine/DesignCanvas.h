#pragma once
// The designer's page: the layout drawn to scale with its margins, bands,
// grid and table, and the mouse and keys that select, place, move and size
// its objects. Changes go to the TLayoutDesign; the window is told.
#include "LayoutDesign.h"
#include <QWidget>
#include <functional>
#include <optional>

class TDesignCanvas : public QWidget {
public:
    TDesignCanvas(TLayoutDesign& design, QWidget* parent);

    // Millimetres to pixels: the zoom factor (1 = real size on the screen).
    void SetZoom(double zoom);
    double Zoom() const { return m_zoom; }
    void SetShowGrid(bool on);
    bool ShowGrid() const { return m_showGrid; }
    // Texts show what they print with the job's present values instead of their placeholders.
    void SetShowContents(bool on);
    std::function<QString(bool field, const QString& name)> Values;

    const TDesignItems& Selection() const { return m_selection; }
    // The band clicked last where there is no object (header, footer, table; page for a card).
    TDesignArea CurrentArea() const { return m_area; }
    void Select(const TDesignItems& items, std::optional<TDesignArea> area = std::nullopt);
    // The next click or drag places an object of this kind; none ends it.
    void BeginInsert(std::optional<TObjectKind> kind);
    std::optional<TObjectKind> Inserting() const { return m_insert; }

    // After the design changed: selected items that went away are dropped, the page redrawn.
    void Refresh();

    QPointF ToPage(const QPointF& widgetPos) const;
    QPointF ToWidget(const QPointF& pagePos) const;
    QSize sizeHint() const override;

    // Told after the canvas changed the design or the selection.
    std::function<void()> OnChanged;
    std::function<void()> OnSelectionChanged;
    // An object of `kind` is to be placed at this page rectangle in `area`.
    std::function<void(TObjectKind kind, TDesignArea area, const QRectF& rect)> OnInsert;
    // A placeholder dropped on the page (mime data of the field list).
    std::function<void(const QString& reference, const QString& name, const QPointF& pagePos)> OnDropReference;
    std::function<void(const TDesignItem& item)> OnDoubleClick;
    std::function<void(const QPointF& pagePos)> OnMouseAt;

    static const QString MimeType;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void keyReleaseEvent(QKeyEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void dragEnterEvent(QDragEnterEvent*) override;
    void dragMoveEvent(QDragMoveEvent*) override;
    void dropEvent(QDropEvent*) override;

private:
    enum class TDrag { None, Move, Resize, Band, Insert };
    double Scale() const;      // pixels per millimetre
    QRectF ToWidget(const QRectF& pageRect) const;
    std::optional<TDesignItem> ItemAt(const QPointF& pagePos) const;
    // Handle 0..7 (corners and sides, clockwise from top-left) of the single selection under the point, or -1.
    int HandleAt(const QPointF& widgetPos) const;
    QList<QRectF> Handles(const TDesignItem& item) const;
    QRectF Resized(const QRectF& r, int handle, const QPointF& pagePos) const;
    void Nudge(int dx, int dy, Qt::KeyboardModifiers mods);
    void DrawObject(QPainter& p, const TLayoutObject& o, const QPointF& origin) const;
    void DrawTable(QPainter& p) const;
    QString Shown(const QString& templ) const;
    QFont ScreenFont(const TFontSpec& spec) const;
    double LineMm(const TFontSpec& spec) const;
    QRectF Visible(const TLayoutObject& o, const QPointF& origin) const;
    void Changed();

    TLayoutDesign& m_design;
    double m_zoom = 1;
    bool m_showGrid = true;
    bool m_showContents = false;
    TDesignItems m_selection;
    TDesignArea m_area = TDesignArea::Page;
    std::optional<TObjectKind> m_insert;
    TDrag m_drag = TDrag::None;
    int m_handle = -1;
    QPointF m_pressPage;
    QPointF m_lastPage;
    QList<QRectF> m_startRects;
    QString m_mergeKey;
    int m_gesture = 0;
};
