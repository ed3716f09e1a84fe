// MP3 wrapping and the header cuts on files: progress, folder questions,
// failed writes, bad sources.
#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "media_test_util.h"
#include "nuko/media_convert.h"
#include "scripted_prompt.h"
#include "test_support.h"

using namespace nuko;
using namespace nuko::media;
using namespace nuko::test;

namespace {

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> out;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") out.push_back(e->d_name);
        ::closedir(d);
    }
    std::sort(out.begin(), out.end());
    return out;
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

}  // namespace

TEST(Mp3Convert, WritesHeaderAndFramesWithProgress) {
    TempDir dir;
    std::string mp3 = Mp3Frames(40);
    WriteBytes(dir.File("a.mp3"), mp3);
    std::vector<int> seen;
    EXPECT_EQ(Mp3Convert(dir.File("a.mp3"), dir.File("a.wav"), [&](int p) { seen.push_back(p); }),
              kConvertWritten);
    EXPECT_EQ(seen, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    std::string wav = ReadBytes(dir.File("a.wav"));
    ASSERT_EQ(wav.size(), 70 + mp3.size());
    EXPECT_EQ(wav.substr(0, 70), WaveHeader(*ParseFrameHeader(mp3), static_cast<std::uint32_t>(mp3.size())));
    EXPECT_EQ(wav.substr(70), mp3);
    EXPECT_TRUE(IsWavMp3File(dir.File("a.wav")));
    EXPECT_FALSE(NeedsConvertFile(dir.File("a.wav")).convert);

    // Without progress, and over an existing target.
    EXPECT_EQ(Mp3Convert(dir.File("a.mp3"), dir.File("a.wav"), {}), kConvertWritten);
    EXPECT_EQ(ReadBytes(dir.File("a.wav")), wav);
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"a.mp3", "a.wav"}));
}

TEST(Mp3Convert, RiffWaveSourcesAndBadSources) {
    TempDir dir;
    WriteBytes(dir.File("w.wav"), WaveWithMp3(Mp3Frames(2)));
    WriteBytes(dir.File("empty.mp3"), "");
    WriteBytes(dir.File("tag-only.mp3"), Id3v2Tag(5000).substr(0, 600));
    WriteBytes(dir.File("junk.mp3"), std::string(3000, '\x55'));
    std::vector<int> seen;
    auto report = [&](int p) { seen.push_back(p); };
    EXPECT_EQ(Mp3Convert(dir.File("w.wav"), dir.File("out.wav"), report), kConvertNothingToDo);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(Mp3Convert(dir.File("missing.mp3"), dir.File("out.wav"), {}), kConvertSourceFailed);
    EXPECT_EQ(Mp3Convert(dir.path(), dir.File("out.wav"), {}), kConvertSourceFailed);
    EXPECT_EQ(Mp3Convert("/dev/zero", dir.File("out.wav"), {}), kConvertSourceFailed);
    EXPECT_EQ(Mp3Convert(dir.File("empty.mp3"), dir.File("out.wav"), {}), kConvertUnsupportedFrame);
    EXPECT_EQ(Mp3Convert(dir.File("tag-only.mp3"), dir.File("out.wav"), {}), kConvertUnsupportedFrame);
    EXPECT_EQ(Mp3Convert(dir.File("junk.mp3"), dir.File("out.wav"), {}), kConvertUnsupportedFrame);
    EXPECT_FALSE(Exists(dir.File("out.wav")));
}

