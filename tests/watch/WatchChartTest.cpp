// The chart read back pixel by pixel: the chosen hop's round trips as a line at their
// heights, a lost probe as a red stroke at its place, and the bars of the hops' means in
// proportion, the chosen one darker, a silent hop's a red stub.

#include "WatchChart.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;

QImage Render(CWatchChart& chart)
{
    chart.resize(kWidth, kHeight);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    chart.render(&image);
    return image;
}

// The rows of column x that have the colour, top first.
std::vector<int> RowsOf(const QImage& image, int x, const QColor& colour, int fromY = 0, int toY = kHeight)
{
    std::vector<int> rows;
    for (int y = fromY; y < toY; ++y) {
        if (image.pixelColor(x, y) == colour)
            rows.push_back(y);
    }
    return rows;
}

// The columns of the image that hold the colour anywhere.
std::vector<int> ColumnsOf(const QImage& image, const QColor& colour)
{
    std::vector<int> columns;
    for (int x = 0; x < kWidth; ++x) {
        if (!RowsOf(image, x, colour).empty())
            columns.push_back(x);
    }
    return columns;
}

} // namespace

TEST(WatchChart, DrawsRoundTripsLossesAndMeanBars)
{
    CWatchChart chart;
    // Ten rounds at 10 ms, but the fourth lost and the seventh at 40 ms; three hops, the
    // second chosen, the third silent.
    std::vector<CWatchSample> samples;
    for (unsigned round = 1; round <= 10; ++round)
        samples.push_back({round, round == 7 ? 40.0 : 10.0, round == 4});
    samples[3].dRttMs = 0;
    chart.SetHistory(2, samples);
    chart.SetMeans({5.0, 20.0, std::nan("")});
    const QImage image = Render(chart);

    // One red stroke, at the fourth of ten places across the plot, from its top to its bottom.
    const std::vector<int> loss = ColumnsOf(image, CWatchChart::s_lossColour);
    ASSERT_FALSE(loss.empty());
    const std::vector<int> line = ColumnsOf(image, CWatchChart::s_lineColour);
    ASSERT_FALSE(line.empty());
    const int left = line.front();
    const int right = line.back();
    const double step = (right - left) / 9.0;
    EXPECT_NEAR(loss.front(), left + 3 * step, 2.0);
    const std::vector<int> lossRows = RowsOf(image, loss.front(), CWatchChart::s_lossColour);
    ASSERT_GT(lossRows.size(), 100u);
    const int plotTop = lossRows.front();
    const int plotBottom = lossRows.back();

    // The 40 ms peak stands four times as high above the plot's bottom as the 10 ms rounds.
    auto heightAt = [&](double place) {
        const std::vector<int> rows = RowsOf(image, static_cast<int>(std::lround(left + place * step)),
                                             CWatchChart::s_lineColour, plotTop, plotBottom + 1);
        return rows.empty() ? -1 : plotBottom - rows.front();
    };
    const int low = heightAt(1);
    const int peak = heightAt(6);
    ASSERT_GT(low, 0);
    EXPECT_NEAR(static_cast<double>(peak) / low, 4.0, 0.3);
    // No line through the lost round.
    EXPECT_TRUE(RowsOf(image, loss.front(), CWatchChart::s_lineColour).empty());

    // Below the plot: the first hop's bar a quarter of the chosen second's, which is darker;
    // the silent third a red stub on the same baseline.
    const std::vector<int> chosen = ColumnsOf(image, CWatchChart::s_chosenBarColour);
    const std::vector<int> plain = ColumnsOf(image, CWatchChart::s_barColour);
    ASSERT_FALSE(chosen.empty());
    ASSERT_FALSE(plain.empty());
    EXPECT_LT(plain.back(), chosen.front());
    const int chosenMiddle = chosen[chosen.size() / 2];
    const int plainMiddle = plain[plain.size() / 2];
    const std::vector<int> chosenRows = RowsOf(image, chosenMiddle, CWatchChart::s_chosenBarColour);
    const std::vector<int> plainRows = RowsOf(image, plainMiddle, CWatchChart::s_barColour);
    EXPECT_GT(chosenRows.front(), plotBottom);
    EXPECT_EQ(chosenRows.back(), plainRows.back());
    EXPECT_NEAR(static_cast<double>(chosenRows.size()) / plainRows.size(), 4.0, 0.2);
    const int stubColumn = chosenMiddle + (chosenMiddle - plainMiddle);
    const std::vector<int> stub = RowsOf(image, stubColumn, CWatchChart::s_lossColour, plotBottom + 1);
    ASSERT_FALSE(stub.empty());
    EXPECT_EQ(stub.back(), chosenRows.back());
}
