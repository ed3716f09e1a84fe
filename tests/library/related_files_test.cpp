#include "library/related_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "nuko/run_program.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "scripted_prompt.h"
#include "test_support.h"

using namespace nuko;
using namespace nuko::media;
using nuko::test::ScriptedPrompt;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

namespace {

class RelatedFilesTest : public ::testing::Test {
protected:
    std::string File(const std::string& name) {
        WriteBytes(dir.File(name), "x");
        return dir.File(name);
    }
    // Runs and records the argument vector instead of starting anything.
    bool RunRecorded(RelatedFiles& r) {
        return r.Run([this] { stops.push_back(static_cast<int>(started.size())); },
                     [this](const std::vector<std::string>& argv) {
                         started.push_back(argv);
                         return true;
                     });
    }

    TempDir dir;
    ScriptedPrompt prompt;
    ScopedPrompt scope{&prompt};
    std::vector<std::vector<std::string>> started;
    std::vector<int> stops;  // how many had started when a stop came
};

TEST_F(RelatedFilesTest, TheTextCompanionIsChosenAndRun) {
    const std::string song = File("song.mid");
    File("song.txt");
    File("song.wrd");
    RelatedFileSettings s;
    s.Command(0) = "mousepad --new-window";
    RelatedFiles r(s, song, false);
    EXPECT_EQ(r.type(), RelatedType::Txt);
    EXPECT_EQ(r.FileNameText(), "song.txt");
    ASSERT_TRUE(RunRecorded(r));
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], (std::vector<std::string>{"mousepad", "--new-window", dir.File("song.txt")}));
}

TEST_F(RelatedFilesTest, WithoutACompanionTheSongItselfRunsWithItsTypesCommand) {
    const std::string song = File("song.mid");
    RelatedFileSettings s;
    s.Command(3) = "timidity";
    RelatedFiles r(s, song, false);
    EXPECT_EQ(r.type(), RelatedType::Media);
    EXPECT_EQ(r.Slot(), 3);
    ASSERT_TRUE(RunRecorded(r));
    EXPECT_EQ(started.at(0), (std::vector<std::string>{"timidity", song}));

    r.Choose(RelatedType::Doc);
    EXPECT_FALSE(r.CanRun());
    EXPECT_EQ(r.FileNameText(), std::string(LoadString(strings::kFileMissing)) + " << .doc >>");
    EXPECT_FALSE(RunRecorded(r));
    EXPECT_EQ(started.size(), 1u);
}

TEST_F(RelatedFilesTest, StopComesBeforeWrdAndMediaRunsOnly) {
    const std::string song = File("song.mid");
    File("song.txt");
    File("song.wrd");
    RelatedFileSettings s;
    s.stop = 1;
    RelatedFiles r(s, song, false);
    ASSERT_EQ(r.type(), RelatedType::Txt);
    EXPECT_FALSE(r.StopsPlaying());
    ASSERT_TRUE(RunRecorded(r));
    EXPECT_TRUE(stops.empty());  // playing goes on
    for (RelatedType t : {RelatedType::Wrd, RelatedType::Media}) {
        r.Choose(t);
        ASSERT_TRUE(RunRecorded(r));
    }
    EXPECT_EQ(stops, (std::vector<int>{1, 2}));  // each before its start
    r.Choose(RelatedType::Any);
    ASSERT_TRUE(RunRecorded(r));
    EXPECT_EQ(stops.size(), 2u);
}

TEST_F(RelatedFilesTest, ItemsWithoutAnExtensionOpenOnTheTypeThatIgnoresThem) {
    const std::string item = File("README");
    RelatedFileSettings s;
    s.Command(23) = "less";
    RelatedFiles r(s, item, false);
    EXPECT_EQ(r.type(), RelatedType::Any);
    EXPECT_FALSE(r.media_enabled());
    r.Choose(RelatedType::Media);
    EXPECT_EQ(r.type(), RelatedType::Any);
    EXPECT_EQ(r.FileNameText(), "__<none>__");
    ASSERT_TRUE(RunRecorded(r));
    EXPECT_EQ(started.at(0), (std::vector<std::string>{"less", item}));

    RelatedFiles asked(s, File("a.mid"), false, true);
    EXPECT_EQ(asked.type(), RelatedType::Any);
}

