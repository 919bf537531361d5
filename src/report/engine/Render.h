#pragma once
// Lays a report out page by page and draws the pages. Layout and drawing are
// apart: the page count ("Seite 1 von 3") is known only after the last page,
// and the preview prints the same pages again without reading data twice.
#include "Expr.h"
#include "Layout.h"
#include <QColor>
#include <QFont>
#include <functional>
#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QPdfWriter;
class QBuffer;
class QFontMetricsF;

// One drawing step of a page, in millimetres.
struct TDrawOp {
    enum Kind : quint8 { Text, Line, Rect, Picture } K = Text;
    bool Clip = false;          // text taller than its box is cut at the box
    bool HasPageCount = false;  // the text holds PageCountMarker
    bool HasFill = false;
    qint16 Font = -1;
    int Flags = 0;              // Qt alignment and wrap flags
    float Pen = 0;              // line width, mm
    QRgb Color = 0xff000000;
    QRgb FillColor = 0;
    QRectF R;                   // line: from top-left to bottom-right
    QString S;                  // text, or the picture's file name
};

struct TRenderedPage {
    std::vector<TDrawOp> Ops;
};

// The finished pages of one print.
class TRenderedDoc {
public:
    TPageSetup Page;
    QString Title;              // names the print job and the preview window
    std::vector<TFontSpec> Fonts;
    std::vector<TRenderedPage> Pages;
    int PageCount() const { return int(Pages.size()); }

    // Draws pages from..to (1-based, inclusive) on a paged device whose page
    // layout this sets; `progress` may stop it by answering false.
    bool PaintTo(QPagedPaintDevice& device, int from, int to,
                 const std::function<bool(int done, int total)>& progress = {}) const;
    // Writes pages into a PDF file through a temporary file: a stopped or
    // failed write leaves nothing behind.
    bool WritePdf(const QString& fileName, int from, int to, QString* error = nullptr,
                  const std::function<bool(int done, int total)>& progress = {}) const;
    void PaintPage(QPainter& p, int index, double dpi) const;
};

// Draws a picture file (PNG, JPEG, SVG, ...) into a box, fitted when
// `keepAspect`; false, drawing nothing, when the file cannot be read.
bool DrawPictureFile(QPainter& p, const QString& file, const QRectF& target, bool keepAspect);

// Where the values come from while laying out.
class TValueSource {
public:
    virtual ~TValueSource() = default;
    virtual QString Field(const QString& name) const = 0;
    virtual QString Variable(const QString& name) const = 0;
};

class TReportBuilder {
public:
    TReportBuilder(const TLayout& layout, const TValueSource& values, const QDate& printDate);
    ~TReportBuilder();
    TReportBuilder(const TReportBuilder&) = delete;
    TReportBuilder& operator=(const TReportBuilder&) = delete;

    // Table lines of one line's height that fit on a page.
    int ItemsPerTable() const;
    // Number of the page in work; 1 before the first.
    int CurrentPage() const { return std::max(1, PagesStarted()); }

    // List layouts. Results: 0 done, EngWarnRepeat (-998) page full.
    int PrintPagePart();
    int PrintLine();
    bool LastLineMatched() const { return m_lastMatched; }
    int FinishTable();
    // Card layouts: one page with all objects.
    int PrintCard();

    // Closes the open page and hands the pages over.
    std::shared_ptr<TRenderedDoc> Finish();

    static constexpr int RepeatResult = -998;

private:
    struct Cell {
        QString Text;
        QRectF R;
        int Flags;
        bool Clip;
    };
    class Scope;
    int PagesStarted() const { return int(m_doc->Pages.size()); }
    void OpenPage();
    void ClosePage();
    void PlaceObjects(const std::vector<TLayoutObject>& objects, const std::vector<TTextTemplate>& texts, QPointF origin);
    void PlaceTableHeader();
    double TableHeaderHeight(std::vector<QString>* titles, std::vector<int>* flags,
                             std::vector<int>* fonts = nullptr) const;
    // The header font, or a smaller size of it when a word of the title is wider than the column.
    int HeaderFontFor(const QString& title, double width) const;
    // Laying out a header may add a font, also while only measuring.
    int FontIndex(const TFontSpec& f) const;
    const QFontMetricsF& Metrics(int font) const;
    double LineMm(int font) const;
    // Height in mm a text needs in a box of `width` mm; `flags` gets how to break it.
    double TextHeight(int font, const QString& text, double width, bool wrap, int* flags = nullptr) const;
    QString Elided(int font, const QString& text, double width) const;
    void AddText(int font, const QString& text, const QRectF& r, int flags, QRgb color, bool clip);
    void AddLine(const QPointF& a, const QPointF& b, double width, QRgb color = 0xff000000);
    QString CellText(size_t col, const TExprValue& v) const;
    int PlaceRow(const std::vector<TExpr>& exprs, int font, bool footer);

    TLayout m_layout;
    const TValueSource& m_values;
    QDate m_printDate;
    std::shared_ptr<TRenderedDoc> m_doc;
    std::unique_ptr<Scope> m_scope;
    std::unique_ptr<QBuffer> m_measureBuf;
    std::unique_ptr<QPdfWriter> m_measureDev;
    mutable std::vector<std::unique_ptr<QFontMetricsF>> m_metrics;
    std::vector<TTextTemplate> m_headerTexts, m_footerTexts, m_cardTexts, m_titles;
    std::vector<TExpr> m_cellExprs, m_footerExprs;
    TExpr m_filter;
    std::vector<double> m_colX;
    double m_tableWidth = 0;
    int m_bodyFont = 0, m_headFont = 0, m_footFont = 0;
    bool m_pageOpen = false;
    bool m_pageFull = false;
    bool m_footerPending = false;
    bool m_lastMatched = true;
    int m_rowsOnPage = 0;
    double m_y = 0;            // next free line of the page, mm
    double m_tableBottom = 0;  // lowest line the table may reach
};
