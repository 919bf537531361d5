#include "LayoutFile.h"
#include "Expr.h"
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cmath>

namespace {

constexpr double MaxCoord = 2000;      // mm: far beyond any paper
constexpr int MaxText = 65536;
constexpr int MaxObjects = 500;
constexpr int MaxColumns = 64;
const QString FormatName = QStringLiteral("TARVOS-Report");
constexpr int FormatVersion = 1;
const QString ObjectsFormatName = QStringLiteral("TARVOS-Report-Objekte");

struct TPaper { const char* name; double w, h; };
constexpr TPaper Papers[] = {{"A3", 297, 420}, {"A4", 210, 297}, {"A5", 148, 210}, {"Letter", 215.9, 279.4},
                             {"Legal", 215.9, 355.6}};

// Reads one JSON object; the first fault stops everything and names its place.
class TReader {
public:
    QString error;
    bool Failed() const { return !error.isEmpty(); }

    void Fail(const QString& path, const QString& why)
    {
        if (error.isEmpty()) error = path.isEmpty() ? why : QStringLiteral("%1: %2").arg(path, why);
    }

    double Number(const QJsonObject& o, const char* key, const QString& path, double def, double lo, double hi)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull()) return def;
        const QString at = Join(path, key);
        if (!v.isDouble()) {
            Fail(at, QStringLiteral("Zahl erwartet"));
            return def;
        }
        const double d = v.toDouble();
        if (!std::isfinite(d) || d < lo || d > hi) {
            Fail(at, QStringLiteral("Wert %1 außerhalb von %2 bis %3").arg(d).arg(lo).arg(hi));
            return def;
        }
        return d;
    }
    bool Bool(const QJsonObject& o, const char* key, const QString& path, bool def)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull()) return def;
        if (!v.isBool()) {
            Fail(Join(path, key), QStringLiteral("true oder false erwartet"));
            return def;
        }
        return v.toBool();
    }
    QString Text(const QJsonObject& o, const char* key, const QString& path, const QString& def = QString(),
                 int maxLen = MaxText)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull()) return def;
        if (!v.isString()) {
            Fail(Join(path, key), QStringLiteral("Text erwartet"));
            return def;
        }
        QString s = v.toString();
        if (s.size() > maxLen) {
            Fail(Join(path, key), QStringLiteral("Text länger als %1 Zeichen").arg(maxLen));
            return def;
        }
        return s;
    }
    QJsonObject Object(const QJsonObject& o, const char* key, const QString& path)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull()) return {};
        if (!v.isObject()) Fail(Join(path, key), QStringLiteral("Objekt erwartet"));
        return v.toObject();
    }
    QJsonArray Array(const QJsonObject& o, const char* key, const QString& path, int maxCount)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull()) return {};
        if (!v.isArray()) {
            Fail(Join(path, key), QStringLiteral("Liste erwartet"));
            return {};
        }
        const QJsonArray a = v.toArray();
        if (a.size() > maxCount) {
            Fail(Join(path, key), QStringLiteral("mehr als %1 Einträge").arg(maxCount));
            return {};
        }
        return a;
    }
    template <typename E, size_t N>
    E Choice(const QJsonObject& o, const char* key, const QString& path, E def,
             const std::pair<const char*, E> (&names)[N])
    {
        const QString s = Text(o, key, path, QString(), 32);
        if (s.isEmpty()) return def;
        for (const auto& [name, value] : names)
            if (s.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return value;
        Fail(Join(path, key), QStringLiteral("unbekannter Wert '%1'").arg(s));
        return def;
    }
    QColor Color(const QJsonObject& o, const char* key, const QString& path, const QColor& def)
    {
        const QString s = Text(o, key, path, QString(), 32);
        if (s.isEmpty()) return def;
        const QColor c(s);
        if (!c.isValid()) Fail(Join(path, key), QStringLiteral("keine Farbe: '%1'").arg(s));
        return c;
    }

    static QString Join(const QString& path, const char* key)
    {
        return path.isEmpty() ? QString::fromLatin1(key) : path + u'.' + QLatin1String(key);
    }
    static QString Index(const QString& path, const char* key, qsizetype i)
    {
        return QStringLiteral("%1[%2]").arg(Join(path, key)).arg(i);
    }
};

const std::pair<const char*, THAlign> HAligns[] = {
    {"left", THAlign::Left}, {"center", THAlign::Center}, {"right", THAlign::Right}};
