// RCP songs through librcpcv.so: the binding, the MIDI back end playing
// them, and what they sound like.
#include <fluidsynth.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "nuko/dispatch.h"
#include "playback/fluidsynth_backend.h"
#include "playback/media_errors.h"
#include "playback/rcp_conversion.h"
#include "playback/rcpcv_binding.h"
#include "scripted_prompt.h"
#include "nuko/prompt.h"
#include <filesystem>
#include "playback/sound_font.h"
#include "test_support.h"

namespace nuko::playback {
namespace {

using namespace std::chrono_literals;

const std::string kLibrary = std::string(NUKO_PROGRAM_DIR) + "/" + kRcpcvLibraryFile;

TEST(RcpcvBindingTest, TheBuiltLibraryIsVersionTwoAndConverts) {
    NUKO_CORPUS_FILE(rcp, "rcp/");
    RcpcvBinding b(kLibrary);
    ASSERT_TRUE(b.usable());
    EXPECT_EQ(b.version_major(), 2);
    EXPECT_EQ(b.version_minor(), 0);
    EXPECT_TRUE(b.VersionAtLeast(1, 8));
    EXPECT_FALSE(b.VersionAtLeast(2, 1));

    std::vector<int> seen;
    auto smf = b.Convert(rcp + "sted2clone_sted-cli_test.rcp", [&](int p) { return seen.push_back(p), true; });
    ASSERT_TRUE(smf);
    EXPECT_TRUE(smf->starts_with("MThd"));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 100);
    // Cancelled, missing and foreign files give no object.
    EXPECT_FALSE(b.Convert(rcp + "sted2clone_sted-cli_test.rcp", [](int) { return false; }));
    EXPECT_FALSE(b.Convert(rcp + "no such file.rcp"));
    test::TempDir dir;
    test::WriteBytes(dir.File("x.rcp"), "MThd");
    EXPECT_FALSE(b.Convert(dir.File("x.rcp")));
}

TEST(RcpcvBindingTest, MissingLibraryOrFunctionsMakeItUnusable) {
    EXPECT_FALSE(RcpcvBinding("/nonexistent/librcpcv.so").usable());
    RcpcvBinding other("libm.so.6");  // loads, but has none of the functions
    EXPECT_FALSE(other.usable());
    EXPECT_EQ(other.version_major(), 0);
    EXPECT_FALSE(other.Convert("/dev/null"));
    EXPECT_TRUE(HasRcpSignature("COME ON MUSIC RECOMPOSER RCP3.0\0"));
    EXPECT_FALSE(HasRcpSignature("RCM-PC98V2.0"));
    EXPECT_TRUE(IsRcpExtension("g36"));
    EXPECT_FALSE(IsRcpExtension("RCP"));  // callers lower the case
}

// The converted song rendered offline: it is heard, not only parsed.
TEST(RcpSoundTest, ConvertedCorpusSongsAreNotSilent) {
    NUKO_CORPUS_FILE(rcp, "rcp/");
    std::string font = FindSoundFont({});
    NUKO_REQUIRE_TOOL(!font.empty(), "no sound font on this machine");
    RcpcvBinding b(kLibrary);
    ASSERT_TRUE(b.usable());
    for (const char* name :
         {"sted2clone_sted-cli_test.rcp", "sted2clone_recomposer-file_test.rcp", "sted2clone_testsong_r36.rcp"}) {
        SCOPED_TRACE(name);
        auto smf = b.Convert(rcp + name);
        ASSERT_TRUE(smf);
        fluid_settings_t* settings = new_fluid_settings();
        fluid_settings_setnum(settings, "synth.sample-rate", 22050);
        fluid_synth_t* synth = new_fluid_synth(settings);
        ASSERT_NE(fluid_synth_sfload(synth, font.c_str(), 1), FLUID_FAILED);
        fluid_player_t* player = new_fluid_player(synth);
        ASSERT_EQ(fluid_player_add_mem(player, smf->data(), smf->size()), FLUID_OK);
        fluid_player_play(player);
        std::vector<float> left(1024), right(1024);
        float peak = 0;
        int blocks = 0;
        // At most 30 s of sound; both songs are far shorter.
        while (fluid_player_get_status(player) == FLUID_PLAYER_PLAYING && blocks++ < 30 * 22050 / 1024) {
            fluid_synth_write_float(synth, 1024, left.data(), 0, 1, right.data(), 0, 1);
            for (float v : left) peak = std::max(peak, std::fabs(v));
        }
        EXPECT_LT(blocks, 30 * 22050 / 1024);
        EXPECT_GT(blocks, 3 * 22050 / 1024);  // the songs last several seconds
        EXPECT_GT(peak, 0.01f);
        delete_fluid_player(player);
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
    }
}

TEST(RcpBackendTest, TheMidiBackEndPlaysRcpFilesThroughTheLibrary) {
    NUKO_CORPUS_FILE(rcp, "rcp/");
    CallQueue queue;
    std::vector<EndReason> ends;
    FluidSynthOptions o;
    o.paced = false;
    o.rcp_library = kLibrary;
    FluidSynthBackend b(queue, o, nullptr);
    b.SetEndHandler([&](EndReason r) { ends.push_back(r); });
    ASSERT_EQ(b.Open(rcp + "sted2clone_sted-cli_test.rcp"), 0) << b.ErrorText(0);
    EXPECT_NEAR(static_cast<double>(b.LengthMs()), 6000.0, 100.0);
    ASSERT_EQ(b.Play(-1, -1), 0);
    auto until = std::chrono::steady_clock::now() + 60s;
    while (ends.empty() && std::chrono::steady_clock::now() < until) queue.WaitAndRun(20ms);
    ASSERT_FALSE(ends.empty());
    EXPECT_EQ(ends.back(), EndReason::Success);
    b.Close();

    // The length shown is the converted song's: Grand Slam's loops and
    // references make 244 s of it.
    ASSERT_EQ(b.Open(rcp + "recomposerfile_grandslam.rcp"), 0) << b.ErrorText(0);
    EXPECT_NEAR(static_cast<double>(b.LengthMs()), 243900.0, 1000.0);
    b.Close();

    // Without the library an RCP file is no song.
    FluidSynthOptions none;
    none.paced = false;
    FluidSynthBackend without(queue, none, nullptr);
    EXPECT_EQ(without.Open(rcp + "sted2clone_sted-cli_test.rcp"), mci::kInvalidFile);
}

}  // namespace
}  // namespace nuko::playback