TEST(Mp3Convert, TargetsThatCannotBeCreated) {
    TempDir dir;
    WriteBytes(dir.File("a.mp3"), Mp3Frames(4));
    ASSERT_EQ(::mkdir(dir.File("folder").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);
    EXPECT_EQ(Mp3Convert(dir.File("a.mp3"), dir.File("folder"), {}), kConvertTargetFailed);
    EXPECT_EQ(Mp3Convert(dir.File("a.mp3"), dir.File("pipe"), {}), kConvertTargetFailed);
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("pipe").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // A folder where nobody may write.
    ASSERT_EQ(::mkdir(dir.File("locked").c_str(), 0555), 0);
    EXPECT_TRUE(AsUnprivilegedUser(dir.path(), [&] {
        return Mp3Convert(dir.File("a.mp3"), dir.File("locked/a.wav"), {}) == kConvertTargetFailed;
    }));
    EXPECT_EQ(Entries(dir.File("locked")), std::vector<std::string>{});
}

TEST(Mp3Convert, AsksBeforeCreatingTheTargetFolder) {
    TempDir dir;
    WriteBytes(dir.File("a.mp3"), Mp3Frames(4));
    ScriptedPrompt prompt;
    ScopedPrompt scope(&prompt);
    prompt.Answer(PromptAnswer::No);
    EXPECT_EQ(Mp3Convert(dir.File("a.mp3"), dir.File("new/sub/a.wav"), {}), kConvertTargetFailed);
    ASSERT_EQ(prompt.ids(), std::vector<int>{1006});
    EXPECT_EQ(prompt.asked()[0].caption, "MP3 Convert");
    EXPECT_FALSE(Exists(dir.File("new")));

    prompt.Clear();
    prompt.Answer(PromptAnswer::Yes);
    EXPECT_EQ(Mp3Convert(dir.File("a.mp3"), dir.File("new/sub/a.wav"), {}), kConvertWritten);
    EXPECT_TRUE(IsWavMp3File(dir.File("new/sub/a.wav")));
}

// A write that fails half way (the file size limit) reports the error after
// progress 100 and leaves the old target whole, with no temporary file.
TEST(Mp3Convert, FailedWriteKeepsTheOldTarget) {
    TempDir dir;
    WriteBytes(dir.File("big.mp3"), Mp3Frames(100));
    WriteBytes(dir.File("out.wav"), "old contents");
    // The limit applies to the child alone.
    std::optional<bool> failed_as_it_should = nuko::test::RunInChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {8000, 8000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        int last = 0;
        int result = Mp3Convert(dir.File("big.mp3"), dir.File("out.wav"), [&](int p) { last = p; });
        return result == EFBIG && last == 100;
    });
    ASSERT_TRUE(failed_as_it_should.has_value()) << "the child did not end normally";
    EXPECT_TRUE(*failed_as_it_should);
    EXPECT_EQ(ReadBytes(dir.File("out.wav")), "old contents");
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"big.mp3", "out.wav"}));
}