const std::pair<const char*, TVAlign> VAligns[] = {
    {"top", TVAlign::Top}, {"middle", TVAlign::Middle}, {"bottom", TVAlign::Bottom}};
const std::pair<const char*, TObjectKind> Kinds[] = {{"text", TObjectKind::Text},
                                                     {"line", TObjectKind::Line},
                                                     {"rect", TObjectKind::Rect},
                                                     {"picture", TObjectKind::Picture}};
const std::pair<const char*, TLayoutType> Types[] = {{"list", TLayoutType::List}, {"card", TLayoutType::Card}};

TFontSpec ReadFont(TReader& r, const QJsonObject& parent, const char* key, const QString& path, const TFontSpec& def)
{
    const QJsonObject o = r.Object(parent, key, path);
    if (o.isEmpty()) return def;
    const QString at = TReader::Join(path, key);
    TFontSpec f;
    f.Family = r.Text(o, "family", at, def.Family, 100);
    f.Size = r.Number(o, "size", at, def.Size, 1, 200);
    f.Bold = r.Bool(o, "bold", at, def.Bold);
    f.Italic = r.Bool(o, "italic", at, def.Italic);
    return f;
}

TLayoutObject ReadObject(TReader& r, const QJsonValue& v, const QString& at)
{
    TLayoutObject obj;
    if (!v.isObject()) {
        r.Fail(at, QStringLiteral("Objekt erwartet"));
        return obj;
    }
    const QJsonObject o = v.toObject();
    if (!o.contains(QLatin1String("type"))) {
        r.Fail(at, QStringLiteral("\"type\" fehlt"));
        return obj;
    }
    obj.Kind = r.Choice(o, "type", at, TObjectKind::Text, Kinds);
    const bool line = obj.Kind == TObjectKind::Line;
    const double x = r.Number(o, "x", at, 0, -MaxCoord, MaxCoord);
    const double y = r.Number(o, "y", at, 0, -MaxCoord, MaxCoord);
    const double w = r.Number(o, "width", at, 0, line ? -MaxCoord : 0, MaxCoord);
    const double h = r.Number(o, "height", at, 0, line ? -MaxCoord : 0, MaxCoord);
    obj.Rect = QRectF(x, y, w, h);
    switch (obj.Kind) {
    case TObjectKind::Text:
        obj.Text = r.Text(o, "text", at);
        obj.Font = ReadFont(r, o, "font", at, obj.Font);
        obj.Align = r.Choice(o, "align", at, THAlign::Left, HAligns);
        obj.VAlign = r.Choice(o, "valign", at, TVAlign::Top, VAligns);
        obj.Wrap = r.Bool(o, "wrap", at, false);
        obj.Color = r.Color(o, "color", at, Qt::black);
        break;
    case TObjectKind::Line:
    case TObjectKind::Rect:
        obj.LineWidth = r.Number(o, "lineWidth", at, 0.2, 0, 20);
        obj.Color = r.Color(o, "color", at, Qt::black);
        if (!line) obj.Fill = r.Color(o, "fill", at, QColor());
        break;
    case TObjectKind::Picture:
        obj.Text = r.Text(o, "file", at, QString(), 1024);
        obj.KeepAspect = r.Bool(o, "keepAspect", at, true);
        break;
    }
    return obj;
}

std::vector<TLayoutObject> ReadObjects(TReader& r, const QJsonObject& parent, const QString& path)
{
    std::vector<TLayoutObject> out;
    const QJsonArray a = r.Array(parent, "objects", path, MaxObjects);
    for (qsizetype i = 0; i < a.size() && !r.Failed(); ++i) out.push_back(ReadObject(r, a[i], TReader::Index(path, "objects", i)));
    return out;
}

TLayoutArea ReadArea(TReader& r, const QJsonObject& parent, const char* key)
{
    TLayoutArea area;
    const QJsonObject o = r.Object(parent, key, QString());
    if (o.isEmpty()) return area;
    const QString at = QString::fromLatin1(key);
    area.Height = r.Number(o, "height", at, 0, 0, MaxCoord);
    area.Objects = ReadObjects(r, o, at);
    return area;
}

