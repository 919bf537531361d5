#include "LayoutDesign.h"
#include "LayoutFile.h"
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <map>

namespace {

// The reader's limits: a saved layout must always read back.
constexpr double MaxCoord = 2000;
// Steps kept for undo; a layout is a few kilobytes.
constexpr size_t MaxUndo = 200;

double Clamp(double v, double lo, double hi) { return std::clamp(std::isfinite(v) ? v : 0.0, lo, hi); }

QRectF Limited(const TLayoutObject& o, QRectF r)
{
    if (o.Kind != TObjectKind::Line) r = r.normalized();
    const double lo = o.Kind == TObjectKind::Line ? -MaxCoord : 0;
    return QRectF(Clamp(r.x(), -MaxCoord, MaxCoord), Clamp(r.y(), -MaxCoord, MaxCoord),
                  Clamp(r.width(), lo, MaxCoord), Clamp(r.height(), lo, MaxCoord));
}

bool IdentChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'~'; }

}   // namespace

TLayoutDesign::TLayoutDesign() : m_layout(EmptyLayout(TLayoutType::Card)), m_saved(m_layout) {}

TLayout TLayoutDesign::EmptyLayout(TLayoutType type)
{
    TLayout l;
    l.Type = type;
    if (type == TLayoutType::List) {
        l.Header.Height = 20;
        l.Footer.Height = 10;
    }
    return l;
}

bool TLayoutDesign::Load(const QString& file, TLayoutType type, QString* error)
{
    TLayout l;
    QString why;
    bool ok = false;
    if (!QFileInfo::exists(file)) why = QStringLiteral("Die Datei gibt es nicht.");
    else if (!LayoutFile::Load(file, l, &why)) ;
    else if (l.Type != type)
        why = type == TLayoutType::List ? QStringLiteral("Die Datei enthält ein Karten-Layout, kein Listen-Layout.")
                                        : QStringLiteral("Die Datei enthält ein Listen-Layout, kein Karten-Layout.");
    else ok = true;
    if (!ok) l = EmptyLayout(type);
    m_layout = l;
    m_saved = l;
    m_undo.clear();
    m_redo.clear();
    m_lastMerge.clear();
    if (error) *error = why;
    return ok;
}

QString TLayoutDesign::Problem() const
{
    if (m_layout.Type == TLayoutType::List && m_layout.Table.Columns.empty())
        return QStringLiteral("Eine Liste braucht mindestens eine Spalte.");
    TLayout check;
    QString why;
    if (!LayoutFile::Parse(LayoutFile::Serialize(m_layout), check, &why)) return why;
    return QString();
}

bool TLayoutDesign::Save(const QString& file, QString* error)
{
    const QString problem = Problem();
    if (!problem.isEmpty()) {
        if (error) *error = problem;
        return false;
    }
    if (!LayoutFile::Save(file, m_layout, error)) return false;
    m_saved = m_layout;
    m_lastMerge.clear();
    return true;
}

// ------------------------------------------------------------------ geometry

QRectF TLayoutDesign::AreaRect(TDesignArea area) const
{
    const QRectF body = m_layout.Page.Body();
    if (m_layout.Type == TLayoutType::Card) return area == TDesignArea::Page ? QRectF(QPointF(0, 0), m_layout.Page.Oriented()) : QRectF();
    switch (area) {
    case TDesignArea::Page: return QRectF(QPointF(0, 0), m_layout.Page.Oriented());
    case TDesignArea::Header: return QRectF(body.left(), body.top(), body.width(), m_layout.Header.Height);
    case TDesignArea::Footer:
        return QRectF(body.left(), body.bottom() - m_layout.Footer.Height, body.width(), m_layout.Footer.Height);
    case TDesignArea::Table:
        return QRectF(body.left(), body.top() + m_layout.Header.Height, body.width(),
                      std::max(0.0, body.height() - m_layout.Header.Height - m_layout.Footer.Height));
    }
    return QRectF();
}

