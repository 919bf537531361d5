#pragma once
// What the layout designer does to a layout, without any widget: objects
// placed, moved, changed, copied and ordered, columns of a list, undo and
// redo, loading with a fallback and saving. The window only shows it.
#include "Layout.h"
#include <QByteArray>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <vector>

// Where an object lives: the card's page, or a list's header or footer band.
// Table columns are addressed as their own kind of item.
enum class TDesignArea { Page, Header, Footer, Table };

struct TDesignItem {
    TDesignArea Area = TDesignArea::Page;
    int Index = -1;            // object in its area, or column of the table
    bool IsColumn() const { return Area == TDesignArea::Table; }
    bool operator==(const TDesignItem&) const = default;
};
using TDesignItems = QList<TDesignItem>;

class TLayoutDesign {
public:
    TLayoutDesign();

    // The page a new layout of this type starts with.
    static TLayout EmptyLayout(TLayoutType type);
    // Reads `file`; when it is missing, damaged or of the other type, the
    // design starts with an empty page of `type` and `error` says why.
    bool Load(const QString& file, TLayoutType type, QString* error = nullptr);
    // Checks the layout as the reader would, then writes it through a
    // temporary file. On success the design counts as unchanged.
    bool Save(const QString& file, QString* error = nullptr);
    // The reason a save would be refused, or "".
    QString Problem() const;

    const TLayout& Layout() const { return m_layout; }
    bool Modified() const { return m_layout != m_saved; }

    // Geometry in page millimetres.
    QRectF AreaRect(TDesignArea area) const;
    QPointF Origin(TDesignArea area) const { return AreaRect(area).topLeft(); }
    // The band under a page point: header, table or footer of a list; the page of a card.
    TDesignArea AreaAt(const QPointF& p) const;
    // A column's place in the table band.
    QRectF ColumnRect(int column) const;
    // The column under a page point, or -1.
    int ColumnAt(const QPointF& p) const;
    // An item's box on the page (a line's from-to rectangle, not normalised).
    QRectF ItemRect(const TDesignItem& item) const;
    bool IsValid(const TDesignItem& item) const;
    const TLayoutObject& Object(const TDesignItem& item) const;
    const std::vector<TLayoutObject>& Objects(TDesignArea area) const;
    const TLayoutColumn& Column(int column) const { return m_layout.Table.Columns.at(size_t(column)); }
    // Every object, bottom first, as drawn.
    TDesignItems AllObjects() const;

    // Snapping to the grid, page coordinates.
    double GridMm = 2.5;
    bool SnapToGrid = true;
    double Snap(double mm) const;
    QPointF Snap(const QPointF& p) const { return {Snap(p.x()), Snap(p.y())}; }

    // Every change below is one undo step. Changes given the same non-empty
    // `merge` key one after another make one step together (a drag, a run of
    // arrow keys, typing in one property box).
    TDesignItem Insert(TDesignArea area, const TLayoutObject& object, const QString& merge = QString());
    void Remove(const TDesignItems& items);
    // Places items at page rectangles (a line: from top-left to bottom-right).
    void SetRects(const TDesignItems& items, const QList<QRectF>& pageRects, const QString& merge = QString());
    void MoveBy(const TDesignItems& items, const QPointF& delta, const QString& merge = QString());
    void SetObject(const TDesignItem& item, const TLayoutObject& object, const QString& merge = QString());
    // Top of the drawing order, or bottom; answers the items' new places.
    TDesignItems BringToFront(const TDesignItems& items);
    TDesignItems SendToBack(const TDesignItems& items);

    int InsertColumn(int at, const TLayoutColumn& column);
    void SetColumn(int column, const TLayoutColumn& value, const QString& merge = QString());
    // Moves a column one place to the left (-1) or right (+1); answers its new index.
    int ShiftColumn(int column, int step, const QString& merge = QString());
    void SetTable(const TLayoutTable& table, const QString& merge = QString());
    void SetAreaHeight(TDesignArea area, double height, const QString& merge = QString());
    void SetPage(const TPageSetup& page, const QString& title, const QString& merge = QString());

    // Objects for the clipboard, in page coordinates; columns are not copied.
    QByteArray Copy(const TDesignItems& items) const;
    // Pastes into `area`, moved by `offset`; nothing when the data is no objects.
    TDesignItems Paste(const QByteArray& data, TDesignArea area, const QPointF& offset);

    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }
    void Undo();
    void Redo();

    // The placeholder expression for a field or variable name.
    static QString Reference(bool field, const QString& name);

private:
    std::vector<TLayoutObject>& MutableObjects(TDesignArea area);
    TLayoutObject& MutableObject(const TDesignItem& item);
    void BeginChange(const QString& merge);
    TDesignItems Reorder(const TDesignItems& items, bool front);

    TLayout m_layout;
    TLayout m_saved;
    std::vector<TLayout> m_undo;
    std::vector<TLayout> m_redo;
    QString m_lastMerge;
};
