// The kind an archive opens in: "Tool\Archive" "Drop" is -1 (the current
// kind), 100 (ask) or a kind code (0 MIDI, 1 CD, 2 movie, 3 sound); the
// question's dialog.
#include <QCheckBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include "library/archive_kind.h"
#include "library/archive_kind_dialog.h"
#include "qt_app.h"

using namespace nuko;
using media::ArchiveKindAnswer;
using media::DecideArchiveKind;

TEST(ArchiveKind, TheSettingDecidesAndTheCdKindOpensAsMidi) {
    int asked = 0;
    const media::ArchiveKindQuestion never = [&](const std::string&) {
        ++asked;
        return ArchiveKindAnswer{3, true};
    };
    struct Case {
        int drop, current, kind;
    } cases[] = {
        {-1, 2, 2},  // the current kind
        {-1, 1, 0},  // the CD kind as current: MIDI
        {0, 3, 0}, {2, 0, 2}, {3, 0, 3},
        {1, 3, 0},   // CD stored: MIDI
        {7, 0, -1},  // no kind at all: nothing opens
    };
    for (const Case& c : cases) {
        const media::ArchiveKindDecision d = DecideArchiveKind(c.drop, c.current, "/m/a.lzh", never);
        EXPECT_EQ(d.kind, c.kind) << "Drop " << c.drop << ", current " << c.current;
        EXPECT_EQ(d.drop, c.drop);
    }
    EXPECT_EQ(asked, 0);
    // 100 with nobody to ask: the current kind.
    EXPECT_EQ(DecideArchiveKind(100, 2, "/m/a.lzh", {}).kind, 2);
    EXPECT_EQ(DecideArchiveKind(100, 1, "/m/a.lzh", {}).kind, 0);
}

TEST(ArchiveKind, TheAnswerOpensTheArchiveAndAKeptOneStaysForTheNext) {
    std::vector<std::string> archives;
    ArchiveKindAnswer answer{2, false};
    const media::ArchiveKindQuestion ask = [&](const std::string& archive) {
        archives.push_back(archive);
        return answer;
    };
    media::ArchiveKindDecision d = DecideArchiveKind(100, 0, "/m/song.lzh", ask);
    EXPECT_EQ(d.kind, 2);
    EXPECT_EQ(d.drop, 100);  // asked again next time
    EXPECT_EQ(archives, std::vector<std::string>{"/m/song.lzh"});

    answer = {3, true};
    d = DecideArchiveKind(100, 0, "/m/song.lzh", ask);
    EXPECT_EQ(d.kind, 3);
    EXPECT_EQ(d.drop, 3);
    // The next archive is not asked about.
    d = DecideArchiveKind(d.drop, 0, "/m/next.lzh", ask);
    EXPECT_EQ(d.kind, 3);
    EXPECT_EQ(archives.size(), 2u);

    // Cancelled with the box ticked: nothing opens, nothing is kept.
    answer = {-1, true};
    d = DecideArchiveKind(100, 0, "/m/song.lzh", ask);
    EXPECT_EQ(d.kind, -1);
    EXPECT_EQ(d.drop, 100);
}

TEST(ArchiveKindDialog, AsksTheThreeKindsAndKeepsTheAnswerWhenTicked) {
    test::QtApp();
    auto answer_with = [](const char* button, bool tick) {
        test::OnModal<media::ArchiveKindDialog>([=](media::ArchiveKindDialog* d) {
            QStringList texts;
            for (QPushButton* b : d->findChildren<QPushButton*>()) texts << b->text();
            EXPECT_EQ(texts, (QStringList{"MIDI", "動画", "ｻｳﾝﾄﾞ", "ｷｬﾝｾﾙ"}));
            auto* remember = test::Child<QCheckBox>(d, "remember");
            EXPECT_EQ(remember->text(), "この種類を記憶する");
            EXPECT_FALSE(remember->isChecked());
            // Enter takes the current kind, the movies here.
            EXPECT_TRUE(test::Child<QPushButton>(d, "kind2")->isDefault());
            remember->setChecked(tick);
            test::Child<QPushButton>(d, button)->click();
        });
        return media::ArchiveKindDialog::Ask("/m/song.lzh", 2, nullptr);
    };
    ArchiveKindAnswer a = answer_with("kind3", true);
    EXPECT_EQ(a.kind, 3);
    EXPECT_TRUE(a.remember);
    a = answer_with("kind0", false);
    EXPECT_EQ(a.kind, 0);
    EXPECT_FALSE(a.remember);
    a = answer_with("cancel", true);
    EXPECT_EQ(a.kind, -1);
    // Closed without a button (Esc, the window's Close): cancelled.
    test::OnModal<media::ArchiveKindDialog>([](media::ArchiveKindDialog* d) { d->reject(); });
    EXPECT_EQ(media::ArchiveKindDialog::Ask("/m/song.lzh", 1, nullptr).kind, -1);
}
