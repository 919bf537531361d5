#include "PreviewWindow.h"
#include "Dialogs.h"
#include "Engine.h"
#include "FileDialog.h"
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QScreen>
#include <QSpinBox>
#include <QStandardPaths>
#include <QToolBar>
#include <QVBoxLayout>

const QList<int>& TEngPreviewWindow::ZoomSteps()
{
    static const QList<int> steps{25, 50, 75, 100, 125, 150, 200, 300, 400};
    return steps;
}

TEngPreviewWindow::TEngPreviewWindow(QWidget* parent, const QString& pdfFile, const QString& title,
                                     const QSet<int>& prohibited, std::function<void(QWidget*)> print)
    : QDialog(parent), m_pdfFile(pdfFile), m_title(title), m_print(std::move(print))
{
    setObjectName(QStringLiteral("EngPreviewWindow"));
    setWindowTitle(title.isEmpty() ? QStringLiteral("Vorschau") : QStringLiteral("Vorschau - %1").arg(title));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    Document = new QPdfDocument(this);
    Document->load(pdfFile);

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    lay->addWidget(ToolBar);

    ActErsteSeite = AddAction("ActErsteSeite", QStringLiteral("|<"), QStringLiteral("Erste Seite"),
                              QKeySequence(Qt::CTRL | Qt::Key_Home), nullptr);
    ActVorigeSeite = AddAction("ActVorigeSeite", QStringLiteral("<"), QStringLiteral("Vorige Seite"),
                               QKeySequence(Qt::Key_PageUp), nullptr);
    SpinSeite = new QSpinBox(ToolBar);
    SpinSeite->setObjectName(QStringLiteral("SpinSeite"));
    SpinSeite->setAccessibleName(QStringLiteral("Seite"));
    SpinSeite->setRange(1, std::max(1, Document->pageCount()));
    ToolBar->addWidget(SpinSeite);
    LblSeiten = new QLabel(ToolBar);
    LblSeiten->setObjectName(QStringLiteral("LblSeiten"));
    ToolBar->addWidget(LblSeiten);
    ActNaechsteSeite = AddAction("ActNaechsteSeite", QStringLiteral(">"), QStringLiteral("Nächste Seite"),
                                 QKeySequence(Qt::Key_PageDown), nullptr);
    ActLetzteSeite = AddAction("ActLetzteSeite", QStringLiteral(">|"), QStringLiteral("Letzte Seite"),
                               QKeySequence(Qt::CTRL | Qt::Key_End), nullptr);
    ToolBar->addSeparator();
    ActSeitenbreite = AddAction("ActSeitenbreite", QStringLiteral("Seitenbreite"), QStringLiteral("Auf Seitenbreite zoomen"),
                                QKeySequence(), [this] { FitWidth(); });
    ActGanzeSeite = AddAction("ActGanzeSeite", QStringLiteral("Ganze Seite"), QStringLiteral("Ganze Seite zeigen"),
                              QKeySequence(), [this] { FitPage(); });
    ActVerkleinern = AddAction("ActVerkleinern", QStringLiteral("-"), QStringLiteral("Verkleinern"),
                               QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { ZoomOut(); });
    CmbZoom = new QComboBox(ToolBar);
    CmbZoom->setObjectName(QStringLiteral("CmbZoom"));
    CmbZoom->setAccessibleName(QStringLiteral("Zoom"));
    CmbZoom->setEditable(true);
    CmbZoom->setInsertPolicy(QComboBox::NoInsert);
    // Wide enough for "Seitenbreite", which it shows for a fitted page.
    CmbZoom->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    CmbZoom->setMinimumContentsLength(12);
    for (int step : ZoomSteps()) CmbZoom->addItem(QStringLiteral("%1 %").arg(step), step);
    ToolBar->addWidget(CmbZoom);
    ActVergroessern = AddAction("ActVergroessern", QStringLiteral("+"), QStringLiteral("Vergrößern"),
                                QKeySequence(Qt::CTRL | Qt::Key_Plus), [this] { ZoomIn(); });
    ToolBar->addSeparator();
    ActDrucken = AddAction("ActDrucken", QStringLiteral("Drucken..."), QStringLiteral("Die Seiten drucken"),
                           QKeySequence(Qt::CTRL | Qt::Key_P), [this] { ActDruckenClick(); });
    ActPdfSpeichern = AddAction("ActPdfSpeichern", QStringLiteral("Als PDF speichern..."),
                                QStringLiteral("Die Seiten als PDF-Datei speichern"), QKeySequence(Qt::CTRL | Qt::Key_S),
                                [this] { ActPdfSpeichernClick(); });
    ActSeiteKopieren = AddAction("ActSeiteKopieren", QStringLiteral("Seite kopieren"),
                                 QStringLiteral("Die gezeigte Seite als Bild in die Zwischenablage kopieren"),
                                 QKeySequence(), [this] { ActSeiteKopierenClick(); });
    ActSeiteAlsBild = AddAction("ActSeiteAlsBild", QStringLiteral("Seite als Bild..."),
                                QStringLiteral("Die gezeigte Seite als PNG-Bild speichern"), QKeySequence(),
                                [this] { ActSeiteAlsBildClick(); });
    ToolBar->addSeparator();
    ActSchliessen = AddAction("ActSchliessen", QStringLiteral("Schließen"), QStringLiteral("Vorschau schließen"),
                              QKeySequence(), [this] { close(); });
    ActDrucken->setVisible(!prohibited.contains(evaPrint) && m_print);
    ActPdfSpeichern->setVisible(!prohibited.contains(evaSavePdf));
    ActSeiteKopieren->setVisible(!prohibited.contains(evaCopyPage));
    ActSeiteAlsBild->setVisible(!prohibited.contains(evaSavePageImage));

    View = new QPdfView(this);
    View->setObjectName(QStringLiteral("View"));
    View->setAccessibleName(QStringLiteral("Seiten"));
    View->setPageMode(QPdfView::PageMode::MultiPage);
    View->setDocument(Document);
    View->setPageSpacing(12);
    View->setDocumentMargins(QMargins(12, 12, 12, 12));
    lay->addWidget(View, 1);

    // Paging through the navigator keeps the view and the page box together.
    connect(ActErsteSeite, &QAction::triggered, this, [this] { GotoPage(0); });
    connect(ActVorigeSeite, &QAction::triggered, this, [this] { GotoPage(CurrentPage() - 1); });
    connect(ActNaechsteSeite, &QAction::triggered, this, [this] { GotoPage(CurrentPage() + 1); });
    connect(ActLetzteSeite, &QAction::triggered, this, [this] { GotoPage(PageCount() - 1); });
    connect(SpinSeite, &QSpinBox::valueChanged, this, [this](int v) {
        if (!m_updating) GotoPage(v - 1);
    });
    connect(View->pageNavigator(), &QPdfPageNavigator::currentPageChanged, this, [this] { ShowPageState(); });
    connect(View, &QPdfView::zoomFactorChanged, this, [this] { ShowZoomState(); });
    connect(View, &QPdfView::zoomModeChanged, this, [this] { ShowZoomState(); });
    connect(CmbZoom, &QComboBox::activated, this, [this](int i) { SetZoomFactor(CmbZoom->itemData(i).toInt() / 100.0); });
    connect(CmbZoom->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        QString t = CmbZoom->currentText();
        t.remove(u'%');
        bool ok = false;
        const int perc = t.trimmed().toInt(&ok);
        if (ok) SetZoomFactor(std::clamp(perc, 10, 800) / 100.0);
        else ShowZoomState();
    });

    const QRect screen = QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry() : QRect();
    resize(screen.isValid() ? QSize(std::min(1000, screen.width() * 9 / 10), screen.height() * 9 / 10) : QSize(900, 1000));
    FitWidth();
    ShowPageState();
}

