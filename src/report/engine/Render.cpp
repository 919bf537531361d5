#include "Render.h"
#include "DBFormat.h"
#include <QBuffer>
#include <QFontMetricsF>
#include <QImageReader>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSvgRenderer>
#include <cmath>
#include <map>

namespace {
// Text is measured as the PDF and the printer draw it.
constexpr double MeasureDpi = 1200;
constexpr double PxToMm = 25.4 / MeasureDpi;
constexpr double MmToPx = MeasureDpi / 25.4;
constexpr QRgb RowRuleColor = 0xff9a9a9a;
constexpr int KeepAspectFlag = 1;

QFont MakeFont(const TFontSpec& spec)
{
    QFont f(spec.Family);
    f.setPointSizeF(spec.Size);
    f.setBold(spec.Bold);
    f.setItalic(spec.Italic);
    return f;
}

int HFlags(THAlign a)
{
    switch (a) {
    case THAlign::Left: return Qt::AlignLeft;
    case THAlign::Center: return Qt::AlignHCenter;
    case THAlign::Right: return Qt::AlignRight;
    }
    return Qt::AlignLeft;
}

int VFlags(TVAlign a)
{
    switch (a) {
    case TVAlign::Top: return Qt::AlignTop;
    case TVAlign::Middle: return Qt::AlignVCenter;
    case TVAlign::Bottom: return Qt::AlignBottom;
    }
    return Qt::AlignTop;
}

// A picture file, read once per print.
struct TPicture {
    std::unique_ptr<QSvgRenderer> Svg;
    QImage Image;
    QSizeF Natural() const { return Svg ? QSizeF(Svg->defaultSize()) : QSizeF(Image.size()); }
    bool Valid() const { return (Svg && Svg->isValid()) || !Image.isNull(); }
};

std::shared_ptr<TPicture> LoadPicture(const QString& file)
{
    auto pic = std::make_shared<TPicture>();
    if (file.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        pic->Svg = std::make_unique<QSvgRenderer>(file);
    } else {
        QImageReader reader(file);
        // A damaged or gigantic picture must not take the print down with it.
        reader.setAllocationLimit(256);
        pic->Image = reader.read();
    }
    return pic;
}
bool DrawPicture(QPainter& p, const TPicture& pic, QRectF target, bool keepAspect)
{
    if (!pic.Valid()) return false;
    const QSizeF natural = pic.Natural();
    if (keepAspect && natural.width() > 0 && natural.height() > 0) {
        const QSizeF fitted = natural.scaled(target.size(), Qt::KeepAspectRatio);
        target = QRectF(target.x() + (target.width() - fitted.width()) / 2,
                        target.y() + (target.height() - fitted.height()) / 2, fitted.width(), fitted.height());
    }
    if (pic.Svg) pic.Svg->render(&p, target);
    else p.drawImage(target, pic.Image);
    return true;
}
}   // namespace

bool DrawPictureFile(QPainter& p, const QString& file, const QRectF& target, bool keepAspect)
{
    return DrawPicture(p, *LoadPicture(file), target, keepAspect);
}

// ------------------------------------------------------------------ drawing

struct TPictureCache {
    std::map<QString, std::shared_ptr<TPicture>> Pictures;
};

