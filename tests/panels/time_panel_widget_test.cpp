#include "panels/time_panel_widget.h"

#include <QImage>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include "qt_app.h"

using namespace nuko::panels;

TEST(TimePanel, ShowsTheRecordAndRemainingTime) {
    nuko::test::QtApp();
    TimePanel panel;
    panel.show();
    std::array<std::uint16_t, 6> rec{5, 90, 3725, 240, 0, 0};
    panel.Update(0x0F, rec, true);
    EXPECT_EQ(panel.display(TimePanel::kItem)->model().Text(), "  5");
    EXPECT_EQ(panel.display(TimePanel::kTotal)->model().Text(), "1:02:05");
    EXPECT_EQ(panel.display(TimePanel::kCur)->model().Text(), " 4:00");
    EXPECT_EQ(panel.display(TimePanel::kPosition)->model().Text(), " 2:30");  // remaining
    panel.SetDowntime(false);
    rec[1] = 91;
    panel.Update(0x02, rec, false);
    EXPECT_EQ(panel.display(TimePanel::kPosition)->model().Text(), " 1 31");
    panel.SetZeroShow(true);
    EXPECT_EQ(panel.display(TimePanel::kItem)->model().Text(), "005");
    if (const char* out = std::getenv("NUKO_SCREENSHOT_DIR"))
        panel.grab().toImage().save(QString::fromUtf8(out) + "/time_panel.png");
}

TEST(TimePanel, SleepClockAndStatusBoxes) {
    nuko::test::QtApp();
    TimePanel panel;
    panel.ShowSleep(true);
    panel.ShowClock(true);
    EXPECT_TRUE(panel.display(TimePanel::kSleep)->isVisibleTo(&panel));
    EXPECT_FALSE(panel.display(TimePanel::kCur)->isVisibleTo(&panel));
    EXPECT_TRUE(panel.display(TimePanel::kClock)->isVisibleTo(&panel));
    panel.SetABWait(true);
    EXPECT_EQ(panel.StatusText(), "AtoB Wait");
    panel.SetABWait(false);
    EXPECT_EQ(panel.StatusText(), "Playing");
}

TEST(TimePanel, SliderDragStaysInsideTheSectionAndSeeks) {
    nuko::test::QtApp();
    TimePanel panel;
    std::array<std::uint16_t, 6> rec{1, 0, 0, 300, 0, 0};
    panel.Update(0x08, rec, true);
    panel.SetSection(std::make_pair(30, 60));
    QSignalSpy seek(&panel, &TimePanel::seekRequested);
    auto* slider = panel.findChild<QSlider*>();
    ASSERT_NE(slider, nullptr);
    slider->setSliderDown(true);
    slider->setSliderPosition(200);  // emits sliderMoved
    EXPECT_EQ(panel.StatusText(), "0:01:00");
    slider->setSliderDown(false);    // emits sliderReleased
    ASSERT_EQ(seek.count(), 1);
    EXPECT_EQ(seek.at(0).at(0).toInt(), 60);
}
