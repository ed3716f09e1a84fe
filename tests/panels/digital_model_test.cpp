#include "panels/digital_model.h"

#include <gtest/gtest.h>

using namespace nuko::panels;

TEST(DigitalModel, HoursMinutesSeconds) {
    DigitalModel total(7, 0, DigitalFormat::HourMinSec, true);
    EXPECT_TRUE(total.SetValue(3725));
    EXPECT_EQ(total.Text(), "1:02:05");
    DigitalModel pos(5, 1, DigitalFormat::MinSec, true);
    pos.SetValue(3725);
    EXPECT_EQ(pos.Text(), "02:05");  // hours above 0 keep the leading zero
    pos.SetValue(65);
    EXPECT_EQ(pos.Text(), " 1:05");
    pos.SetColonOn(false);
    pos.SetValue(65);  // same value, colon changed: redrawn
    EXPECT_EQ(pos.Text(), " 1 05");
    DigitalModel decimal(5, 1, DigitalFormat::MinSec, false);
    decimal.SetValue(1234);
    EXPECT_EQ(decimal.Text(), "12:34");
}

TEST(DigitalModel, ItemNumberAndZeros) {
    DigitalModel item(3, 2, DigitalFormat::Plain, false);
    item.SetValue(5);
    EXPECT_EQ(item.Text(), "  5");
    EXPECT_TRUE(item.SetZeroShow(true));
    EXPECT_EQ(item.Text(), "005");
    item.SetValue(1234);
    EXPECT_EQ(item.Text(), "234");
    item.SetValue(0);
    EXPECT_EQ(item.Text(), "---");
    EXPECT_EQ(item.value(), kNoValue);
    item.SetValue(40);
    EXPECT_FALSE(item.SetZeroShow(true));  // unchanged option: nothing to redraw
    EXPECT_TRUE(item.SetZeroShow(false));
    EXPECT_EQ(item.Text(), " 40");
}

TEST(DigitalModel, SpecialAndIgnoredValues) {
    DigitalModel pos(5, 1, DigitalFormat::MinSec, true);
    pos.SetValue(0xFFFF);
    EXPECT_EQ(pos.Text(), "--:--");
    pos.SetValue(90);
    EXPECT_FALSE(pos.SetValue(30000));  // over 8 hours: kept as it was
    EXPECT_EQ(pos.Text(), " 1:30");
    EXPECT_FALSE(pos.SetValue(90));     // cached
    pos.SetValue(0xFFFE);
    EXPECT_EQ(pos.Text(), "  :  ");
    DigitalModel total(7, 0, DigitalFormat::HourMinSec, true);
    total.SetValue(0xFFFF);
    EXPECT_EQ(total.Text(), "-:--:--");
}

TEST(DigitalModel, RemainingTime) {
    EXPECT_EQ(RemainingTime(240, 90), 150);  // a 4:00 item at 1:30 shows 02:30
    DigitalModel pos(5, 1, DigitalFormat::MinSec, true);
    pos.SetValue(RemainingTime(240, 90));
    EXPECT_EQ(pos.Text(), " 2:30");
    EXPECT_EQ(RemainingTime(0xFFFF, 90), 0xFFFF);
    EXPECT_EQ(RemainingTime(240, 0xFFFE), 0xFFFE);
    EXPECT_EQ(RemainingTime(100, 120), 0);
}