void TRenderedDoc::PaintPage(QPainter& p, int index, double dpi) const
{
    if (index < 0 || index >= PageCount()) return;
    const double k = dpi / 25.4;
    auto px = [k](const QRectF& r) { return QRectF(r.x() * k, r.y() * k, r.width() * k, r.height() * k); };
    std::vector<QFont> fonts;
    fonts.reserve(Fonts.size());
    for (const TFontSpec& f : Fonts) fonts.push_back(MakeFont(f));
    TPictureCache cache;
    int currentFont = -1;
    const QString pageCount = QString::number(PageCount());

    for (const TDrawOp& op : Pages[size_t(index)].Ops) {
        switch (op.K) {
        case TDrawOp::Text: {
            if (op.Font != currentFont && op.Font >= 0 && size_t(op.Font) < fonts.size()) {
                p.setFont(fonts[size_t(op.Font)]);
                currentFont = op.Font;
            }
            p.setPen(QColor::fromRgba(op.Color));
            const QString text = op.HasPageCount ? QString(op.S).replace(PageCountMarker, pageCount) : op.S;
            const QRectF r = px(op.R);
            if (op.Clip) {
                p.save();
                p.setClipRect(r);
                p.drawText(r, op.Flags, text);
                p.restore();
            } else {
                p.drawText(r, op.Flags, text);
            }
            break;
        }
        case TDrawOp::Line: {
            QPen pen(QColor::fromRgba(op.Color));
            pen.setWidthF(std::max(op.Pen * k, 1.0));
            pen.setCapStyle(Qt::FlatCap);
            p.setPen(pen);
            p.drawLine(QPointF(op.R.left() * k, op.R.top() * k), QPointF(op.R.right() * k, op.R.bottom() * k));
            break;
        }
        case TDrawOp::Rect: {
            if (op.Pen > 0) {
                QPen pen(QColor::fromRgba(op.Color));
                pen.setWidthF(op.Pen * k);
                p.setPen(pen);
            } else {
                p.setPen(Qt::NoPen);
            }
            p.setBrush(op.HasFill ? QBrush(QColor::fromRgba(op.FillColor)) : QBrush(Qt::NoBrush));
            p.drawRect(px(op.R));
            p.setBrush(Qt::NoBrush);
            break;
        }
        case TDrawOp::Picture: {
            auto& pic = cache.Pictures[op.S];
            if (!pic) pic = LoadPicture(op.S);
            DrawPicture(p, *pic, px(op.R), op.Flags & KeepAspectFlag);
            break;
        }
        }
    }
}

bool TRenderedDoc::PaintTo(QPagedPaintDevice& device, int from, int to,
                           const std::function<bool(int, int)>& progress) const
{
    from = std::max(from, 1);
    to = std::min(to, PageCount());
    device.setPageLayout(QPageLayout(QPageSize(Page.Size, QPageSize::Millimeter),
                                     Page.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0)));
    QPainter p;
    if (!p.begin(&device)) return false;
    p.setRenderHint(QPainter::Antialiasing);
    const double dpi = device.logicalDpiY();
    for (int i = from; i <= to; ++i) {
        if (i > from) device.newPage();
        PaintPage(p, i - 1, dpi);
        if (progress && !progress(i - from + 1, to - from + 1)) {
            p.end();
            return false;
        }
    }
    return p.end();
}

bool TRenderedDoc::WritePdf(const QString& fileName, int from, int to, QString* error,
                            const std::function<bool(int, int)>& progress) const
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    bool ok = false;
    {
        QPdfWriter writer(&file);
        writer.setResolution(int(MeasureDpi));
        writer.setCreator(QStringLiteral("TARVOS Maschinenpark"));
        writer.setTitle(Title);
        ok = PaintTo(writer, from, to, progress);
    }
    if (!ok) {
        file.cancelWriting();
        if (error && error->isEmpty()) *error = QStringLiteral("abgebrochen");
        return false;
    }
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

// ------------------------------------------------------------------ layout

class TReportBuilder::Scope : public TExprScope {
public:
    explicit Scope(const TReportBuilder& b) : m_b(b) {}
    QString Field(const QString& name) const override { return m_b.m_values.Field(name); }
    QString Variable(const QString& name) const override { return m_b.m_values.Variable(name); }
    int Page() const override { return m_b.CurrentPage(); }
    QDate PrintDate() const override { return m_b.m_printDate; }

private:
    const TReportBuilder& m_b;
};

