// The mini window's model: ten-key typing, the fields, the button table,
// the caption and what the buttons send to the main window.
#include "panels/mini_window_model.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using nuko::panels::MiniWindowModel;

namespace {

struct Sent {
    std::vector<std::pair<int, int>> codes;
    MiniWindowModel::Send fn() {
        return [this](int code, int value) { codes.emplace_back(code, value); };
    }
};

}  // namespace

TEST(MiniWindowModel, TenKeyKeepsTheTypedNumberWithinTheList) {
    Sent sent;
    MiniWindowModel m(sent.fn());
    m.SetState(3);
    m.SetItemNumbers(1, 9);
    m.PressDigit(1);
    EXPECT_TRUE(m.typing());
    EXPECT_EQ(m.shown(), 1);
    m.PressDigit(2);  // 12 exceeds 9
    EXPECT_EQ(m.shown(), 2);
    EXPECT_EQ(m.NumberText(), "002");
    EXPECT_EQ(m.NumberColor(), MiniWindowModel::kTypingColor);

    m.PressGo();
    EXPECT_EQ(sent.codes.back(), std::make_pair(MiniWindowModel::kSendGoTo, 2));
    EXPECT_FALSE(m.typing());
    EXPECT_EQ(m.NumberColor(), MiniWindowModel::kCurrentColor);

    m.SetItemNumbers(1, 25);
    m.PressDigit(3);
    EXPECT_EQ(m.shown(), 3);
    m.PressDigit(0);  // 30 exceeds 25: the digit itself
    EXPECT_EQ(m.shown(), 0);
    EXPECT_EQ(m.NumberText(), "---");
    m.PressGo();
    EXPECT_EQ(sent.codes.back(), std::make_pair(MiniWindowModel::kSendGoTo, 0));

    m.SetItemNumbers(1, 5);
    m.PressDigit(7);  // the digit itself exceeds the list: its last item
    EXPECT_EQ(m.shown(), 5);
    m.PressCancel();
    EXPECT_EQ(m.shown(), 1);
    m.PressGo();  // nothing typed: the current item
    EXPECT_EQ(sent.codes.back(), std::make_pair(MiniWindowModel::kSendGoTo, 1));
}

TEST(MiniWindowModel, TheTenKeyIsIdleWhileNoPlayButtonIs) {
    Sent sent;
    MiniWindowModel m(sent.fn());
    m.SetState(3);
    m.SetItemNumbers(0, 10);  // no current item: every button off
    m.PressDigit(4);
    EXPECT_FALSE(m.typing());
    m.SetState(7);  // an unknown state
    m.SetItemNumbers(1, 10);
    EXPECT_FALSE(m.TenKeyEnabled());
}

TEST(MiniWindowModel, RightFieldShowsTheCountOrTheSleepTime) {
    MiniWindowModel m({});
    m.SetItemNumbers(4, 12);
    auto f = m.Right();
    EXPECT_EQ(f.label, "Max");
    EXPECT_EQ(f.label_color, MiniWindowModel::kMaxColor);
    EXPECT_EQ(f.text, "012");
    m.SetSleep(599);
    f = m.Right();
    EXPECT_EQ(f.label, "SLP");
    EXPECT_EQ(f.label_color, MiniWindowModel::kSleepColor);
    EXPECT_EQ(f.text, "9:59");
    EXPECT_TRUE(f.small);
    m.SetSleep(600);
    f = m.Right();
    EXPECT_EQ(f.text, "10");
    EXPECT_FALSE(f.small);
    m.SetSleep(5400);
    EXPECT_EQ(m.Right().text, "90");
    m.SetSleep(MiniWindowModel::kNoSleep);
    EXPECT_EQ(m.Right().label, "Max");
    m.SetSleep(-3);  // nonsense counts as no sleep timer
    EXPECT_FALSE(m.sleeping());
}

TEST(MiniWindowModel, PlayButtonsByState) {
    MiniWindowModel m({});
    m.SetItemNumbers(1, 3);
    using B = std::array<bool, 5>;
    const std::pair<int, B> table[] = {
        {0, {true, false, false, true, false}}, {1, {true, true, true, true, true}},
        {2, {false, false, true, true, false}}, {3, {true, true, true, true, false}},
        {4, {true, true, true, true, true}},    {5, {true, true, true, true, true}},
        {6, {false, false, false, false, false}}, {-1, {false, false, false, false, false}},
    };
    for (const auto& [state, buttons] : table) {
        m.SetState(state);
        EXPECT_EQ(m.PlayButtonsEnabled(), buttons) << "state " << state;
        EXPECT_EQ(m.TenKeyEnabled(), state >= 0 && state <= 5) << "state " << state;
    }
    m.SetState(1);
    m.SetItemNumbers(0, 3);
    EXPECT_EQ(m.PlayButtonsEnabled(), B{});
    // A kind value leaves the play state alone.
    m.SetItemNumbers(1, 3);
    m.SetState(13, 0x0001);
    EXPECT_EQ(m.state(), 1);
    EXPECT_EQ(m.kind(), 3);
    EXPECT_EQ(m.sub_value(), 0x0001);
}