TEngPreviewWindow::~TEngPreviewWindow()
{
    // The file goes when the preview is closed; the document must let go first.
    View->setDocument(nullptr);
    Document->close();
}

QAction* TEngPreviewWindow::AddAction(const char* name, const QString& text, const QString& hint,
                                      const QKeySequence& key, const std::function<void()>& handler)
{
    auto* a = new QAction(text, this);
    a->setObjectName(QString::fromLatin1(name));
    a->setToolTip(key.isEmpty() ? hint : QStringLiteral("%1 (%2)").arg(hint, key.toString(QKeySequence::NativeText)));
    a->setStatusTip(hint);
    if (!key.isEmpty()) a->setShortcut(key);
    ToolBar->addAction(a);
    // Screen readers and robots find the button by what it does.
    if (QWidget* w = ToolBar->widgetForAction(a)) {
        w->setObjectName(QString::fromLatin1(name));
        w->setAccessibleName(hint);
    }
    if (handler) connect(a, &QAction::triggered, this, handler);
    return a;
}

int TEngPreviewWindow::PageCount() const { return Document->pageCount(); }

int TEngPreviewWindow::CurrentPage() const { return View->pageNavigator()->currentPage(); }

void TEngPreviewWindow::GotoPage(int index)
{
    if (PageCount() <= 0) return;
    index = std::clamp(index, 0, PageCount() - 1);
    View->pageNavigator()->jump(index, QPointF(), View->pageNavigator()->currentZoom());
    ShowPageState();
}

