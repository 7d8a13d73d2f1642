#include "DrawBevelFrame.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

    // Draws on a 10 x 8 white image and returns it as rows of characters: T top colour, B bottom
    // colour, . untouched.
    std::vector<std::string> Draw(QRect& r, int times)
    {
        QImage image(10, 8, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            for (int i = 0; i < times; ++i)
                DrawBevelFrame(painter, r, Qt::red, Qt::blue);
        }
        std::vector<std::string> rows;
        for (int y = 0; y < image.height(); ++y) {
            std::string row;
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                row += p == QColor(Qt::red).rgb() ? 'T' : p == QColor(Qt::blue).rgb() ? 'B' : '.';
            }
            rows.push_back(row);
        }
        return rows;
    }

    TEST(DrawBevelFrame, edgesCornersAndTheShrunkRectangle)
    {
        QRect r(QPoint(1, 1), QPoint(7, 5)); // left 1, top 1, right 8 and bottom 6 exclusive
        const std::vector<std::string> expected = {
            "..........",
            ".TTTTTTB..",
            ".T.....B..",
            ".T.....B..",
            ".T.....B..",
            ".BBBBBBB..",
            "..........",
            "..........",
        };
        EXPECT_EQ(Draw(r, 1), expected);
        EXPECT_EQ(r, QRect(QPoint(2, 2), QPoint(6, 4)));
    }

    TEST(DrawBevelFrame, aSecondCallDrawsJustInside)
    {
        QRect r(QPoint(0, 0), QPoint(9, 7));
        const std::vector<std::string> expected = {
            "TTTTTTTTTB",
            "TTTTTTTTBB",
            "TT......BB",
            "TT......BB",
            "TT......BB",
            "TT......BB",
            "TBBBBBBBBB",
            "BBBBBBBBBB",
        };
        EXPECT_EQ(Draw(r, 2), expected);
        EXPECT_EQ(r, QRect(QPoint(2, 2), QPoint(7, 5)));
    }

} // namespace
} // namespace quorvane::test
