#include "BarData.h"
#include "DBFormat.h"
#include <algorithm>
#include <cmath>
#include <limits>

void TBarData::Assign(std::vector<TBarPoint> points)
{
    m_points = std::move(points);
    m_total = 0;
    m_longest = 0;
    for (const TBarPoint& p : m_points) {
        m_total += p.Value;
        m_longest = std::max(m_longest, int(p.Label.size()));
    }
}

double TBarData::Share(int i) const
{
    if (m_total == 0) return 0;
    return At(i).Value * 100.0 / m_total;
}

QString TBarData::MarkText(int i) const
{
    return At(i).Label + u' ' + DBFormat::FormatFloat(QStringLiteral("##0.##"), Share(i)) + QStringLiteral(" %");
}

QColor TBarData::BarColor(int i)
{
    // Hues a golden angle apart never repeat and keep neighbours far apart;
    // three brightness steps help where hues come close after many bars.
    const double hue = std::fmod(i * 137.50776405, 360.0);
    static const int values[] = {235, 190, 150};
    return QColor::fromHsv(int(hue), 200, values[(i / 3) % 3]);
}

std::pair<int, int> TBarData::VisibleBars(double x0, double x1) const
{
    if (Count() == 0 || x1 < x0) return {0, -1};
    // Bar i fills [i - 0.5, i + 0.5]; one that only touches the edge is out.
    const int first = std::max(0, int(std::floor(x0 - 0.5)) + 1);
    const int last = std::min(Count() - 1, int(std::ceil(x1 + 0.5)) - 1);
    return {first, last};
}

std::pair<double, double> TBarData::ValueRange(int first, int last) const
{
    double lo = 0, hi = 0;
    for (int i = std::max(first, 0); i <= last && i < Count(); ++i) {
        lo = std::min(lo, m_points[size_t(i)].Value);
        hi = std::max(hi, m_points[size_t(i)].Value);
    }
    return {lo, hi};
}

int LabelStride(double pixelsPerBar, double textWidth)
{
    if (pixelsPerBar <= 0) return std::numeric_limits<int>::max();
    if (textWidth <= pixelsPerBar) return 1;
    const double n = std::ceil(textWidth / pixelsPerBar);
    return n >= double(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max() : int(n);
}
