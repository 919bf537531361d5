#pragma once
// The layout model of our report engine: what a *.lst or *.crd file holds,
// independent of reading, writing and drawing, so that the designer edits
// the same structures the renderer prints. Lengths are millimetres.
#include <QColor>
#include <QRectF>
#include <QStringList>
#include <QSizeF>
#include <QString>
#include <vector>

enum class TLayoutType { List, Card };
enum class TObjectKind { Text, Line, Rect, Picture };
enum class THAlign { Left, Center, Right };
enum class TVAlign { Top, Middle, Bottom };

struct TFontSpec {
    QString Family = QStringLiteral("DejaVu Sans");
    double Size = 9;           // points
    bool Bold = false;
    bool Italic = false;
    bool operator==(const TFontSpec&) const = default;
};

// One object placed on a page or in an area. Which members count depends on
// the kind; the others keep their defaults and are not written.
struct TLayoutObject {
    TObjectKind Kind = TObjectKind::Text;
    // Text, rectangle, picture: the box. Line: from top-left to bottom-right
    // (width and height may be negative or zero).
    QRectF Rect;
    // Text: a template with {expression} placeholders. Picture: the file name,
    // placeholders allowed, so a variable can name the file.
    QString Text;
    TFontSpec Font;
    THAlign Align = THAlign::Left;
    TVAlign VAlign = TVAlign::Top;
    bool Wrap = false;
    QColor Color = Qt::black;
    double LineWidth = 0.2;    // line and rectangle frame; 0 = no frame
    QColor Fill;               // rectangle; invalid = not filled
    bool KeepAspect = true;    // picture
    bool operator==(const TLayoutObject&) const = default;
};

// A band of fixed height across the printable width (page header, footer).
// Its objects are placed relative to the band's top-left corner.
struct TLayoutArea {
    double Height = 0;
    std::vector<TLayoutObject> Objects;
    bool operator==(const TLayoutArea&) const = default;
};

struct TLayoutColumn {
    QString Title;             // header text, placeholders allowed
    QString Value;             // expression over fields and variables
    double Width = 20;
    THAlign Align = THAlign::Left;
    QString NumberFormat;      // "#,##0.00", literal text around it allowed
    QString DateFormat;        // "dd.MM.yyyy"
    bool BlankZero = false;    // a number that is 0 prints as nothing
    bool Wrap = true;          // long text breaks into more lines
    QString Footer;            // expression for the table footer; Summe() sums the rows
    bool operator==(const TLayoutColumn&) const = default;
};

struct TLayoutTable {
    std::vector<TLayoutColumn> Columns;
    TFontSpec Font;
    TFontSpec HeaderFont{QStringLiteral("DejaVu Sans"), 9, true, false};
    TFontSpec FooterFont{QStringLiteral("DejaVu Sans"), 9, true, false};
    double LineHeight = 5;     // least height of a row
    double Padding = 0.8;      // inside each cell, all sides
    double HeaderRule = 0.4;   // rule under the header; 0 = none
    double RowRule = 0.1;      // rule under each row; 0 = none
    double FooterRule = 0.4;   // rule above the footer; 0 = none
    QString Filter;            // rows for which this is false are left out
    bool HasFooter() const;
    bool operator==(const TLayoutTable&) const = default;
};

struct TPageSetup {
    QSizeF Size{210, 297};     // portrait size
    bool Landscape = false;
    double MarginLeft = 20, MarginTop = 12, MarginRight = 12, MarginBottom = 12;
    QSizeF Oriented() const { return Landscape ? Size.transposed() : Size; }
    // The printable rectangle, page coordinates.
    QRectF Body() const;
    bool operator==(const TPageSetup&) const = default;
};

struct TLayout {
    TLayoutType Type = TLayoutType::List;
    TPageSetup Page;
    QString Title;             // shown by the designer; not printed
    // List layouts: header band, table, footer band, on every page.
    TLayoutArea Header;
    TLayoutArea Footer;
    TLayoutTable Table;
    // Card layouts: objects placed freely on the page (page coordinates).
    std::vector<TLayoutObject> Objects;
    bool operator==(const TLayout&) const = default;
};

// Every field and variable name a layout refers to (for "is this field used").
struct TLayoutNames {
    QStringList Fields;
    QStringList Variables;
};