TDesignArea TLayoutDesign::AreaAt(const QPointF& p) const
{
    if (m_layout.Type == TLayoutType::Card) return TDesignArea::Page;
    if (p.y() < AreaRect(TDesignArea::Table).top()) return TDesignArea::Header;
    if (p.y() >= AreaRect(TDesignArea::Footer).top()) return TDesignArea::Footer;
    return TDesignArea::Table;
}

QRectF TLayoutDesign::ColumnRect(int column) const
{
    const QRectF table = AreaRect(TDesignArea::Table);
    double x = table.left();
    for (int i = 0; i < column; ++i) x += m_layout.Table.Columns[size_t(i)].Width;
    return QRectF(x, table.top(), m_layout.Table.Columns.at(size_t(column)).Width, table.height());
}

int TLayoutDesign::ColumnAt(const QPointF& p) const
{
    if (m_layout.Type != TLayoutType::List || AreaAt(p) != TDesignArea::Table) return -1;
    for (int i = 0; i < int(m_layout.Table.Columns.size()); ++i)
        if (ColumnRect(i).contains(p)) return i;
    return -1;
}

bool TLayoutDesign::IsValid(const TDesignItem& item) const
{
    if (item.Index < 0) return false;
    if (m_layout.Type == TLayoutType::Card) return item.Area == TDesignArea::Page && item.Index < int(m_layout.Objects.size());
    if (item.Area == TDesignArea::Page) return false;
    if (item.IsColumn()) return item.Index < int(m_layout.Table.Columns.size());
    return item.Index < int(Objects(item.Area).size());
}

const std::vector<TLayoutObject>& TLayoutDesign::Objects(TDesignArea area) const
{
    switch (area) {
    case TDesignArea::Header: return m_layout.Header.Objects;
    case TDesignArea::Footer: return m_layout.Footer.Objects;
    default: return m_layout.Objects;
    }
}

std::vector<TLayoutObject>& TLayoutDesign::MutableObjects(TDesignArea area)
{
    return const_cast<std::vector<TLayoutObject>&>(Objects(area));
}

const TLayoutObject& TLayoutDesign::Object(const TDesignItem& item) const { return Objects(item.Area).at(size_t(item.Index)); }

TLayoutObject& TLayoutDesign::MutableObject(const TDesignItem& item) { return MutableObjects(item.Area).at(size_t(item.Index)); }

QRectF TLayoutDesign::ItemRect(const TDesignItem& item) const
{
    if (!IsValid(item)) return QRectF();
    if (item.IsColumn()) return ColumnRect(item.Index);
    return Object(item).Rect.translated(Origin(item.Area));
}

TDesignItems TLayoutDesign::AllObjects() const
{
    TDesignItems out;
    const QList<TDesignArea> areas = m_layout.Type == TLayoutType::Card
                                         ? QList<TDesignArea>{TDesignArea::Page}
                                         : QList<TDesignArea>{TDesignArea::Header, TDesignArea::Footer};
    for (TDesignArea a : areas)
        for (int i = 0; i < int(Objects(a).size()); ++i) out.append({a, i});
    return out;
}

double TLayoutDesign::Snap(double mm) const
{
    if (!SnapToGrid || GridMm <= 0) return mm;
    return std::round(mm / GridMm) * GridMm;
}

QString TLayoutDesign::Reference(bool field, const QString& name)
{
    const QString kind = field ? QStringLiteral("Feld") : QStringLiteral("Var");
    const bool plain = !name.isEmpty() && std::all_of(name.begin(), name.end(), IdentChar);
    return plain ? kind + u'.' + name : QStringLiteral("%1[%2]").arg(kind, name);
}

// ------------------------------------------------------------------- changes

void TLayoutDesign::BeginChange(const QString& merge)
{
    m_redo.clear();
    if (!merge.isEmpty() && merge == m_lastMerge && !m_undo.empty()) return;
    m_undo.push_back(m_layout);
    if (m_undo.size() > MaxUndo) m_undo.erase(m_undo.begin());
    m_lastMerge = merge;
}

