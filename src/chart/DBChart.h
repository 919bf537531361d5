#pragma once
// A bar chart over a data set: one bar per record, labelled by one field,
// as high as another. Zooms and pans horizontally with the mouse; only the
// bars in view are drawn, so a park of any size stays responsive.
#include "BarData.h"
#include <QChartView>
#include <QPointer>

class QRubberBand;
class QValueAxis;
class QVariantAnimation;
class TDataSource;
class TBarItem;

class TDBChart : public QChartView {
    Q_OBJECT
public:
    explicit TDBChart(QWidget* parent = nullptr);
    ~TDBChart() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    QString LabelField() const { return m_labelField; }
    void SetLabelField(const QString& field) { m_labelField = field; }
    QString ValueField() const { return m_valueField; }
    // Takes effect at the next RefreshData.
    void SetValueField(const QString& field) { m_valueField = field; }
    QString Title() const;
    void SetTitle(const QString& title);

    // Reads every record of the data set again without moving it. Throws
    // the store's error when a field is missing; the old bars stay then.
    void RefreshData();
    // Shows these bars, the whole range in view.
    void SetData(std::vector<TBarPoint> points);
    const TBarData& Data() const { return m_data; }

    // The horizontal part in view, in bar units (bar i stands at x = i).
    double ViewStart() const { return m_x0; }
    double ViewEnd() const { return m_x1; }
    bool Zoomed() const;
    // Shows [x0, x1], kept inside the bars and at least one bar wide.
    void ZoomTo(double x0, double x1, bool animated = true);
    void UndoZoom(bool animated = true);
    // Moves the view by a number of bars, stopping at either end.
    void Scroll(double bars);
    bool Animating() const;

    // Bars that carry a mark and an axis label in the current view.
    QList<int> MarkedBars() const;
    QList<int> LabelledBars() const;

    // Writes the chart as drawn now as an SVG picture.
    bool SaveToSvg(const QString& fileName);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    friend class TBarItem;
    void SetView(double x0, double x1);
    void FitValueAxis();
    double PixelsPerBar() const;
    double BarAt(double xPixel) const;
    int MarkWidth() const;
    int LabelWidth() const;
    QList<int> TextedBars(int textWidth) const;

    QPointer<TDataSource> m_source;
    QString m_labelField, m_valueField;
    TBarData m_data;
    double m_x0 = -0.5, m_x1 = 0.5;
    QValueAxis* m_axisY;
    TBarItem* m_bars;
    QVariantAnimation* m_zoomAnimation;
    QRubberBand* m_band = nullptr;
    QPoint m_pressPos;
    Qt::MouseButton m_dragButton = Qt::NoButton;
    double m_panStart = 0;
};