TEST(MiniWindowModel, ButtonsSendTheirCodes) {
    Sent sent;
    MiniWindowModel m(sent.fn());
    m.SetItemNumbers(2, 5);
    m.SetState(3);
    m.PressPlayButton(4);  // pause is off while stopped
    EXPECT_TRUE(sent.codes.empty());
    m.PressPlayButton(1);
    EXPECT_EQ(sent.codes.back(), std::make_pair(1, 2));
    m.PressDigit(4);
    m.PressPlayButton(1);  // PLAY plays the typed number
    EXPECT_EQ(sent.codes.back(), std::make_pair(1, 4));
    EXPECT_FALSE(m.typing());
    m.SetState(4);
    m.PressPlayButton(1);  // paused on the current item: resume
    EXPECT_EQ(sent.codes.back(), std::make_pair(4, 0));
    m.PressPlayButton(3);
    EXPECT_EQ(sent.codes.back(), std::make_pair(3, 0));
    m.PressPlayButton(0);
    EXPECT_EQ(sent.codes.back(), std::make_pair(0, 0));

    sent.codes.clear();
    m.PressKind(0);  // the kind already current
    EXPECT_TRUE(sent.codes.empty());
    m.PressKind(2);
    EXPECT_EQ(sent.codes.back(), std::make_pair(12, 0));
    m.PressHide();
    EXPECT_EQ(sent.codes.back(), std::make_pair(MiniWindowModel::kSendHide, 0));
}

TEST(MiniWindowModel, EjectOnlyForTheCdKind) {
    Sent sent;
    MiniWindowModel m(sent.fn());
    for (int kind : {0, 2, 3}) {
        m.SetState(10 + kind);
        m.PressEject();
    }
    EXPECT_TRUE(sent.codes.empty());
    m.SetState(11);
    m.PressEject();
    ASSERT_EQ(sent.codes.size(), 1u);
    EXPECT_EQ(sent.codes.back(), std::make_pair(5, 0));
}

TEST(MiniWindowModel, CaptionIsHandedOutOnlyWhenItChanges) {
    MiniWindowModel m({});
    EXPECT_EQ(m.TakeCaption(), "--  mini (ﾘﾓｺﾝ)  --");
    EXPECT_EQ(m.TakeCaption(), std::nullopt);
    m.SetState(1);
    m.SetTimes(5, 150, true);
    EXPECT_EQ(m.TakeCaption(), "mini < 00:05/02:30 >");
    m.SetTimes(5, 150, true);
    EXPECT_EQ(m.TakeCaption(), std::nullopt);
    m.SetTimes(6, 150, true);
    EXPECT_EQ(m.TakeCaption(), "mini < 00:06/02:30 >");
    m.SetState(4);  // paused keeps the times
    EXPECT_EQ(m.TakeCaption(), std::nullopt);
    m.SetCaptionFixed(true);
    EXPECT_EQ(m.TakeCaption(), "--  mini (ﾘﾓｺﾝ)  --");
    m.SetCaptionFixed(false);
    EXPECT_EQ(m.TakeCaption(), "mini < 00:06/02:30 >");
    m.SetState(3);
    EXPECT_EQ(m.TakeCaption(), "--  mini (ﾘﾓｺﾝ)  --");
    m.SetState(1);
    m.SetTimes(250, 850, false);  // hundredths of a short sound
    EXPECT_EQ(m.TakeCaption(), "mini < 00:02/00:08 >");
    m.SetTimes(3725, 0xFFFF, true);
    EXPECT_EQ(m.TakeCaption(), "mini < 1:02:05/-:--:-- >");
}

TEST(MiniWindowModel, TitleChangesAreReported) {
    MiniWindowModel m({});
    EXPECT_TRUE(m.SetItemInfo(1, "song"));
    EXPECT_FALSE(m.SetItemInfo(2, "song"));
    EXPECT_EQ(m.current(), 2);
    EXPECT_TRUE(m.SetItemInfo(2, "other"));
}