TReportBuilder::TReportBuilder(const TLayout& layout, const TValueSource& values, const QDate& printDate)
    : m_layout(layout), m_values(values), m_printDate(printDate), m_doc(std::make_shared<TRenderedDoc>()),
      m_scope(std::make_unique<Scope>(*this)), m_measureBuf(std::make_unique<QBuffer>())
{
    m_doc->Page = m_layout.Page;
    m_measureBuf->open(QIODevice::WriteOnly);
    m_measureDev = std::make_unique<QPdfWriter>(m_measureBuf.get());
    m_measureDev->setResolution(int(MeasureDpi));

    auto compile = [](const std::vector<TLayoutObject>& objects, std::vector<TTextTemplate>& out) {
        out.resize(objects.size());
        for (size_t i = 0; i < objects.size(); ++i)
            if (objects[i].Kind == TObjectKind::Text || objects[i].Kind == TObjectKind::Picture)
                out[i].Parse(objects[i].Text);
    };
    compile(m_layout.Header.Objects, m_headerTexts);
    compile(m_layout.Footer.Objects, m_footerTexts);
    compile(m_layout.Objects, m_cardTexts);

    const TLayoutTable& t = m_layout.Table;
    double x = 0;
    for (const TLayoutColumn& c : t.Columns) {
        m_colX.push_back(x);
        x += c.Width;
        TExpr value, footer;
        TTextTemplate title;
        title.Parse(c.Title);
        m_titles.push_back(std::move(title));
        value.Parse(c.Value);
        footer.Parse(c.Footer);
        m_cellExprs.push_back(std::move(value));
        m_footerExprs.push_back(std::move(footer));
    }
    m_tableWidth = x;
    m_filter.Parse(t.Filter);
    m_bodyFont = FontIndex(t.Font);
    m_headFont = FontIndex(t.HeaderFont);
    m_footFont = FontIndex(t.FooterFont);
    const QRectF body = m_layout.Page.Body();
    m_tableBottom = body.bottom() - m_layout.Footer.Height;
}

TReportBuilder::~TReportBuilder() = default;

int TReportBuilder::FontIndex(const TFontSpec& f) const
{
    for (size_t i = 0; i < m_doc->Fonts.size(); ++i)
        if (m_doc->Fonts[i] == f) return int(i);
    m_doc->Fonts.push_back(f);
    m_metrics.push_back(std::make_unique<QFontMetricsF>(MakeFont(f), m_measureDev.get()));
    return int(m_doc->Fonts.size()) - 1;
}

const QFontMetricsF& TReportBuilder::Metrics(int font) const { return *m_metrics[size_t(font)]; }

double TReportBuilder::LineMm(int font) const { return Metrics(font).height() * PxToMm; }

double TReportBuilder::TextHeight(int font, const QString& text, double width, bool wrap, int* flags) const
{
    const QFontMetricsF& fm = Metrics(font);
    const bool multiLine = text.contains(u'\n');
    if (flags) *flags = wrap ? int(Qt::TextWordWrap) : 0;
    if (text.isEmpty() || (!multiLine && (!wrap || fm.horizontalAdvance(text) <= width * MmToPx)))
        return LineMm(font);
    const QRectF box(0, 0, std::max(width, 1.0) * MmToPx, 1e9);
    QRectF r = fm.boundingRect(box, wrap ? int(Qt::TextWordWrap) : 0, text);
    // A word wider than the box is broken rather than printed over its neighbour.
    if (wrap && r.width() > box.width() + 0.5) {
        r = fm.boundingRect(box, Qt::TextWrapAnywhere, text);
        if (flags) *flags = Qt::TextWrapAnywhere;
    }
    return std::max(r.height() * PxToMm, LineMm(font));
}

QString TReportBuilder::Elided(int font, const QString& text, double width) const
{
    QString line = text;
    line.replace(u'\n', u' ');
    const QFontMetricsF& fm = Metrics(font);
    if (fm.horizontalAdvance(line) <= width * MmToPx) return line;
    return fm.elidedText(line, Qt::ElideRight, width * MmToPx);
}