TLayoutTable ReadTable(TReader& r, const QJsonObject& root)
{
    TLayoutTable t;
    const QJsonObject o = r.Object(root, "table", QString());
    const QString at = QStringLiteral("table");
    t.Font = ReadFont(r, o, "font", at, t.Font);
    t.HeaderFont = ReadFont(r, o, "headerFont", at, t.HeaderFont);
    t.FooterFont = ReadFont(r, o, "footerFont", at, t.FooterFont);
    t.LineHeight = r.Number(o, "lineHeight", at, t.LineHeight, 1, 500);
    t.Padding = r.Number(o, "padding", at, t.Padding, 0, 50);
    t.HeaderRule = r.Number(o, "headerRule", at, t.HeaderRule, 0, 20);
    t.RowRule = r.Number(o, "rowRule", at, t.RowRule, 0, 20);
    t.FooterRule = r.Number(o, "footerRule", at, t.FooterRule, 0, 20);
    t.Filter = r.Text(o, "filter", at, QString(), TExpr::MaxLength);
    const QJsonArray cols = r.Array(o, "columns", at, MaxColumns);
    for (qsizetype i = 0; i < cols.size() && !r.Failed(); ++i) {
        const QString cat = TReader::Index(at, "columns", i);
        if (!cols[i].isObject()) {
            r.Fail(cat, QStringLiteral("Objekt erwartet"));
            break;
        }
        const QJsonObject c = cols[i].toObject();
        TLayoutColumn col;
        col.Title = r.Text(c, "title", cat, QString(), 1024);
        col.Value = r.Text(c, "value", cat, QString(), TExpr::MaxLength);
        col.Width = r.Number(c, "width", cat, col.Width, 1, MaxCoord);
        col.Align = r.Choice(c, "align", cat, THAlign::Left, HAligns);
        col.NumberFormat = r.Text(c, "numberFormat", cat, QString(), 64);
        col.DateFormat = r.Text(c, "dateFormat", cat, QString(), 64);
        col.BlankZero = r.Bool(c, "blankZero", cat, false);
        col.Wrap = r.Bool(c, "wrap", cat, true);
        col.Footer = r.Text(c, "footer", cat, QString(), TExpr::MaxLength);
        t.Columns.push_back(col);
    }
    return t;
}

QJsonObject WriteFont(const TFontSpec& f)
{
    QJsonObject o{{QStringLiteral("family"), f.Family}, {QStringLiteral("size"), f.Size}};
    if (f.Bold) o.insert(QStringLiteral("bold"), true);
    if (f.Italic) o.insert(QStringLiteral("italic"), true);
    return o;
}

template <typename E, size_t N>
QString NameOf(E value, const std::pair<const char*, E> (&names)[N])
{
    for (const auto& [name, v] : names)
        if (v == value) return QString::fromLatin1(name);
    return QString();
}

QString ColorText(const QColor& c)
{
    return c.name(c.alpha() == 255 ? QColor::HexRgb : QColor::HexArgb);
}

QJsonObject WriteObject(const TLayoutObject& obj)
{
    QJsonObject o{{QStringLiteral("type"), NameOf(obj.Kind, Kinds)},
                  {QStringLiteral("x"), obj.Rect.x()},
                  {QStringLiteral("y"), obj.Rect.y()},
                  {QStringLiteral("width"), obj.Rect.width()},
                  {QStringLiteral("height"), obj.Rect.height()}};
    switch (obj.Kind) {
    case TObjectKind::Text:
        o.insert(QStringLiteral("text"), obj.Text);
        o.insert(QStringLiteral("font"), WriteFont(obj.Font));
        if (obj.Align != THAlign::Left) o.insert(QStringLiteral("align"), NameOf(obj.Align, HAligns));
        if (obj.VAlign != TVAlign::Top) o.insert(QStringLiteral("valign"), NameOf(obj.VAlign, VAligns));
        if (obj.Wrap) o.insert(QStringLiteral("wrap"), true);
        if (obj.Color != QColor(Qt::black)) o.insert(QStringLiteral("color"), ColorText(obj.Color));
        break;
    case TObjectKind::Line:
    case TObjectKind::Rect:
        o.insert(QStringLiteral("lineWidth"), obj.LineWidth);
        if (obj.Color != QColor(Qt::black)) o.insert(QStringLiteral("color"), ColorText(obj.Color));
        if (obj.Kind == TObjectKind::Rect && obj.Fill.isValid()) o.insert(QStringLiteral("fill"), ColorText(obj.Fill));
        break;
    case TObjectKind::Picture:
        o.insert(QStringLiteral("file"), obj.Text);
        if (!obj.KeepAspect) o.insert(QStringLiteral("keepAspect"), false);
        break;
    }
    return o;
}

