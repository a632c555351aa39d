// The committed artwork as the program's toolkit reads it: sizes and colour depths that the
// toolbar, the splash window and the icons rely on.

#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QString>

#include <gtest/gtest.h>

#include <vector>

namespace {

QString ImagePath(const char* name)
{
    return QStringLiteral(QUORAIL_IMAGES_DIR "/") + QLatin1String(name);
}

int DistinctColours(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    }
    return colours.size();
}

} // namespace

TEST(Artwork, BitmapsHaveTheirSizesAndSixteenColours)
{
    const struct {
        const char* m_name;
        QSize m_size;
    } bitmaps[] = {{"toolbar.bmp", QSize(160, 15)}, {"splash.bmp", QSize(520, 317)}};
    for (const auto& bitmap : bitmaps) {
        SCOPED_TRACE(bitmap.m_name);
        QImage image(ImagePath(bitmap.m_name));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), bitmap.m_size);
        EXPECT_LE(image.colorCount(), 16);
        EXPECT_GE(DistinctColours(image), 6);
    }
}

TEST(Artwork, IconsHoldTheThreeClassicImages)
{
    for (const char* name : {"icon128.ico", "icon129.ico"}) {
        SCOPED_TRACE(name);
        QImageReader reader(ImagePath(name));
        ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
        std::vector<std::pair<int, int>> found; // size, colours
        do {
            const QImage image = reader.read();
            ASSERT_FALSE(image.isNull());
            EXPECT_TRUE(image.hasAlphaChannel());
            EXPECT_EQ(image.pixel(0, image.height() - 1) >> 24, 0u) << "corner is transparent";
            const QImage opaque = image.convertToFormat(QImage::Format_RGB32);
            found.emplace_back(image.width(), DistinctColours(opaque));
        } while (reader.jumpToNextImage());
        ASSERT_EQ(found.size(), 3u);
        EXPECT_EQ(found[0].first, 32);
        EXPECT_LE(found[0].second, 16);
        EXPECT_EQ(found[1].first, 16);
        EXPECT_LE(found[1].second, 16);
        EXPECT_EQ(found[2].first, 32);
        EXPECT_GT(found[2].second, 16);
    }
    const QImage desktop(ImagePath("icon128.png"));
    EXPECT_GE(desktop.width(), 48);
    EXPECT_EQ(desktop.width(), desktop.height());
}