void TReportBuilder::AddText(int font, const QString& text, const QRectF& r, int flags, QRgb color, bool clip)
{
    if (text.isEmpty()) return;
    TDrawOp op;
    op.K = TDrawOp::Text;
    op.Font = qint16(font);
    op.S = text;
    op.R = r;
    op.Flags = flags;
    op.Color = color;
    op.Clip = clip;
    op.HasPageCount = text.contains(PageCountMarker);
    m_doc->Pages.back().Ops.push_back(std::move(op));
}

void TReportBuilder::AddLine(const QPointF& a, const QPointF& b, double width, QRgb color)
{
    if (width <= 0) return;
    TDrawOp op;
    op.K = TDrawOp::Line;
    op.R = QRectF(a, b);
    op.Pen = float(width);
    op.Color = color;
    m_doc->Pages.back().Ops.push_back(std::move(op));
}

void TReportBuilder::PlaceObjects(const std::vector<TLayoutObject>& objects, const std::vector<TTextTemplate>& texts,
                                  QPointF origin)
{
    for (size_t i = 0; i < objects.size(); ++i) {
        const TLayoutObject& o = objects[i];
        const QRectF r = o.Rect.translated(origin);
        switch (o.Kind) {
        case TObjectKind::Text: {
            const int font = FontIndex(o.Font);
            QString s = texts[i].Eval(*m_scope);
            QRectF box = r;
            bool clip = false;
            int wrap = 0;
            if (o.Wrap) {
                const double need = TextHeight(font, s, r.width(), true, &wrap);
                if (box.height() <= 0) box.setHeight(need);
                else clip = need > box.height();
            } else {
                if (!s.contains(u'\n')) s = Elided(font, s, r.width());
                if (box.height() <= 0) box.setHeight(TextHeight(font, s, r.width(), false));
            }
            AddText(font, s, box, HFlags(o.Align) | VFlags(o.VAlign) | wrap, o.Color.rgba(), clip);
            break;
        }
        case TObjectKind::Line:
            AddLine(r.topLeft(), r.bottomRight(), o.LineWidth, o.Color.rgba());
            break;
        case TObjectKind::Rect: {
            TDrawOp op;
            op.K = TDrawOp::Rect;
            op.R = r;
            op.Pen = float(o.LineWidth);
            op.Color = o.Color.rgba();
            op.HasFill = o.Fill.isValid();
            op.FillColor = o.Fill.isValid() ? o.Fill.rgba() : 0;
            m_doc->Pages.back().Ops.push_back(std::move(op));
            break;
        }
        case TObjectKind::Picture: {
            TDrawOp op;
            op.K = TDrawOp::Picture;
            op.R = r;
            op.S = texts[i].Eval(*m_scope).trimmed();
            op.Flags = o.KeepAspect ? KeepAspectFlag : 0;
            if (!op.S.isEmpty()) m_doc->Pages.back().Ops.push_back(std::move(op));
            break;
        }
        }
    }
}

int TReportBuilder::ItemsPerTable() const
{
    if (m_layout.Type == TLayoutType::Card) return 1;
    const TLayoutTable& t = m_layout.Table;
    const QRectF body = m_layout.Page.Body();
    const double top = body.top() + m_layout.Header.Height + TableHeaderHeight(nullptr, nullptr);
    const double row = std::max(t.LineHeight, LineMm(m_bodyFont) + 2 * t.Padding);
    const double n = std::floor((m_tableBottom - top) / row + 1e-6);
    return n > 0 ? int(n) : 0;
}

void TReportBuilder::OpenPage()
{
    m_doc->Pages.emplace_back();
    m_pageOpen = true;
    m_pageFull = false;
    m_rowsOnPage = 0;
    const QRectF body = m_layout.Page.Body();
    if (m_layout.Type == TLayoutType::Card) {
        PlaceObjects(m_layout.Objects, m_cardTexts, QPointF(0, 0));
        return;
    }
    PlaceObjects(m_layout.Header.Objects, m_headerTexts, body.topLeft());
    m_y = body.top() + m_layout.Header.Height;
    PlaceTableHeader();
}