void TLayoutDesign::Undo()
{
    if (m_undo.empty()) return;
    m_redo.push_back(std::move(m_layout));
    m_layout = std::move(m_undo.back());
    m_undo.pop_back();
    m_lastMerge.clear();
}

void TLayoutDesign::Redo()
{
    if (m_redo.empty()) return;
    m_undo.push_back(std::move(m_layout));
    m_layout = std::move(m_redo.back());
    m_redo.pop_back();
    m_lastMerge.clear();
}

TDesignItem TLayoutDesign::Insert(TDesignArea area, const TLayoutObject& object, const QString& merge)
{
    if (m_layout.Type == TLayoutType::Card || area == TDesignArea::Table || area == TDesignArea::Page)
        area = m_layout.Type == TLayoutType::Card ? TDesignArea::Page : TDesignArea::Header;
    BeginChange(merge);
    TLayoutObject o = object;
    o.Rect = Limited(o, o.Rect);
    MutableObjects(area).push_back(o);
    return {area, int(Objects(area).size()) - 1};
}

void TLayoutDesign::Remove(const TDesignItems& items)
{
    TDesignItems sorted;
    for (const TDesignItem& i : items)
        if (IsValid(i) && !sorted.contains(i)) sorted.append(i);
    if (sorted.isEmpty()) return;
    // From the back, so the indexes still to remove stay right.
    std::sort(sorted.begin(), sorted.end(), [](const TDesignItem& a, const TDesignItem& b) { return a.Index > b.Index; });
    BeginChange(QString());
    for (const TDesignItem& i : sorted) {
        if (i.IsColumn()) m_layout.Table.Columns.erase(m_layout.Table.Columns.begin() + i.Index);
        else MutableObjects(i.Area).erase(MutableObjects(i.Area).begin() + i.Index);
    }
}

void TLayoutDesign::SetRects(const TDesignItems& items, const QList<QRectF>& pageRects, const QString& merge)
{
    bool begun = false;
    for (qsizetype k = 0; k < items.size() && k < pageRects.size(); ++k) {
        const TDesignItem& i = items[k];
        if (!IsValid(i)) continue;
        if (!begun) BeginChange(merge);
        begun = true;
        if (i.IsColumn()) {
            m_layout.Table.Columns[size_t(i.Index)].Width = Clamp(pageRects[k].width(), 1, MaxCoord);
            continue;
        }
        TLayoutObject& o = MutableObject(i);
        o.Rect = Limited(o, pageRects[k].translated(-Origin(i.Area)));
    }
}

void TLayoutDesign::MoveBy(const TDesignItems& items, const QPointF& delta, const QString& merge)
{
    TDesignItems objects;
    QList<QRectF> rects;
    for (const TDesignItem& i : items)
        if (IsValid(i) && !i.IsColumn()) {
            objects.append(i);
            rects.append(ItemRect(i).translated(delta));
        }
    SetRects(objects, rects, merge);
}

void TLayoutDesign::SetObject(const TDesignItem& item, const TLayoutObject& object, const QString& merge)
{
    if (!IsValid(item) || item.IsColumn()) return;
    if (Object(item) == object) return;
    BeginChange(merge);
    TLayoutObject o = object;
    o.Rect = Limited(o, o.Rect);
    MutableObject(item) = o;
}

TDesignItems TLayoutDesign::Reorder(const TDesignItems& items, bool front)
{
    TDesignItems out;
    std::map<TDesignArea, std::vector<int>> byArea;
    for (const TDesignItem& i : items)
        if (IsValid(i) && !i.IsColumn()) byArea[i.Area].push_back(i.Index);
    if (byArea.empty()) return items;
    BeginChange(QString());
    for (auto& [area, indexes] : byArea) {
        std::sort(indexes.begin(), indexes.end());
        indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
        std::vector<TLayoutObject>& list = MutableObjects(area);
        std::vector<TLayoutObject> moved, rest;
        for (int i = 0; i < int(list.size()); ++i)
            (std::binary_search(indexes.begin(), indexes.end(), i) ? moved : rest).push_back(list[size_t(i)]);
        // The chosen objects keep their order among themselves.
        const int first = front ? int(rest.size()) : 0;
        list = front ? rest : moved;
        list.insert(list.end(), front ? moved.begin() : rest.begin(), front ? moved.end() : rest.end());
        for (int k = 0; k < int(moved.size()); ++k) out.append({area, first + k});
    }
    for (const TDesignItem& i : items)
        if (i.IsColumn()) out.append(i);
    return out;
}