TEST_F(RelatedFilesTest, SlotsSharingAKeyShareTheCommand) {
    RelatedFileSettings s;
    RelatedFiles qt(s, File("clip.qt"), false);
    EXPECT_EQ(qt.Slot(), 10);
    qt.SetCommand("vlc");
    EXPECT_TRUE(qt.modified());
    EXPECT_EQ(qt.settings().Command(9), "vlc");  // ".mov" shares "QTW"
    EXPECT_EQ(RelatedSlotKey(9), RelatedSlotKey(10));
    // Extensions no slot names, and ".vob", take the "Etc" slot, which the
    // type that ignores extensions shares.
    EXPECT_EQ(RelatedFiles(s, File("clip.mpeg"), false).Slot(), 22);
    EXPECT_EQ(RelatedFiles(s, File("clip.VOB"), false).Slot(), 22);
    EXPECT_EQ(RelatedFiles(s, File("clip.wmv"), false).Slot(), 21);
    EXPECT_EQ(RelatedSlotKey(22), "Etc");
    EXPECT_EQ(RelatedSlotKey(23), "Etc");
    // Until the user registers one, every type offers the desktop's handler.
    EXPECT_EQ(RelatedFileSettings().Command(5), "xdg-open");
}

TEST_F(RelatedFilesTest, HiddenCompanionsCountOnlyWhenTheFileAreaShowsThem) {
    const std::string song = File(".song.mid");
    File(".song.txt");
    EXPECT_EQ(RelatedFiles({}, song, false).type(), RelatedType::Media);
    EXPECT_EQ(RelatedFiles({}, song, true).type(), RelatedType::Txt);
}

TEST_F(RelatedFilesTest, NoCommandOrAnOpenQuoteIsReportedAndNothingStarts) {
    RelatedFileSettings s;
    s.Command(3) = "  ";
    RelatedFiles r(s, File("a.mid"), false);
    EXPECT_FALSE(RunRecorded(r));
    EXPECT_EQ(prompt.ids(), std::vector<int>{strings::kNoProgramForType});
    r.SetCommand("\"open quote");
    EXPECT_FALSE(RunRecorded(r));
    EXPECT_TRUE(started.empty());
    EXPECT_EQ(prompt.asked().size(), 2u);
}

// The real start: a program that writes down what it got.
TEST_F(RelatedFilesTest, ABasePathWithBlanksArrivesAsOneArgument) {
    ASSERT_EQ(::mkdir(dir.File("my songs").c_str(), 0755), 0);
    const std::string song = File("my songs/first song.mid");
    File("my songs/first song.txt");
    const std::string out = dir.File("argv.txt");
    RelatedFileSettings s;
    s.Command(0) = "'" NUKO_PRINT_ARGV "' '" + out + "' --flag";
    RelatedFiles r(s, song, false);
    ASSERT_TRUE(r.Run({}, [](const std::vector<std::string>& argv) {
        return process::RunProgram(argv, strings::kProgramNotFound);
    }));
    ASSERT_TRUE(test::PollUntil([&] { return ::access(out.c_str(), F_OK) == 0; }, std::chrono::seconds(10)));
    EXPECT_EQ(test::ReadBytes(out), "--flag\n" + dir.File("my songs/first song.txt") + "\n");
    EXPECT_TRUE(prompt.asked().empty());
}

TEST_F(RelatedFilesTest, AProgramThatDoesNotExistIsReportedWithItsCaption) {
    RelatedFileSettings s;
    s.Command(3) = "/no/such/program --x";
    RelatedFiles r(s, File("a.mid"), false);
    EXPECT_FALSE(r.Run({}, [](const std::vector<std::string>& argv) {
        return process::RunProgram(argv, strings::kProgramNotFound);
    }));
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].text, LoadString(strings::kProgramNotFound));
    EXPECT_EQ(prompt.asked()[0].caption, LoadString(strings::kRunCommandErrorCaption));
}

}  // namespace
