#include "nuko/draw3d.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <nu_32std_draw.h>
#include "nuko/balloon_window.h"
#include "qt_app.h"

using namespace nuko::draw;

namespace {

QImage Canvas(int w, int h, QColor fill) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(fill);
    return img;
}

int Count(const QImage& img, QColor c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) == c) ++n;
    return n;
}

QPalette TestPalette() {
    QPalette pal;
    pal.setColor(QPalette::Light, Qt::white);
    pal.setColor(QPalette::Dark, QColor(128, 128, 128));
    pal.setColor(QPalette::Button, QColor(212, 208, 200));
    return pal;
}

}  // namespace

TEST(Draw3D, RaisedTextDrawsExactColoursAndKeepsTheBackground) {
    nuko::test::QtApp();
    const QColor green(0, 128, 0);
    QImage img = Canvas(200, 40, green);
    {
        QPainter p(&img);
        QFont f;
        f.setPixelSize(20);
        TextOptions o{0x0000FF /* red */, Style::Raised, kKeepBackground, 0xFFFFFF, &f};
        TextOut(p, 10, 5, QStringLiteral("Test 曲"), 0, 0, o);
    }
    int red = Count(img, QColor(255, 0, 0));
    int white = Count(img, QColor(255, 255, 255));
    EXPECT_GT(red, 20);
    EXPECT_GT(white, 5);  // the highlight copy shows up-left of the glyphs
    // Only the three colours: no smoothing shades, the background untouched.
    EXPECT_EQ(Count(img, green) + red + white, 200 * 40);
}

TEST(Draw3D, WidthZeroSizesTheBoxFromTheText) {
    nuko::test::QtApp();
    QImage img = Canvas(300, 60, Qt::black);
    QFont f;
    f.setPixelSize(16);
    {
        QPainter p(&img);
        TextOptions o{0xFFFFFF, Style::Flat, 0x00FF00 /* green box */, 0xFFFFFF, &f};
        TextOut(p, 0, 0, QStringLiteral("abcd"), 0, 0, o);
    }
    QFontMetrics fm(f);
    EXPECT_EQ(img.pixelColor(4 * fm.averageCharWidth() - 1, fm.height() - 1), QColor(0, 255, 0));
    EXPECT_EQ(img.pixelColor(4 * fm.averageCharWidth() + 1, 1), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(1, fm.height() + 1), QColor(Qt::black));
}

TEST(Draw3D, BoxTypes) {
    nuko::test::QtApp();
    const QPalette pal = TestPalette();
    QImage img = Canvas(40, 40, Qt::black);
    {
        QPainter p(&img);
        Box3D(p, QRect(0, 0, 40, 40), 2, 0, 0, 0x0000FF, pal);  // type 0: fill only
    }
    EXPECT_EQ(Count(img, QColor(255, 0, 0)), 1600);
    img.fill(Qt::black);
    {
        QPainter p(&img);
        Box3D(p, QRect(0, 0, 40, 40), 1, 1, 0, kKeepBackground, pal);  // raised
    }
    EXPECT_EQ(img.pixelColor(0, 10), QColor(Qt::white));        // left edge light
    EXPECT_EQ(img.pixelColor(10, 0), QColor(Qt::white));         // top edge light
    EXPECT_EQ(img.pixelColor(39, 10), QColor(128, 128, 128));    // right edge shadow
    EXPECT_EQ(img.pixelColor(10, 39), QColor(128, 128, 128));    // bottom edge shadow
    EXPECT_EQ(img.pixelColor(20, 20), QColor(Qt::black));        // inside kept
    img.fill(Qt::black);
    {
        QPainter p(&img);
        Box3D(p, QRect(0, 0, 40, 40), 1, 3, 2, kKeepBackground, pal);  // raised, sunken inside
    }
    EXPECT_EQ(img.pixelColor(3, 10), QColor(128, 128, 128));  // inner frame at 1 + 2
}

TEST(Draw3D, LineHasACopyInTheOtherColour) {
    nuko::test::QtApp();
    QImage img = Canvas(20, 20, Qt::black);
    {
        QPainter p(&img);
        Line3D(p, 2, 5, 15, 5, 2, TestPalette());  // sunken horizontal
    }
    EXPECT_EQ(img.pixelColor(8, 5), QColor(128, 128, 128));
    EXPECT_EQ(img.pixelColor(8, 6), QColor(Qt::white));
}

TEST(Draw3D, ButtonColourMapping) {
    QImage src(3, 1, QImage::Format_RGB32);
    src.setPixel(0, 0, qRgb(192, 192, 192));
    src.setPixel(1, 0, qRgb(128, 128, 128));
    src.setPixel(2, 0, qRgb(255, 255, 255));
    QImage out = MapToButtonColors(src, TestPalette());
    EXPECT_EQ(out.pixelColor(0, 0), QColor(212, 208, 200));
    EXPECT_EQ(out.pixelColor(1, 0), QColor(128, 128, 128));
    EXPECT_EQ(out.pixelColor(2, 0), QColor(Qt::white));
}

TEST(Draw3D, ExportsAndFontList) {
    nuko::test::QtApp();
    QImage img = Canvas(50, 30, Qt::black);
    {
        QPainter p(&img);
        NuKoRect r{0, 0, 50, 30};
        Nu_ko3DBox(&p, &r, 1, 0, 0, 0x00FF00);
        Nu_koDrawText(&p, &r, 0xFFFFFF, "A&B", 0, 0, 1, -1, nullptr);
    }
    EXPECT_GT(Count(img, QColor(Qt::white)), 5);
    EXPECT_EQ(Nu_koSetSmoothFont(1), 0);
    EXPECT_EQ(Nu_koSetSmoothFont(0), 1);
    NuKoFontList list{nullptr, 0, 1, 0};
    int n = Nu_koGetFonts(nullptr, &list);
    EXPECT_EQ(n, list.count);
    bool ipa = false;
    for (int i = 0; i < list.count; ++i)
        if (std::string(list.faces[i]).find("IPA") != std::string::npos) ipa = true;
    EXPECT_TRUE(ipa) << "the Japanese IPA fonts are installed by the set-up script";
    Nu_koFreeFontList(&list);
    EXPECT_EQ(list.faces, nullptr);
}

TEST(Balloon, PaleYellowWithItsText) {
    nuko::test::QtApp();
    nuko::BalloonWindow b;
    EXPECT_EQ(b.objectName(), "NU_KOP!Balloon");
    b.resize(120, 30);
    b.SetText(QStringLiteral("再生中"));
    QImage img = b.grab().toImage();
    EXPECT_EQ(img.pixelColor(1, 1), QColor(255, 255, 128));
    b.MoveTo(-50, -50);
    EXPECT_EQ(b.pos(), QPoint(0, 0));
}
