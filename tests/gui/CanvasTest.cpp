#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Font.h"

namespace trek::platform {
namespace {

using testing::InkBox;
using testing::Rgb24;

constexpr uint32_t kWhitePixel = 0xFFFFFFFF;

TEST(Font, ArialResolvesThroughFontconfigToLiberationSans) {
    EXPECT_EQ(ResolveFontFamily("Arial"), "Liberation Sans");
    // The handheld named its fonts by file.
    EXPECT_EQ(ResolveFontFamily("\\Windows\\Arial.ttf"), "Liberation Sans");
}

TEST(Canvas, ColorsAreColorRefsAndRectanglesArePixelExact) {
    Bitmap b(40, 30);
    Canvas c(b);
    c.fillRect({2, 3, 12, 8}, Rgb(255, 0, 0));
    EXPECT_EQ(b.pixel(2, 3), 0xFFFF0000u);   // 0xAARRGGBB
    EXPECT_EQ(b.pixel(11, 7), 0xFFFF0000u);
    EXPECT_EQ(b.pixel(12, 7), kWhitePixel);  // right and bottom lie outside
    EXPECT_EQ(b.pixel(11, 8), kWhitePixel);

    // Rectangle: pen drawn inside the rectangle, brush inside the pen.
    c.setPen(Pen{Rgb(0, 0, 255), 2});
    c.setBrush(Brush{Rgb(0, 255, 0)});
    c.rectangle({20, 10, 30, 20});
    EXPECT_EQ(Rgb24(b, 20, 10), 0x0000FFu);
    EXPECT_EQ(Rgb24(b, 21, 11), 0x0000FFu);
    EXPECT_EQ(Rgb24(b, 22, 12), 0x00FF00u);
    EXPECT_EQ(Rgb24(b, 29, 19), 0x0000FFu);
    EXPECT_EQ(Rgb24(b, 30, 20), 0xFFFFFFu);
    EXPECT_EQ(c.getPixel(25, 15), Rgb(0, 255, 0));
}

TEST(Canvas, ViewportMovesTheOriginAndClipsDrawing) {
    Bitmap b(50, 50);
    Canvas c(b, Rect{10, 10, 30, 30});
    c.fillRect({-100, -100, 100, 100}, Rgb(0, 0, 0));
    EXPECT_EQ(InkBox(b, kWhitePixel), (Rect{10, 10, 30, 30}));
    c.setPixel(0, 0, Rgb(255, 0, 0));
    EXPECT_EQ(Rgb24(b, 10, 10), 0xFF0000u);
    c.intersectClip({5, 5, 8, 8});
    c.fillRect({0, 0, 20, 20}, Rgb(0, 0, 255));
    EXPECT_EQ(Rgb24(b, 15, 15), 0x0000FFu);
    EXPECT_EQ(Rgb24(b, 18, 18), 0x000000u);
    c.resetClip();
    c.fillRect({0, 0, 1, 1}, Rgb(0, 255, 0));
    EXPECT_EQ(Rgb24(b, 10, 10), 0x00FF00u);
}

TEST(Canvas, LinesPolygonsAndEllipsesStayInsideTheirBounds) {
    Bitmap b(60, 60);
    Canvas c(b);
    c.setAntialias(false);
    c.setPen(Pen{Rgb(0, 0, 0), 1});
    c.line(5, 10, 50, 10);
    Rect ink = InkBox(b, kWhitePixel);
    EXPECT_EQ(ink.top, 10);
    EXPECT_EQ(ink.height(), 1);
    EXPECT_EQ(ink.left, 5);

    Bitmap e(60, 60);
    Canvas ce(e);
    ce.setPen(Pen{Rgb(0, 0, 0), 1});
    ce.setBrush(Brush{Rgb(255, 0, 0)});
    ce.ellipse({10, 20, 50, 40});
    Rect box = InkBox(e, kWhitePixel);
    EXPECT_GE(box.left, 10);
    EXPECT_LE(box.right, 50);
    EXPECT_GE(box.top, 20);
    EXPECT_LE(box.bottom, 40);
    EXPECT_EQ(Rgb24(e, 30, 30), 0xFF0000u);  // filled with the brush
    EXPECT_EQ(Rgb24(e, 11, 21), 0xFFFFFFu);  // the corner is outside the ellipse

    Bitmap p(60, 60);
    Canvas cp(p);
    cp.setAntialias(false);
    cp.setPen(Pen{0, 1, PenStyle::Null});
    cp.setBrush(Brush{Rgb(0, 0, 255)});
    Point tri[] = {{10, 10}, {50, 10}, {10, 50}};
    cp.polygon(tri);
    EXPECT_EQ(Rgb24(p, 15, 15), 0x0000FFu);
    EXPECT_EQ(Rgb24(p, 45, 45), 0xFFFFFFu);
}

TEST(Canvas, ShapesAfterTextAreNotJoinedToTheTextEnd) {
    // Text leaves a current point behind; an ellipse or rounded rectangle drawn
    // next must not start with a line from there.
    for (int shape = 0; shape < 2; ++shape) {
        Bitmap b(120, 60);
        Canvas c(b);
        c.setPen(Pen{Rgb(0, 0, 0), 1});
        c.setBrush(Brush::hollow());
        c.textOut(2, 2, "ab");
        Rect text = InkBox(b, kWhitePixel);
        if (shape == 0)
            c.ellipse({80, 30, 110, 55});
        else
            c.roundRect({80, 30, 110, 55}, 6);
        // Nothing between the text and the shape got ink.
        for (int y = 0; y < 60; ++y)
            for (int x = text.right + 2; x < 78; ++x)
                ASSERT_EQ(Rgb24(b, x, y), 0xFFFFFFu) << "shape " << shape << " at " << x << "," << y;
    }
}

TEST(Canvas, CopyStretchAndColorKeyTransparency) {
    Bitmap src(4, 2);
    for (int x = 0; x < 4; ++x) {
        src.setPixel(x, 0, ColorRefToPixel(x % 2 ? Rgb(255, 0, 255) : Rgb(0, 0, 0)));
        src.setPixel(x, 1, ColorRefToPixel(Rgb(0, 128, 0)));
    }
    Bitmap dst(20, 20);
    Canvas c(dst);
    c.copyFrom(src, {0, 0, 4, 2}, {1, 1});
    EXPECT_EQ(Rgb24(dst, 2, 1), 0xFF00FFu);

    c.stretchFrom(src, {0, 0, 4, 2}, {0, 10, 8, 14});  // twice the size, nearest neighbour
    EXPECT_EQ(Rgb24(dst, 0, 10), 0x000000u);
    EXPECT_EQ(Rgb24(dst, 1, 11), 0x000000u);
    EXPECT_EQ(Rgb24(dst, 2, 10), 0xFF00FFu);
    EXPECT_EQ(Rgb24(dst, 7, 13), 0x008000u);

    Bitmap keyed(20, 20);
    Canvas ck(keyed);
    ck.transparentFrom(src, {0, 0, 4, 2}, {0, 0, 4, 2}, Rgb(255, 0, 255));
    EXPECT_EQ(Rgb24(keyed, 0, 0), 0x000000u);
    EXPECT_EQ(Rgb24(keyed, 1, 0), 0xFFFFFFu);  // the key colour left the background alone
    EXPECT_EQ(Rgb24(keyed, 1, 1), 0x008000u);
}

TEST(Canvas, CopyWithinOneBitmapScrollsWithoutSmearing) {
    Bitmap b(10, 1);
    for (int x = 0; x < 10; ++x) b.setPixel(x, 0, 0xFF000000u | static_cast<uint32_t>(x));
    Canvas c(b);
    c.copyFrom(b, {0, 0, 8, 1}, {2, 0});
    for (int x = 2; x < 10; ++x) EXPECT_EQ(b.pixel(x, 0) & 0xFF, static_cast<uint32_t>(x - 2)) << x;
}

TEST(Canvas, TextBackgroundModes) {
    Bitmap opaque(100, 30), transparent(100, 30);
    for (auto* b : {&opaque, &transparent}) {
        Canvas c(*b);
        c.setFont(Font{"Arial", -16});
        c.setBackgroundColor(Rgb(0, 255, 0));
        c.setBackgroundMode(b == &opaque ? BackgroundMode::Opaque : BackgroundMode::Transparent);
        c.textOut(5, 5, "Hi");
    }
    EXPECT_EQ(Rgb24(opaque, 5, 5), 0x00FF00u);  // the cell is filled with the background colour
    Rect ink = InkBox(transparent, kWhitePixel);
    EXPECT_FALSE(ink.empty());
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 100; ++x) ASSERT_NE(Rgb24(transparent, x, y), 0x00FF00u);
}

TEST(Canvas, TextExtentsGrowWithTextAndFont) {
    Bitmap b(10, 10);
    Canvas c(b);
    c.setFont(Font{"Arial", -13});
    Size small = c.textExtent("Trekvane");
    EXPECT_GT(small.width, 30);
    EXPECT_GE(small.height, 13);
    EXPECT_GT(c.textExtent("Trekvane Trekvane").width, small.width);
    c.setFont(Font{"Arial", -26});
    EXPECT_GT(c.textExtent("Trekvane").width, small.width * 3 / 2);
    c.setFont(Font{"Arial", -26, 700});
    Size bold = c.textExtent("Trekvane");
    c.setFont(Font{"Arial", -26, 400});
    EXPECT_GT(bold.width, c.textExtent("Trekvane").width);
}

TEST(Canvas, DrawTextFlags) {
    const Rect box{10, 10, 110, 70};
    auto draw = [&](const char* text, uint32_t flags) {
        Bitmap b(140, 100);
        Canvas c(b);
        c.setFont(Font{"Arial", -13});
        c.setBackgroundMode(BackgroundMode::Transparent);
        c.drawText(text, box, flags);
        return InkBox(b, kWhitePixel);
    };
    Rect left = draw("Go", DT_LEFT | DT_TOP | DT_SINGLELINE);
    Rect centre = draw("Go", DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    Rect right = draw("Go", DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
    EXPECT_LT(left.left, 14);
    EXPECT_LT(left.top, 16);
    EXPECT_NEAR((centre.left + centre.right) / 2, 60, 3);
    EXPECT_NEAR((centre.top + centre.bottom) / 2, 40, 4);
    EXPECT_GT(right.right, 105);
    EXPECT_GT(right.bottom, 62);

    // Too long for one line: clipped to the box, or shortened with "...".
    const char* longText = "A rather long label that cannot fit into the box";
    Rect clipped = draw(longText, DT_SINGLELINE);
    EXPECT_LE(clipped.right, box.right);
    Rect noclip = draw(longText, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(noclip.right, box.right);
    Rect ellipsis = draw(longText, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    EXPECT_LE(ellipsis.right, box.right);
    // Word break makes several lines inside the width.
    Rect wrapped = draw(longText, DT_WORDBREAK | DT_NOCLIP);
    EXPECT_LE(wrapped.right, box.right);
    EXPECT_GT(wrapped.height(), 30);
}

TEST(Canvas, DrawTextMeasuresWithCalcRectAndHandlesPrefixes) {
    Bitmap b(10, 10);
    Canvas c(b);
    c.setFont(Font{"Arial", -13});
    Rect one{0, 0, 200, 0};
    int h1 = c.drawText("Pause", one, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(one.width(), c.textExtent("Pause").width);
    EXPECT_EQ(h1, c.lineHeight());
    // "&" marks the access key and is not shown; "&&" shows one "&".
    Rect prefixed{0, 0, 200, 0};
    c.drawText("&Pause", prefixed, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(prefixed.width(), one.width());
    Rect literal{0, 0, 200, 0};
    c.drawText("&Pause", literal, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_GT(literal.width(), one.width());
    Rect wrapped{0, 0, 60, 0};
    int h = c.drawText("one two three four five", wrapped, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_GE(h, 3 * c.lineHeight());
    EXPECT_EQ(wrapped.bottom, h);
    Rect lines{0, 0, 200, 0};
    EXPECT_EQ(c.drawText("a\r\nb\nc", lines, DT_CALCRECT), 3 * c.lineHeight());
}

TEST(Canvas, PathEllipsisKeepsTheFileName) {
    Bitmap b(400, 40);
    Canvas c(b);
    c.setFont(Font{"Arial", -13});
    c.setBackgroundMode(BackgroundMode::Transparent);
    const std::string path = "\\Storage Card\\Trekvane\\Maps\\Very\\Deep\\Folder\\alps.tvm";
    int full = c.textExtent(path).width;
    int tail = c.textExtent("...\\alps.tvm").width;
    Rect r{0, 0, (full + tail) / 2, 20};
    c.drawText(path, r, DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_NOPREFIX);
    Rect ink = InkBox(b, kWhitePixel);
    EXPECT_LE(ink.right, r.right);
    // The right end of the drawn text is the file name: it ends where "alps.tvm" ends.
    EXPECT_GT(ink.right, r.right - c.textExtent("a").width * 3);
}

}  // namespace
}  // namespace trek::platform
