#pragma once
// Pieces the report tests share: layouts made to measure, the engine's
// dialogs answered, and the text of the PDF pages read back.
#include "Dialogs.h"
#include "Engine.h"
#include "LayoutFile.h"
#include <QPdfDocument>
#include <QStringList>
#include <QtTest>

// The text of each page of a PDF file.
inline QStringList PdfPages(const QString& file)
{
    QPdfDocument doc;
    if (doc.load(file) != QPdfDocument::Error::None) return {};
    QStringList pages;
    for (int i = 0; i < doc.pageCount(); ++i) pages << doc.getAllText(i).text();
    return pages;
}

// A list layout whose table holds exactly `lines` lines of one line's height:
// header band 10 mm, table header 6 mm, lines of 6 mm, footer band 10 mm.
inline TLayout MeasuredList(int lines, const QStringList& columns = {QStringLiteral("Nr")})
{
    TLayout l;
    l.Type = TLayoutType::List;
    l.Page.Size = QSizeF(150, 10 + 10 + 10 + 6 + lines * 6 + 10 + 0.5);
    l.Page.MarginLeft = l.Page.MarginTop = l.Page.MarginRight = l.Page.MarginBottom = 10;
    l.Header.Height = 10;
    TLayoutObject head;
    head.Rect = QRectF(0, 0, 130, 6);
    head.Text = QStringLiteral("Kopf {Var.Titel}");
    l.Header.Objects.push_back(head);
    l.Footer.Height = 10;
    TLayoutObject foot;
    foot.Rect = QRectF(0, 2, 130, 6);
    foot.Text = QStringLiteral("Seite {Seite} von {Seitenzahl}");
    l.Footer.Objects.push_back(foot);
    l.Table.LineHeight = 6;
    l.Table.Font.Size = 8;
    l.Table.HeaderFont.Size = 8;
    for (const QString& c : columns) {
        TLayoutColumn col;
        col.Title = c;
        col.Value = QStringLiteral("Feld.") + c;
        col.Width = 130.0 / columns.size();
        l.Table.Columns.push_back(col);
    }
    return l;
}

// Answers the engine's options dialog and catches the preview file while set.
class TEngineAnswers {
public:
    TEngineAnswers()
    {
        EngHooks().OptionsDialog = [this](const QString& text, bool preview, TEngPrintSettings& s) {
            OptionsTexts << text;
            if (Cancel) return false;
            s.Printer = EngPdfTarget;
            s.PdfFile = PdfFile;
            s.FirstPage = FirstPage;
            s.LastPage = LastPage;
            return true;
        };
        EngHooks().BoxText = [this](const QString& text, int percent, bool& cancel) {
            BoxTexts << text;
            Percents << percent;
            cancel = CancelAtBox > 0 && Percents.size() >= CancelAtBox;
        };
        EngHooks().PreviewDisplay = [this](const QString& pdf) {
            PreviewFile = pdf;
            PreviewPages = PdfPages(pdf);
        };
    }
    ~TEngineAnswers() { EngHooks() = TEngHooks(); }
    TEngineAnswers(const TEngineAnswers&) = delete;
    TEngineAnswers& operator=(const TEngineAnswers&) = delete;

    QString PdfFile;
    bool Cancel = false;
    int CancelAtBox = 0;          // cancel in the progress box at this box text
    int FirstPage = 1, LastPage = EngAllPages;
    QStringList OptionsTexts, BoxTexts;
    QList<int> Percents;
    QString PreviewFile;
    QStringList PreviewPages;
    TDialogRecorder Dialogs;      // no message box stops a test
};