QJsonArray WriteObjects(const std::vector<TLayoutObject>& objects)
{
    QJsonArray a;
    for (const TLayoutObject& obj : objects) a.append(WriteObject(obj));
    return a;
}

QJsonObject WriteArea(const TLayoutArea& area)
{
    return {{QStringLiteral("height"), area.Height}, {QStringLiteral("objects"), WriteObjects(area.Objects)}};
}

bool CheckTemplate(const QString& text, const QString& at, QString* error)
{
    TTextTemplate t;
    QString why;
    if (t.Parse(text, &why)) return true;
    if (error) *error = QStringLiteral("%1: %2").arg(at, why);
    return false;
}

bool CheckExpr(const QString& text, const QString& at, QString* error)
{
    TExpr e;
    QString why;
    if (e.Parse(text, &why)) return true;
    if (error) *error = QStringLiteral("%1: %2").arg(at, why);
    return false;
}

bool CheckObjects(const std::vector<TLayoutObject>& objects, const QString& path, QString* error)
{
    for (size_t i = 0; i < objects.size(); ++i) {
        const TLayoutObject& o = objects[i];
        if (o.Kind != TObjectKind::Text && o.Kind != TObjectKind::Picture) continue;
        if (!CheckTemplate(o.Text, QStringLiteral("%1[%2]").arg(path).arg(i), error)) return false;
    }
    return true;
}

void CollectTemplate(const QString& text, TLayoutNames& names)
{
    TTextTemplate t;
    if (t.Parse(text)) t.CollectNames(names.Fields, names.Variables);
}

void CollectExpr(const QString& text, TLayoutNames& names)
{
    TExpr e;
    if (e.Parse(text)) e.CollectNames(names.Fields, names.Variables);
}

}   // namespace

namespace LayoutFile {

bool Parse(const QByteArray& data, TLayout& layout, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (data.size() > MaxFileSize) return fail(QStringLiteral("Datei größer als %1 Bytes").arg(MaxFileSize));
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &pe);
    if (pe.error != QJsonParseError::NoError)
        return fail(QStringLiteral("kein gültiges JSON an Stelle %1: %2").arg(pe.offset).arg(pe.errorString()));
    if (!doc.isObject()) return fail(QStringLiteral("kein Layout (Objekt erwartet)"));
    const QJsonObject root = doc.object();

    TReader r;
    if (r.Text(root, "format", QString(), QString(), 64) != FormatName)
        return fail(QStringLiteral("kein Layout (\"format\": \"%1\" fehlt)").arg(FormatName));
    const double version = r.Number(root, "version", QString(), 0, 0, 1e9);
    if (r.Failed()) return fail(r.error);
    if (version < 1 || version > FormatVersion)
        return fail(QStringLiteral("Layoutversion %1 wird nicht unterstützt").arg(version));

    TLayout out;
    if (!root.contains(QLatin1String("type"))) return fail(QStringLiteral("\"type\" fehlt"));
    out.Type = r.Choice(root, "type", QString(), TLayoutType::List, Types);
    out.Title = r.Text(root, "title", QString(), QString(), 256);

    const QJsonObject page = r.Object(root, "page", QString());
    const QString paper = r.Text(page, "size", QStringLiteral("page"), QStringLiteral("A4"), 32);
    bool known = false;
    for (const TPaper& p : Papers)
        if (paper.compare(QLatin1String(p.name), Qt::CaseInsensitive) == 0) {
            out.Page.Size = QSizeF(p.w, p.h);
            known = true;
        }
    if (!known && paper.compare(QLatin1String("custom"), Qt::CaseInsensitive) != 0)
        r.Fail(QStringLiteral("page.size"), QStringLiteral("unbekanntes Papierformat '%1'").arg(paper));
    if (!known) {
        out.Page.Size = QSizeF(r.Number(page, "width", QStringLiteral("page"), 210, 20, MaxCoord),
                               r.Number(page, "height", QStringLiteral("page"), 297, 20, MaxCoord));
    }
    out.Page.Landscape = r.Text(page, "orientation", QStringLiteral("page"), QString(), 32)
                             .compare(QLatin1String("landscape"), Qt::CaseInsensitive)
                         == 0;
    const QJsonArray margins = r.Array(page, "margins", QStringLiteral("page"), 4);
    if (!margins.isEmpty()) {
        double m[4];
        for (int i = 0; i < 4; ++i) {
            const QJsonValue v = i < margins.size() ? margins[i] : QJsonValue();
            if (!v.isDouble() || !std::isfinite(v.toDouble()) || v.toDouble() < 0 || v.toDouble() > 500) {
                r.Fail(QStringLiteral("page.margins"), QStringLiteral("vier Zahlen von 0 bis 500 erwartet"));
                break;
            }
            m[i] = v.toDouble();
        }
        if (!r.Failed()) {
            out.Page.MarginLeft = m[0];
            out.Page.MarginTop = m[1];
            out.Page.MarginRight = m[2];
            out.Page.MarginBottom = m[3];
        }
    }
    if (r.Failed()) return fail(r.error);
    const QRectF body = out.Page.Body();
    if (body.width() < 10 || body.height() < 10) return fail(QStringLiteral("page.margins: kein Platz zum Drucken"));