double TEngPreviewWindow::ZoomFactor() const { return View->zoomFactor(); }

void TEngPreviewWindow::SetZoomFactor(double factor)
{
    const int page = CurrentPage();
    View->setZoomMode(QPdfView::ZoomMode::Custom);
    View->setZoomFactor(factor);
    GotoPage(page);
    ShowZoomState();
}

void TEngPreviewWindow::FitWidth()
{
    View->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    ShowZoomState();
}

void TEngPreviewWindow::FitPage()
{
    const int page = CurrentPage();
    View->setZoomMode(QPdfView::ZoomMode::FitInView);
    GotoPage(page);
    ShowZoomState();
}

double TEngPreviewWindow::ShownZoom() const
{
    // In a fit mode the view keeps its last fixed factor; the page is shown at the fit.
    if (View->zoomMode() == QPdfView::ZoomMode::Custom || PageCount() <= 0) return ZoomFactor();
    const double width = FitWidthFactor();
    if (View->zoomMode() == QPdfView::ZoomMode::FitToWidth) return width;
    const QMargins m = View->documentMargins();
    const double room = View->viewport()->height() - m.top() - m.bottom();
    const double pagePx = Document->pagePointSize(CurrentPage()).height() / 72.0 * View->logicalDpiY();
    return pagePx > 0 && room > 0 ? std::min(width, room / pagePx) : width;
}

void TEngPreviewWindow::ZoomIn()
{
    const int now = qRound(ShownZoom() * 100);
    for (int step : ZoomSteps())
        if (step > now) {
            SetZoomFactor(step / 100.0);
            return;
        }
}

void TEngPreviewWindow::ZoomOut()
{
    const int now = qRound(ShownZoom() * 100);
    for (auto it = ZoomSteps().crbegin(); it != ZoomSteps().crend(); ++it)
        if (*it < now) {
            SetZoomFactor(*it / 100.0);
            return;
        }
}

void TEngPreviewWindow::ApplyAppearance(int zoomPercent, int left, int top, int width, int height)
{
    if (width > 0 && height > 0) resize(width, height);
    if (left >= 0 && top >= 0) move(left, top);
    m_startZoom = zoomPercent > 0 && zoomPercent != 100 ? std::clamp(zoomPercent, 10, 800) : 0;
    if (zoomPercent == 100) FitWidth();
    if (m_startZoom && isVisible()) SetZoomFactor(FitWidthFactor() * m_startZoom / 100.0);
}

double TEngPreviewWindow::FitWidthFactor() const
{
    if (PageCount() <= 0) return 1.0;
    const QMargins m = View->documentMargins();
    const double room = View->viewport()->width() - m.left() - m.right();
    const double pagePx = Document->pagePointSize(CurrentPage()).width() / 72.0 * View->logicalDpiX();
    return pagePx > 0 && room > 0 ? room / pagePx : 1.0;
}

void TEngPreviewWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The window's width is known only now.
    if (m_startZoom) {
        SetZoomFactor(FitWidthFactor() * m_startZoom / 100.0);
        m_startZoom = 0;
    }
    ShowZoomState();
}

void TEngPreviewWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // A fitted page changes its factor with the window.
    ShowZoomState();
}

void TEngPreviewWindow::ShowPageState()
{
    m_updating = true;
    const int n = PageCount();
    const int cur = CurrentPage();
    SpinSeite->setRange(1, std::max(1, n));
    SpinSeite->setValue(cur + 1);
    LblSeiten->setText(QStringLiteral(" von %1 ").arg(n));
    ActErsteSeite->setEnabled(cur > 0);
    ActVorigeSeite->setEnabled(cur > 0);
    ActNaechsteSeite->setEnabled(cur < n - 1);
    ActLetzteSeite->setEnabled(cur < n - 1);
    m_updating = false;
}

void TEngPreviewWindow::ShowZoomState()
{
    const int perc = qRound(ShownZoom() * 100);
    // A fitted page has no fixed factor: the box names the fit instead.
    QString shown = QStringLiteral("%1 %").arg(perc);
    if (View->zoomMode() == QPdfView::ZoomMode::FitToWidth) shown = ActSeitenbreite->text();
    else if (View->zoomMode() == QPdfView::ZoomMode::FitInView) shown = ActGanzeSeite->text();
    if (!CmbZoom->lineEdit()->hasFocus()) CmbZoom->setEditText(shown);
    ActVerkleinern->setEnabled(perc > ZoomSteps().first());
    ActVergroessern->setEnabled(perc < ZoomSteps().last());
    ActSeitenbreite->setCheckable(true);
    ActGanzeSeite->setCheckable(true);
    ActSeitenbreite->setChecked(View->zoomMode() == QPdfView::ZoomMode::FitToWidth);
    ActGanzeSeite->setChecked(View->zoomMode() == QPdfView::ZoomMode::FitInView);
}

void TEngPreviewWindow::ActDruckenClick()
{
    if (m_print) m_print(this);
}

void TEngPreviewWindow::ActPdfSpeichernClick()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QString target = PromptForFileName(TFileDialogKind::Save, QStringLiteral("Als PDF speichern"),
                                       QStringLiteral("PDF-Dateien|*.pdf"), dir, QStringLiteral("pdf"));
    if (target.isEmpty()) return;
    if (QFileInfo(target).suffix().isEmpty()) target += QStringLiteral(".pdf");
    // Copy beside the target first: a failed copy leaves an old file whole.
    const QString part = target + QStringLiteral(".part");
    QFile::remove(part);
    if (!QFile::copy(m_pdfFile, part) || (QFile::exists(target) && !QFile::remove(target)) || !QFile::rename(part, target)) {
        QFile::remove(part);
        MessageDlg(QStringLiteral("Die Datei %1 kann nicht geschrieben werden.").arg(target), mtError, mbOK);
    }
}

QImage TEngPreviewWindow::PageImage(int index, double dpi) const
{
    const QSizeF points = Document->pagePointSize(index);
    return Document->render(index, (points * dpi / 72.0).toSize());
}

void TEngPreviewWindow::ActSeiteKopierenClick()
{
    if (PageCount() > 0) QApplication::clipboard()->setImage(PageImage(CurrentPage(), 150));
}

void TEngPreviewWindow::ActSeiteAlsBildClick()
{
    if (PageCount() <= 0) return;
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    QString target = PromptForFileName(TFileDialogKind::Save, QStringLiteral("Seite als Bild speichern"),
                                       QStringLiteral("PNG-Bilder|*.png"), dir, QStringLiteral("png"));
    if (target.isEmpty()) return;
    if (QFileInfo(target).suffix().isEmpty()) target += QStringLiteral(".png");
    if (!PageImage(CurrentPage(), 150).save(target, "PNG"))
        MessageDlg(QStringLiteral("Die Datei %1 kann nicht geschrieben werden.").arg(target), mtError, mbOK);
}
