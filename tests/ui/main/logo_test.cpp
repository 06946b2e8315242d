#include <gtest/gtest.h>

#include <QImage>

#include "ui/main/logo.h"

// The wave is the logo's one drawing below the titles: its orange must show there, and at every
// device pixel ratio the picture keeps its logical size with the screen's pixels behind it.
TEST(Logo, DrawsTheWaveAtTheScreensPixelRatio) {
    constexpr int kHeight = 60;
    for (const qreal dpr : {1.0, 2.0}) {
        const QPixmap logo = make_logo(kHeight, dpr);
        EXPECT_EQ(logo.size(), QSize(3 * kHeight, kHeight) * dpr);
        EXPECT_EQ(logo.devicePixelRatio(), dpr);

        const QImage image = logo.toImage();
        int orange = 0;
        for (int y = image.height() * 6 / 10; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                orange += c.red() > 200 && c.green() > 140 && c.blue() < 120;
            }
        EXPECT_GT(orange, image.width() / 2) << "dpr " << dpr;  // a line across most of the width
    }
}