    if (out.Type == TLayoutType::List) {
        out.Header = ReadArea(r, root, "header");
        out.Footer = ReadArea(r, root, "footer");
        out.Table = ReadTable(r, root);
        if (!r.Failed() && out.Table.Columns.empty())
            r.Fail(QStringLiteral("table.columns"), QStringLiteral("eine Liste braucht mindestens eine Spalte"));
        if (!r.Failed() && out.Header.Height + out.Footer.Height >= body.height())
            r.Fail(QString(), QStringLiteral("Kopf- und Fußbereich lassen keinen Platz für die Tabelle"));
    } else {
        out.Objects = ReadObjects(r, root, QString());
    }
    if (r.Failed()) return fail(r.error);
    QString why;
    if (!CheckExpressions(out, &why)) return fail(why);
    layout = std::move(out);
    return true;
}

bool Load(const QString& fileName, TLayout& layout, QString* error)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("Datei %1 kann nicht gelesen werden").arg(fileName);
        return false;
    }
    if (f.size() > MaxFileSize) {
        if (error) *error = QStringLiteral("Datei größer als %1 Bytes").arg(MaxFileSize);
        return false;
    }
    return Parse(f.read(MaxFileSize + 1), layout, error);
}

QByteArray Serialize(const TLayout& layout)
{
    QJsonObject root{{QStringLiteral("format"), FormatName},
                     {QStringLiteral("version"), FormatVersion},
                     {QStringLiteral("type"), NameOf(layout.Type, Types)}};
    if (!layout.Title.isEmpty()) root.insert(QStringLiteral("title"), layout.Title);
    QJsonObject page;
    QString paper = QStringLiteral("custom");
    for (const TPaper& p : Papers)
        if (qFuzzyCompare(layout.Page.Size.width(), p.w) && qFuzzyCompare(layout.Page.Size.height(), p.h))
            paper = QString::fromLatin1(p.name);
    page.insert(QStringLiteral("size"), paper);
    if (paper == QLatin1String("custom")) {
        page.insert(QStringLiteral("width"), layout.Page.Size.width());
        page.insert(QStringLiteral("height"), layout.Page.Size.height());
    }
    page.insert(QStringLiteral("orientation"), layout.Page.Landscape ? QStringLiteral("landscape") : QStringLiteral("portrait"));
    page.insert(QStringLiteral("margins"), QJsonArray{layout.Page.MarginLeft, layout.Page.MarginTop,
                                                      layout.Page.MarginRight, layout.Page.MarginBottom});
    root.insert(QStringLiteral("page"), page);

    if (layout.Type == TLayoutType::List) {
        root.insert(QStringLiteral("header"), WriteArea(layout.Header));
        const TLayoutTable& t = layout.Table;
        QJsonObject table{{QStringLiteral("font"), WriteFont(t.Font)},
                          {QStringLiteral("headerFont"), WriteFont(t.HeaderFont)},
                          {QStringLiteral("footerFont"), WriteFont(t.FooterFont)},
                          {QStringLiteral("lineHeight"), t.LineHeight},
                          {QStringLiteral("padding"), t.Padding},
                          {QStringLiteral("headerRule"), t.HeaderRule},
                          {QStringLiteral("rowRule"), t.RowRule},
                          {QStringLiteral("footerRule"), t.FooterRule}};
        if (!t.Filter.isEmpty()) table.insert(QStringLiteral("filter"), t.Filter);
        QJsonArray cols;
        for (const TLayoutColumn& c : t.Columns) {
            QJsonObject col{{QStringLiteral("title"), c.Title},
                            {QStringLiteral("value"), c.Value},
                            {QStringLiteral("width"), c.Width}};
            if (c.Align != THAlign::Left) col.insert(QStringLiteral("align"), NameOf(c.Align, HAligns));
            if (!c.NumberFormat.isEmpty()) col.insert(QStringLiteral("numberFormat"), c.NumberFormat);
            if (!c.DateFormat.isEmpty()) col.insert(QStringLiteral("dateFormat"), c.DateFormat);
            if (c.BlankZero) col.insert(QStringLiteral("blankZero"), true);
            if (!c.Wrap) col.insert(QStringLiteral("wrap"), false);
            if (!c.Footer.isEmpty()) col.insert(QStringLiteral("footer"), c.Footer);
            cols.append(col);
        }
        table.insert(QStringLiteral("columns"), cols);
        root.insert(QStringLiteral("table"), table);
        root.insert(QStringLiteral("footer"), WriteArea(layout.Footer));
    } else {
        root.insert(QStringLiteral("objects"), WriteObjects(layout.Objects));
    }
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool Save(const QString& fileName, const TLayout& layout, QString* error)
{
    QSaveFile f(fileName);
    if (!f.open(QIODevice::WriteOnly) || f.write(Serialize(layout)) < 0 || !f.commit()) {
        if (error) *error = QStringLiteral("Datei %1 kann nicht geschrieben werden: %2").arg(fileName, f.errorString());
        return false;
    }
    return true;
}

QByteArray SerializeObjects(const std::vector<TLayoutObject>& objects)
{
    const QJsonObject root{{QStringLiteral("format"), ObjectsFormatName}, {QStringLiteral("objects"), WriteObjects(objects)}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

bool ParseObjects(const QByteArray& data, std::vector<TLayoutObject>& objects, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (data.size() > MaxFileSize) return fail(QStringLiteral("Daten größer als %1 Bytes").arg(MaxFileSize));
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &pe);
    if (pe.error != QJsonParseError::NoError || !doc.isObject()
        || doc.object().value(QLatin1String("format")).toString() != ObjectsFormatName)
        return fail(QStringLiteral("keine Layoutobjekte"));
    TReader r;
    std::vector<TLayoutObject> out = ReadObjects(r, doc.object(), QString());
    if (r.Failed()) return fail(r.error);
    QString why;
    if (!CheckObjects(out, QStringLiteral("objects"), &why)) return fail(why);
    objects = std::move(out);
    return true;
}

bool CheckExpressions(const TLayout& layout, QString* error)
{
    if (layout.Type == TLayoutType::Card) return CheckObjects(layout.Objects, QStringLiteral("objects"), error);
    if (!CheckObjects(layout.Header.Objects, QStringLiteral("header.objects"), error)) return false;
    if (!CheckObjects(layout.Footer.Objects, QStringLiteral("footer.objects"), error)) return false;
    if (!CheckExpr(layout.Table.Filter, QStringLiteral("table.filter"), error)) return false;
    for (size_t i = 0; i < layout.Table.Columns.size(); ++i) {
        const TLayoutColumn& c = layout.Table.Columns[i];
        const QString at = QStringLiteral("table.columns[%1]").arg(i);
        if (!CheckTemplate(c.Title, at + QStringLiteral(".title"), error)) return false;
        if (!CheckExpr(c.Value, at + QStringLiteral(".value"), error)) return false;
        if (!CheckExpr(c.Footer, at + QStringLiteral(".footer"), error)) return false;
    }
    return true;
}

TLayoutNames UsedNames(const TLayout& layout)
{
    TLayoutNames names;
    auto objects = [&](const std::vector<TLayoutObject>& list) {
        for (const TLayoutObject& o : list)
            if (o.Kind == TObjectKind::Text || o.Kind == TObjectKind::Picture) CollectTemplate(o.Text, names);
    };
    objects(layout.Objects);
    objects(layout.Header.Objects);
    objects(layout.Footer.Objects);
    CollectExpr(layout.Table.Filter, names);
    for (const TLayoutColumn& c : layout.Table.Columns) {
        CollectTemplate(c.Title, names);
        CollectExpr(c.Value, names);
        CollectExpr(c.Footer, names);
    }
    names.Fields.removeDuplicates();
    names.Variables.removeDuplicates();
    return names;
}

}   // namespace LayoutFile
