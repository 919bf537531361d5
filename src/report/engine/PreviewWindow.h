#pragma once
// The engine's preview: the pages of a print as a PDF, paged through and
// zoomed, printed or saved from here.
#include <QDialog>
#include <QSet>
#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QPdfDocument;
class QPdfView;
class QSpinBox;
class QToolBar;

class TEngPreviewWindow : public QDialog {
    Q_OBJECT
public:
    // `print` prints the pages shown (options dialog first); `prohibited`
    // holds the viewer actions the job has taken away.
    TEngPreviewWindow(QWidget* parent, const QString& pdfFile, const QString& title, const QSet<int>& prohibited,
                      std::function<void(QWidget*)> print);
    ~TEngPreviewWindow() override;

    int PageCount() const;
    int CurrentPage() const;          // 0-based
    void GotoPage(int index);
    double ZoomFactor() const;
    void SetZoomFactor(double factor);
    void FitWidth();
    void FitPage();
    void ZoomIn();
    void ZoomOut();
    // The zoom steps in per cent.
    static const QList<int>& ZoomSteps();
    // Start zoom and window place and size; values below 0 keep the defaults.
    // The zoom is in per cent of the page width that fills the window: 100
    // keeps the page at the window's width also when the window is resized.
    void ApplyAppearance(int zoomPercent, int left, int top, int width, int height);
    // The zoom factor at which the page fills the window's width.
    double FitWidthFactor() const;
    // The factor the page is shown at, also while it is fitted to the window.
    double ShownZoom() const;

    QPdfDocument* Document;
    QPdfView* View;
    QToolBar* ToolBar;
    QAction* ActErsteSeite;
    QAction* ActVorigeSeite;
    QSpinBox* SpinSeite;
    QLabel* LblSeiten;
    QAction* ActNaechsteSeite;
    QAction* ActLetzteSeite;
    QAction* ActSeitenbreite;
    QAction* ActGanzeSeite;
    QAction* ActVerkleinern;
    QComboBox* CmbZoom;
    QAction* ActVergroessern;
    QAction* ActDrucken;
    QAction* ActPdfSpeichern;
    QAction* ActSeiteKopieren;
    QAction* ActSeiteAlsBild;
    QAction* ActSchliessen;

    void ActDruckenClick();
    void ActPdfSpeichernClick();
    void ActSeiteKopierenClick();
    void ActSeiteAlsBildClick();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QAction* AddAction(const char* name, const QString& text, const QString& hint, const QKeySequence& key,
                       const std::function<void()>& handler);
    void ShowPageState();
    void ShowZoomState();
    QImage PageImage(int index, double dpi) const;
    QString m_pdfFile;
    QString m_title;
    std::function<void(QWidget*)> m_print;
    bool m_updating = false;
    int m_startZoom = 0;   // per cent of the page width, set once the window has its size
};
