#include "WatchChart.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

const QColor CWatchChart::s_lineColour(0, 90, 200);
const QColor CWatchChart::s_lossColour(220, 0, 0);
const QColor CWatchChart::s_barColour(120, 170, 230);
const QColor CWatchChart::s_chosenBarColour(0, 60, 140);

namespace {

const QColor kBackground(255, 255, 255);
const QColor kFrame(150, 150, 150);
const QColor kText(70, 70, 70);
// The history's share of the height; the bars get the rest.
constexpr double kHistoryShare = 0.6;
// Headroom above the largest value, so that it does not touch the frame.
constexpr double kHeadroom = 1.1;

QString Milliseconds(double ms)
{
    return QString::number(ms, 'f', 1) + QStringLiteral(" ms");
}

} // namespace

CWatchChart::CWatchChart(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumHeight(160);
}

void CWatchChart::SetHistory(unsigned nHop, std::vector<CWatchSample> samples)
{
    m_nHop = nHop;
    m_samples = std::move(samples);
    update();
}

void CWatchChart::SetMeans(std::vector<double> means)
{
    m_means = std::move(means);
    update();
}

QSize CWatchChart::sizeHint() const
{
    return {600, 240};
}

void CWatchChart::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    const QRect inner = rect().adjusted(s_nMargin, s_nMargin, -s_nMargin, -s_nMargin);
    if (inner.width() < 2 || inner.height() < 2 * s_nMargin + 2) {
        return;
    }
    const int historyHeight = static_cast<int>(inner.height() * kHistoryShare);
    const QRect history(inner.left(), inner.top(), inner.width(), historyHeight);
    const QRect means(inner.left(), history.bottom() + 1 + s_nMargin, inner.width(),
                      inner.bottom() - history.bottom() - s_nMargin);
    DrawHistory(painter, history);
    DrawMeans(painter, means);
}

// The latest samples, one pixel column each at most: fewer are spread across the width.
void CWatchChart::DrawHistory(QPainter& painter, const QRect& area) const
{
    const int captionHeight = painter.fontMetrics().height();
    const QRect frame = area.adjusted(0, captionHeight, 0, 0);
    painter.setPen(kFrame);
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    const QRect plot = frame.adjusted(1, 1, -1, -1);
    if (plot.height() < 2) {
        return;
    }
    const std::size_t shown = std::min<std::size_t>(m_samples.size(), static_cast<std::size_t>(plot.width()));
    const auto first = m_samples.end() - static_cast<std::ptrdiff_t>(shown);
    double top = 0;
    for (auto sample = first; sample != m_samples.end(); ++sample) {
        if (!sample->bLost) {
            top = std::max(top, sample->dRttMs);
        }
    }
    top = top > 0 ? top * kHeadroom : 1.0;
    const double step = shown > 1 ? static_cast<double>(plot.width() - 1) / static_cast<double>(shown - 1) : 0;
    auto xOf = [&](std::size_t i) { return plot.left() + static_cast<int>(std::lround(static_cast<double>(i) * step)); };
    auto yOf = [&](double ms) {
        return plot.bottom() - static_cast<int>(std::lround(ms / top * (plot.height() - 1)));
    };
    painter.setPen(QPen(s_lossColour, 1));
    for (std::size_t i = 0; i < shown; ++i) {
        if (first[static_cast<std::ptrdiff_t>(i)].bLost) {
            painter.drawLine(xOf(i), plot.top(), xOf(i), plot.bottom());
        }
    }
    painter.setPen(QPen(s_lineColour, 2));
    QPoint previous;
    bool hasPrevious = false;
    for (std::size_t i = 0; i < shown; ++i) {
        const CWatchSample& sample = first[static_cast<std::ptrdiff_t>(i)];
        if (sample.bLost) {
            hasPrevious = false;
            continue;
        }
        const QPoint point(xOf(i), yOf(sample.dRttMs));
        painter.drawLine(hasPrevious ? previous : point, point);
        previous = point;
        hasPrevious = true;
    }
    painter.setPen(kText);
    const QString caption = m_nHop == 0 ? QStringLiteral("Kein Hop gewählt")
                                        : QStringLiteral("Hop %1, bis %2").arg(m_nHop).arg(Milliseconds(top));
    painter.drawText(QRect(area.left(), area.top(), area.width(), captionHeight), Qt::AlignLeft | Qt::AlignTop, caption);
}

void CWatchChart::DrawMeans(QPainter& painter, const QRect& area) const
{
    const int captionHeight = painter.fontMetrics().height();
    const QRect bars = area.adjusted(0, captionHeight, 0, 0);
    painter.setPen(kFrame);
    painter.drawLine(bars.bottomLeft(), bars.bottomRight());
    if (m_means.empty() || bars.height() < 2) {
        return;
    }
    double top = 0;
    for (const double mean : m_means) {
        if (!std::isnan(mean)) {
            top = std::max(top, mean);
        }
    }
    top = top > 0 ? top * kHeadroom : 1.0;
    const int count = static_cast<int>(m_means.size());
    const double slot = static_cast<double>(bars.width()) / count;
    const int barWidth = std::max(1, static_cast<int>(slot * 0.7));
    const int baseline = bars.bottom() - 1;
    const int usable = bars.height() - 1;
    for (int i = 0; i < count; ++i) {
        const int left = bars.left() + static_cast<int>(slot * i + (slot - barWidth) / 2);
        const double mean = m_means[static_cast<std::size_t>(i)];
        if (std::isnan(mean)) {
            painter.fillRect(QRect(left, baseline - 2, barWidth, 3), s_lossColour);
            continue;
        }
        const int height = std::max(1, static_cast<int>(std::lround(mean / top * usable)));
        const bool chosen = static_cast<unsigned>(i + 1) == m_nHop;
        painter.fillRect(QRect(left, baseline - height + 1, barWidth, height), chosen ? s_chosenBarColour : s_barColour);
    }
    painter.setPen(kText);
    painter.drawText(QRect(area.left(), area.top(), area.width(), captionHeight), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("Mittel je Hop, bis %1").arg(Milliseconds(top)));
}