TDesignItems TLayoutDesign::BringToFront(const TDesignItems& items) { return Reorder(items, true); }

TDesignItems TLayoutDesign::SendToBack(const TDesignItems& items) { return Reorder(items, false); }

int TLayoutDesign::InsertColumn(int at, const TLayoutColumn& column)
{
    std::vector<TLayoutColumn>& cols = m_layout.Table.Columns;
    at = std::clamp(at, 0, int(cols.size()));
    BeginChange(QString());
    TLayoutColumn c = column;
    c.Width = Clamp(c.Width, 1, MaxCoord);
    cols.insert(cols.begin() + at, c);
    return at;
}

void TLayoutDesign::SetColumn(int column, const TLayoutColumn& value, const QString& merge)
{
    if (!IsValid({TDesignArea::Table, column}) || Column(column) == value) return;
    BeginChange(merge);
    TLayoutColumn c = value;
    c.Width = Clamp(c.Width, 1, MaxCoord);
    m_layout.Table.Columns[size_t(column)] = c;
}

int TLayoutDesign::ShiftColumn(int column, int step, const QString& merge)
{
    const int to = column + step;
    if (!IsValid({TDesignArea::Table, column}) || !IsValid({TDesignArea::Table, to})) return column;
    BeginChange(merge);
    std::swap(m_layout.Table.Columns[size_t(column)], m_layout.Table.Columns[size_t(to)]);
    return to;
}

void TLayoutDesign::SetTable(const TLayoutTable& table, const QString& merge)
{
    if (m_layout.Table == table) return;
    BeginChange(merge);
    m_layout.Table = table;
}

void TLayoutDesign::SetAreaHeight(TDesignArea area, double height, const QString& merge)
{
    if (m_layout.Type != TLayoutType::List || (area != TDesignArea::Header && area != TDesignArea::Footer)) return;
    TLayoutArea& a = area == TDesignArea::Header ? m_layout.Header : m_layout.Footer;
    const double h = Clamp(height, 0, MaxCoord);
    if (a.Height == h) return;
    BeginChange(merge);
    a.Height = h;
}

void TLayoutDesign::SetPage(const TPageSetup& page, const QString& title, const QString& merge)
{
    if (m_layout.Page == page && m_layout.Title == title) return;
    BeginChange(merge);
    m_layout.Page = page;
    m_layout.Title = title;
}

// ----------------------------------------------------------------- clipboard

QByteArray TLayoutDesign::Copy(const TDesignItems& items) const
{
    std::vector<TLayoutObject> objects;
    for (const TDesignItem& i : items) {
        if (!IsValid(i) || i.IsColumn()) continue;
        TLayoutObject o = Object(i);
        o.Rect = ItemRect(i);
        objects.push_back(o);
    }
    if (objects.empty()) return QByteArray();
    return LayoutFile::SerializeObjects(objects);
}

TDesignItems TLayoutDesign::Paste(const QByteArray& data, TDesignArea area, const QPointF& offset)
{
    std::vector<TLayoutObject> objects;
    if (data.isEmpty() || !LayoutFile::ParseObjects(data, objects) || objects.empty()) return {};
    if (m_layout.Type == TLayoutType::Card) area = TDesignArea::Page;
    else if (area != TDesignArea::Footer) area = TDesignArea::Header;
    BeginChange(QString());
    TDesignItems out;
    const QPointF origin = Origin(area);
    for (TLayoutObject& o : objects) {
        o.Rect = Limited(o, o.Rect.translated(offset - origin));
        MutableObjects(area).push_back(o);
        out.append({area, int(Objects(area).size()) - 1});
    }
    return out;
}