int TReportBuilder::HeaderFontFor(const QString& title, double width) const
{
    // A user's name for a column ("Hauptuntersuchung") is one long word more
    // often than not: set it smaller rather than break it inside the word.
    constexpr double LeastSize = 6;
    double widest = 0;
    // Lines break at blanks and after hyphens ("Betriebs-stunden").
    static const QRegularExpression breaks(QStringLiteral("\\s+|(?<=-)"));
    for (const QString& word : title.split(breaks, Qt::SkipEmptyParts))
        widest = std::max(widest, Metrics(m_headFont).horizontalAdvance(word));
    const double room = width * MmToPx;
    const TFontSpec& spec = m_layout.Table.HeaderFont;
    if (widest <= room || spec.Size <= LeastSize) return m_headFont;
    TFontSpec smaller = spec;
    smaller.Size = std::max(LeastSize, std::floor(spec.Size * room / widest * 10) / 10);
    return FontIndex(smaller);
}

double TReportBuilder::TableHeaderHeight(std::vector<QString>* titles, std::vector<int>* flags,
                                         std::vector<int>* fonts) const
{
    const TLayoutTable& t = m_layout.Table;
    double h = t.LineHeight;
    for (size_t i = 0; i < t.Columns.size(); ++i) {
        const QString title = m_titles[i].Eval(*m_scope);
        const double width = t.Columns[i].Width - 2 * t.Padding;
        const int font = HeaderFontFor(title, width);
        int wrap = 0;
        h = std::max(h, TextHeight(font, title, width, true, &wrap) + 2 * t.Padding);
        if (titles) titles->push_back(title);
        if (flags) flags->push_back(wrap);
        if (fonts) fonts->push_back(font);
    }
    return h;
}

void TReportBuilder::PlaceTableHeader()
{
    const TLayoutTable& t = m_layout.Table;
    const double left = m_layout.Page.Body().left();
    std::vector<QString> titles;
    std::vector<int> wraps, fonts;
    const double h = TableHeaderHeight(&titles, &wraps, &fonts);
    for (size_t i = 0; i < t.Columns.size(); ++i) {
        const TLayoutColumn& c = t.Columns[i];
        const QRectF r(left + m_colX[i] + t.Padding, m_y + t.Padding, c.Width - 2 * t.Padding, h - 2 * t.Padding);
        AddText(fonts[i], titles[i], r, HFlags(c.Align) | Qt::AlignBottom | wraps[i], 0xff000000, false);
    }
    m_y += h;
    AddLine(QPointF(left, m_y), QPointF(left + m_tableWidth, m_y), t.HeaderRule);
}

void TReportBuilder::ClosePage()
{
    if (!m_pageOpen) return;
    if (m_layout.Type == TLayoutType::List) {
        const QRectF body = m_layout.Page.Body();
        PlaceObjects(m_layout.Footer.Objects, m_footerTexts, QPointF(body.left(), body.bottom() - m_layout.Footer.Height));
    }
    m_pageOpen = false;
}

QString TReportBuilder::CellText(size_t col, const TExprValue& v) const
{
    const TLayoutColumn& c = m_layout.Table.Columns[col];
    double d = 0;
    const bool isNumber = v.K == TExprValue::Number ? (d = v.N, true) : (v.K == TExprValue::Text && ParseGermanNumber(v.S, d));
    if (!c.NumberFormat.isEmpty() && isNumber) {
        if (c.BlankZero && d == 0) return QString();
        return DBFormat::FormatFloat(c.NumberFormat, d);
    }
    const QString text = v.ToText();
    if (c.BlankZero && isNumber && d == 0) return QString();
    if (!c.DateFormat.isEmpty()) {
        QDate date;
        if (DBFormat::TryStrToDate(text, date))
            return QLocale(QLocale::German, QLocale::Germany).toString(date, c.DateFormat);
    }
    return text;
}