TEST(Mp3MacRmpCut, CutsWithProgressAndResultCodes) {
    TempDir dir;
    std::string mp3 = Mp3Frames(30);
    WriteBytes(dir.File("mac.mp3"), MacBinary(mp3));
    WriteBytes(dir.File("r.rmp"), RiffMp3(mp3));
    WriteBytes(dir.File("mac-rmp.rmp"), MacBinary(RiffMp3(mp3)));
    WriteBytes(dir.File("plain.mp3"), mp3);

    std::vector<int> seen;
    EXPECT_EQ(Mp3MacRmpCut(dir.File("mac.mp3"), dir.File("out1.mp3"), [&](int p) { seen.push_back(p); }), 1);
    EXPECT_EQ(seen, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    EXPECT_EQ(ReadBytes(dir.File("out1.mp3")), mp3);

    EXPECT_EQ(Mp3MacRmpCut(dir.File("r.rmp"), dir.File("out2.mp3"), {}), 0);
    EXPECT_EQ(ReadBytes(dir.File("out2.mp3")), mp3);
    EXPECT_EQ(Mp3MacRmpCut(dir.File("mac-rmp.rmp"), dir.File("out3.rmp"), {}), 0);
    EXPECT_EQ(ReadBytes(dir.File("out3.rmp")), RiffMp3(mp3));

    EXPECT_EQ(Mp3MacRmpCut(dir.File("plain.mp3"), dir.File("out4.mp3"), {}), 1);
    EXPECT_FALSE(Exists(dir.File("out4.mp3")));
    EXPECT_EQ(Mp3MacRmpCut(dir.File("missing"), dir.File("out4.mp3"), {}), kConvertSourceFailed);
    EXPECT_EQ(Mp3MacRmpCut(dir.path(), dir.File("out4.mp3"), {}), kConvertSourceFailed);
    EXPECT_FALSE(Exists(dir.File("out4.mp3")));

    // In place: the file is read whole before its replacement is renamed in.
    EXPECT_EQ(Mp3MacRmpCut(dir.File("mac.mp3"), dir.File("mac.mp3"), {}), 0);
    EXPECT_EQ(ReadBytes(dir.File("mac.mp3")), mp3);
}

TEST(MidiMacCut, OnlyMidiFilesBehindAMacBinaryHeader) {
    TempDir dir;
    std::string smf = Smf(Meta(0x03, "Song")) + "trailing bytes stay";
    WriteBytes(dir.File("mac.MID"), MacBinary(smf));
    WriteBytes(dir.File("mac.txt"), MacBinary(smf));
    WriteBytes(dir.File("plain.mid"), smf);
    WriteBytes(dir.File("short.mid"), std::string(130, '\0'));

    ScriptedPrompt prompt;
    ScopedPrompt scope(&prompt);
    int owner = 0;
    EXPECT_FALSE(MidiMacCut(dir.File("plain.mid"), dir.File("out.mid"), &owner));
    EXPECT_FALSE(MidiMacCut(dir.File("mac.txt"), dir.File("out.mid"), &owner));
    EXPECT_FALSE(MidiMacCut(dir.File("short.mid"), dir.File("out.mid"), &owner));
    EXPECT_FALSE(MidiMacCut(dir.path(), dir.File("out.mid"), &owner));
    EXPECT_FALSE(Exists(dir.File("out.mid")));
    EXPECT_TRUE(prompt.asked().empty());

    prompt.Answer(PromptAnswer::Yes);
    EXPECT_TRUE(MidiMacCut(dir.File("mac.MID"), dir.File("work/out.mid"), &owner));
    ASSERT_EQ(prompt.ids(), std::vector<int>{1006});
    EXPECT_EQ(prompt.asked()[0].caption, "MacBinCut Convert");
    EXPECT_EQ(prompt.asked()[0].owner, &owner);
    EXPECT_EQ(ReadBytes(dir.File("work/out.mid")), smf);
}

// The streamed wrap writes what the plan over the whole file in memory
// gives: the header, then the frames after any ID3 tags, byte for byte.
TEST(Mp3Convert, StreamedWrapMatchesTheWholeFilePlan) {
    NUKO_CORPUS_FILE(mp3, "mp3/");
    TempDir dir;
    std::vector<std::string> sources;
    if (DIR* d = ::opendir(mp3.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::string(e->d_name).ends_with(".mp3")) sources.push_back(mp3 + e->d_name);
        ::closedir(d);
    }
    ASSERT_FALSE(sources.empty());
    // Tags before the frames, one of them bigger than the plan's first read.
    std::string tagged = Id3v2Tag(5000) + Id3v2Tag(20) + Mp3Frames(30);
    WriteBytes(dir.File("tagged.mp3"), tagged);
    sources.push_back(dir.File("tagged.mp3"));
    // MacBinary and RIFF-MP3 wrappers around frames.
    WriteBytes(dir.File("mac.mp3"), std::string(128, '\0') + Mp3Frames(3));
    sources.push_back(dir.File("mac.mp3"));
    for (const auto& source : sources) {
        std::string bytes = ReadBytes(source);
        WrapPlan plan = PlanWrap(std::string_view(bytes));
        int result = Mp3Convert(source, dir.File("out.wav"), {});
        ASSERT_EQ(result, plan.result) << source;
        if (result != kConvertWritten) continue;
        EXPECT_EQ(ReadBytes(dir.File("out.wav")), plan.header + bytes.substr(plan.data_offset, plan.data_length))
            << source;
        std::vector<int> seen;
        EXPECT_EQ(Mp3Convert(source, dir.File("progress.wav"), [&](int p) { seen.push_back(p); }), kConvertWritten);
        EXPECT_EQ(ReadBytes(dir.File("progress.wav")), ReadBytes(dir.File("out.wav"))) << source;
        EXPECT_EQ(seen, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    }
}
