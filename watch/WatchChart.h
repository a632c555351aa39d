#pragma once
// The watch window's chart, drawn with QPainter: above, the chosen hop's round trips over
// the latest rounds as a line, each lost probe a red stroke across the plot; below, one bar
// per hop of its mean round trip, the chosen hop's bar darker and a silent hop's a red
// stub. It shows what it is given and keeps nothing else.

#include "WatchSample.h"

#include <QColor>
#include <QWidget>

#include <vector>

class QPainter;

class CWatchChart : public QWidget {
public:
    explicit CWatchChart(QWidget* parent = nullptr);

    // The chosen hop (from 1) and its samples, oldest first.
    void SetHistory(unsigned nHop, std::vector<CWatchSample> samples);
    // Each hop's mean round trip in ms (hop 1 first), NaN for a hop that never answered.
    void SetMeans(std::vector<double> means);

    QSize sizeHint() const override;

    // The colours the chart draws with; text and axes use none of them.
    static const QColor s_lineColour;
    static const QColor s_lossColour;
    static const QColor s_barColour;
    static const QColor s_chosenBarColour;
    static constexpr int s_nMargin = 6; // px around and between the two parts

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawHistory(QPainter& painter, const QRect& area) const;
    void DrawMeans(QPainter& painter, const QRect& area) const;

    unsigned m_nHop = 0; // the chosen hop, from 1; 0 when none
    std::vector<CWatchSample> m_samples;
    std::vector<double> m_means; // ms
};
