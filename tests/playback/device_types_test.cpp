#include "playback/device_types.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "nuko/strings.h"

namespace nuko::playback {
namespace {

PlatformFacts Everything() {
    PlatformFacts f;
    f.sound_font = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    f.mpv = true;
    f.cd_drives = {"/dev/sr0"};
    f.outputs.pulse = true;
    f.archive_library = true;
    return f;
}

bool Has(const std::vector<std::string>& lines, std::string_view begin) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(begin, 0) == 0; });
}

TEST(DeviceTypesTest, EachExtensionFindsItsBackEnd) {
    PlatformFacts f = Everything();
    DeviceType mid = LookupDeviceType("mid", f, true);
    EXPECT_EQ(mid.name, "sequencer");
    EXPECT_EQ(mid.backend, BackendType::Sequencer);
    EXPECT_TRUE(mid.usable);
    EXPECT_EQ(LookupDeviceType(".RMI", f, true).backend, BackendType::Sequencer);
    EXPECT_EQ(LookupDeviceType("cda", f, true).backend, BackendType::Disc);
    for (const char* e : {"wav", "mp3", "rmp", "aif", "aiff", "asf", "wma", "wmv", "abs"}) {
        DeviceType t = LookupDeviceType(e, f, false);
        EXPECT_EQ(t.backend, BackendType::Mpv) << e;
        EXPECT_TRUE(t.universal) << e;
    }
    for (const char* e : {"avi", "mov", "qt", "mpg", "mpe", "mpeg", "dat"}) {
        EXPECT_TRUE(LookupDeviceType(e, f, true).universal) << e;
        // ActiveMovie off: still played, but not counted as the universal device.
        DeviceType off = LookupDeviceType(e, f, false);
        EXPECT_TRUE(off.usable) << e;
        EXPECT_FALSE(off.universal) << e;
    }
    for (const char* e : {"rcp", "r36", "g36", "wrd", "lzh", "mit", "txt", ""})
        EXPECT_EQ(LookupDeviceType(e, f, true).backend, BackendType::None) << e;
    // With the converter library the sequencer plays the RCP family itself,
    // as long as it has a sound font.
    f.rcp_converter = true;
    for (const char* e : {"rcp", ".R36", "g36"}) {
        DeviceType t = LookupDeviceType(e, f, false);
        EXPECT_EQ(t.backend, BackendType::Sequencer) << e;
        EXPECT_TRUE(t.usable) << e;
    }
    f.sound_font.clear();
    EXPECT_FALSE(LookupDeviceType("rcp", f, false).usable);
    EXPECT_EQ(LookupDeviceType("wrd", f, false).backend, BackendType::None);
}

TEST(DeviceTypesTest, WhatIsMissingDecidesUsable) {
    PlatformFacts f = Everything();
    f.sound_font.clear();
    f.cd_drives.clear();
    EXPECT_FALSE(LookupDeviceType("mid", f, true).driver);
    DeviceType cd = LookupDeviceType("cda", f, true);
    EXPECT_TRUE(cd.driver);  // disc images play without a drive
    EXPECT_FALSE(cd.usable);
}

TEST(DeviceTypesTest, ProbeWithEverythingPlaysAll) {
    ProbeResult r = BuildProbe(Everything(), true);
    EXPECT_EQ(r.playable.size(), 12u);  // all but RCP and R36, which need the converter
    EXPECT_TRUE(Has(r.playable, "MID\tMIDI"));
    EXPECT_TRUE(Has(r.playable, "MP3(RMP)\t"));
    EXPECT_FALSE(Has(r.playable, "※"));
    EXPECT_FALSE(r.all_playable);
    EXPECT_EQ(r.need_driver, (std::vector<std::string>{"RCP\tRCP用ﾄﾞﾗｲﾊﾞｰ", "R36\tR36用ﾄﾞﾗｲﾊﾞｰ"}));

    PlatformFacts with_rcp = Everything();
    with_rcp.rcp_converter = true;
    r = BuildProbe(with_rcp, true);
    EXPECT_TRUE(r.all_playable);
    EXPECT_EQ(r.need_driver, std::vector<std::string>{"すべてのﾒﾃﾞｨｱが再生可能です."});
    EXPECT_TRUE(Has(r.playable, "RCP\tRCP用ﾄﾞﾗｲﾊﾞｰ (Rcpcv.dll使用)"));
    EXPECT_TRUE(Has(r.playable, "R36\tR36用ﾄﾞﾗｲﾊﾞｰ (Rcpcv.dll使用)"));
}

TEST(DeviceTypesTest, ProbeListsWhatNeedsADriverAndSaysWhenThereIsNoSound) {
    PlatformFacts f = Everything();
    f.sound_font.clear();
    f.cd_drives.clear();
    f.outputs = {};
    ProbeResult r = BuildProbe(f, true);
    EXPECT_TRUE(Has(r.need_driver, "MID\t"));
    EXPECT_TRUE(Has(r.need_driver, "RMI\t"));
    EXPECT_TRUE(Has(r.need_driver, "CDA\t"));
    EXPECT_EQ(r.playable.back(), LoadString(4180));
}

TEST(DeviceTypesTest, ToolListSaysWhichLibrariesArePresent) {
    PlatformFacts f = Everything();
    f.smf_converter = true;
    ProbeResult r = BuildProbe(f, true);
    ASSERT_EQ(r.tools.size(), 3u);
    EXPECT_EQ(r.tools[0], std::string(LoadString(4184)) + "\t" + std::string(LoadString(4187)));
    EXPECT_EQ(r.tools[1], std::string(LoadString(4185)) + "\t× DLL がありません.");
    EXPECT_EQ(r.tools[2], std::string(LoadString(4186)) + "\t" + std::string(LoadString(4189)));
    EXPECT_EQ(LoadString(4187).substr(0, 3), "○");
}

TEST(DeviceTypesTest, GatheredFactsDescribeThisMachine) {
    PlatformFacts f = GatherPlatformFacts({}, NUKO_PROGRAM_DIR "/");
    EXPECT_TRUE(f.mpv);
    EXPECT_TRUE(f.rcp_converter);  // built into the program folder
    EXPECT_FALSE(f.smf_converter);
    // Without the libmpv module its kinds have no device.
    PlatformFacts none = GatherPlatformFacts({}, "/nonexistent/");
    EXPECT_FALSE(none.mpv);
    EXPECT_FALSE(none.rcp_converter);
    EXPECT_FALSE(LookupDeviceType("wav", none, true).driver);
}

}  // namespace
}  // namespace nuko::playback