int TReportBuilder::PlaceRow(const std::vector<TExpr>& exprs, int font, bool footer)
{
    const TLayoutTable& t = m_layout.Table;
    const double left = m_layout.Page.Body().left();
    const double rule = footer ? t.FooterRule : t.RowRule;
    std::vector<QString> texts(t.Columns.size());
    std::vector<int> wraps(t.Columns.size(), 0);
    double h = t.LineHeight;
    for (size_t i = 0; i < t.Columns.size(); ++i) {
        if (exprs[i].IsEmpty()) continue;
        texts[i] = CellText(i, exprs[i].Eval(*m_scope));
        const TLayoutColumn& c = t.Columns[i];
        if (!c.Wrap) texts[i] = Elided(font, texts[i], c.Width - 2 * t.Padding);
        h = std::max(h, TextHeight(font, texts[i], c.Width - 2 * t.Padding, c.Wrap, &wraps[i]) + 2 * t.Padding);
    }
    bool clip = false;
    if (m_y + h > m_tableBottom + 1e-6) {
        if (footer || m_rowsOnPage > 0) return RepeatResult;
        // The first line of a page is printed even when it is taller than the
        // page: cut at the bottom rather than lost or repeated for ever.
        clip = true;
        h = std::max(m_tableBottom - m_y, std::max(t.LineHeight, LineMm(font) + 2 * t.Padding));
    }
    if (footer) AddLine(QPointF(left, m_y), QPointF(left + m_tableWidth, m_y), rule);
    for (size_t i = 0; i < t.Columns.size(); ++i) {
        const TLayoutColumn& c = t.Columns[i];
        const QRectF r(left + m_colX[i] + t.Padding, m_y + t.Padding, c.Width - 2 * t.Padding, h - 2 * t.Padding);
        AddText(font, texts[i], r, HFlags(c.Align) | Qt::AlignTop | wraps[i], 0xff000000, clip);
    }
    m_y += h;
    if (!footer) AddLine(QPointF(left, m_y), QPointF(left + m_tableWidth, m_y), rule, RowRuleColor);
    return 0;
}

int TReportBuilder::PrintPagePart()
{
    if (m_layout.Type == TLayoutType::Card) return PrintCard();
    if (m_pageOpen && !m_pageFull) return 0;
    ClosePage();
    OpenPage();
    return 0;
}

int TReportBuilder::PrintLine()
{
    if (m_layout.Type == TLayoutType::Card) return 0;
    if (!m_pageOpen) OpenPage();
    if (m_pageFull) return RepeatResult;
    m_lastMatched = m_filter.IsEmpty() || m_filter.Eval(*m_scope).ToBool();
    if (!m_lastMatched) return 0;
    const int r = PlaceRow(m_cellExprs, m_bodyFont, false);
    if (r == RepeatResult) {
        m_pageFull = true;
        return r;
    }
    ++m_rowsOnPage;
    for (TExpr& e : m_footerExprs)
        if (e.HasAggregates()) e.Accumulate(*m_scope);
    return 0;
}

int TReportBuilder::FinishTable()
{
    if (m_layout.Type == TLayoutType::Card || !m_layout.Table.HasFooter()) return 0;
    if (!m_pageOpen || m_footerPending) {
        ClosePage();
        OpenPage();
    }
    const int r = PlaceRow(m_footerExprs, m_footFont, true);
    m_footerPending = r == RepeatResult;
    return r;
}

int TReportBuilder::PrintCard()
{
    ClosePage();
    OpenPage();
    ClosePage();
    return 0;
}

std::shared_ptr<TRenderedDoc> TReportBuilder::Finish()
{
    // An empty list still prints its page with the column titles.
    if (m_doc->Pages.empty() && m_layout.Type == TLayoutType::List) OpenPage();
    ClosePage();
    return m_doc;
}