namespace nuko::playback {
namespace {

class FakeView final : public RcpConversionView {
public:
    void Begin(std::string_view name) override { calls.push_back("begin " + std::string(name)); }
    void SetProgress(int percent) override { last = percent; }
    void End(bool ok) override { calls.push_back(ok ? "ok" : "cancel"); }
    std::vector<std::string> calls;
    int last = -1;
};

class RcpConversionTest : public ::testing::Test {
protected:
    test::ScriptedPrompt prompt_;
    ScopedPrompt scoped_{&prompt_};
    test::TempDir dir_;
    FakeView view_;
};

TEST_F(RcpConversionTest, WritesTheSmfIntoTheTempFileWithTheDialog) {
    NUKO_CORPUS_FILE(rcp, "rcp/");
    std::string temp = dir_.File("$Nu-kop_Rcpcv$.mid");
    ASSERT_TRUE(ConvertRcp(kLibrary, rcp + "sted2clone_recomposer-file_test.rcp", temp, &view_));
    EXPECT_TRUE(test::ReadBytes(temp).starts_with("MThd"));
    EXPECT_EQ(view_.calls, (std::vector<std::string>{"begin sted2clone_recomposer-file_test.rcp", "ok"}));
    EXPECT_EQ(view_.last, 100);
    EXPECT_TRUE(prompt_.asked().empty());
    // Without the dialog.
    ASSERT_TRUE(ConvertRcp(kLibrary, rcp + "sted2clone_sted-cli_test.rcp", temp, nullptr));
    EXPECT_TRUE(test::ReadBytes(temp).starts_with("MThd"));
}

TEST_F(RcpConversionTest, ALibraryOlderThanOnePointEightIsRefusedWithItsMessage) {
    EXPECT_FALSE(ConvertRcp(NUKO_TEST_RCPCV_OLD "/librcpcv.so", "/dev/null", dir_.File("t.mid"), &view_));
    EXPECT_EQ(prompt_.ids(), std::vector<int>{195});
    EXPECT_EQ(prompt_.asked()[0].icon, PromptIcon::Warning);
    EXPECT_TRUE(view_.calls.empty());
    // 1.8 itself passes; it makes nothing of the song, which still counts.
    prompt_.Clear();
    test::WriteBytes(dir_.File("t.mid"), "an earlier song");
    EXPECT_TRUE(ConvertRcp(NUKO_TEST_RCPCV_NEW "/librcpcv.so", "/dev/null", dir_.File("t.mid"), &view_));
    EXPECT_TRUE(prompt_.asked().empty());
    EXPECT_FALSE(std::filesystem::exists(dir_.File("t.mid")));
}

TEST_F(RcpConversionTest, MissingLibraryIsSilentAndAnUnwritableTempFails) {
    EXPECT_FALSE(ConvertRcp("/nonexistent/librcpcv.so", "/dev/null", dir_.File("t.mid"), &view_));
    EXPECT_TRUE(prompt_.asked().empty());
    EXPECT_TRUE(view_.calls.empty());

    NUKO_CORPUS_FILE(rcp, "rcp/");
    EXPECT_FALSE(ConvertRcp(kLibrary, rcp + "sted2clone_sted-cli_test.rcp", dir_.File("no/such/folder/t.mid"), &view_));
    EXPECT_EQ(view_.calls.back(), "cancel");
}

}  // namespace
}  // namespace nuko::playback
