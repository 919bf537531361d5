#pragma once
// What a bar chart shows, apart from how it is drawn: the bars, their
// colours, their shares, and which of them fit the part in view.
#include <QColor>
#include <QString>
#include <utility>
#include <vector>

struct TBarPoint {
    QString Label;
    double Value = 0;
};

class TBarData {
public:
    void Assign(std::vector<TBarPoint> points);
    int Count() const { return int(m_points.size()); }
    const TBarPoint& At(int i) const { return m_points.at(size_t(i)); }
    // Sum of all values: the whole the shares are taken of.
    double Total() const { return m_total; }
    // Share of a bar in percent; 0 when the values add up to nothing.
    double Share(int i) const;
    // The mark over a bar: its label and its share, "A-100 12,5 %".
    QString MarkText(int i) const;
    // Longest label, for sizing marks and axis labels without measuring every one.
    int LongestLabel() const { return m_longest; }

    // Each bar in its own colour; neighbours differ clearly.
    static QColor BarColor(int i);

    // The full horizontal range: bar i stands at x = i, one unit wide.
    double FullStart() const { return -0.5; }
    double FullEnd() const { return Count() - 0.5; }
    // First and last bar reaching into [x0, x1]; first > last when none does.
    std::pair<int, int> VisibleBars(double x0, double x1) const;
    // Lowest and highest value of bars first..last, always including 0.
    std::pair<double, double> ValueRange(int first, int last) const;

private:
    std::vector<TBarPoint> m_points;
    double m_total = 0;
    int m_longest = 0;
};

// Every how many bars a text fits beside the next one: 1 when each fits,
// otherwise only every n-th bar carries its text.
int LabelStride(double pixelsPerBar, double textWidth);
