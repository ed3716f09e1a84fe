#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include "nuko/ini.h"
#include "open_folder.h"
#include "test_support.h"

using namespace nuko::settings;
using nuko::ini::Document;
using nuko::ini::Encoding;
using nuko::test::ReadBytes;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

namespace {

Settings FromText(const std::string& text) {
    return ReadSettings(Document::Parse(text, Encoding::Utf8), "/prog/");
}

std::string Serialized(const Settings& s) {
    Document doc(Encoding::Utf8);
    WriteSettings(s, doc);
    return doc.Serialize();
}

}  // namespace

TEST(SettingsRead, EmptyStoreGivesEveryDefault) {
    Settings s = FromText("");
    EXPECT_EQ(s.main.show, 5);
    EXPECT_EQ(s.main.interval, 40);
    EXPECT_EQ(s.main.title_bottom, 48);
    EXPECT_EQ(s.main.font.face, "ＭＳ Ｐゴシック");
    EXPECT_EQ(s.main.font.size, 13);
    EXPECT_EQ(s.main.scroll.Format(), "1,2,100,1,0,1");
    EXPECT_EQ(s.main.mute_volume.Format(), ",50,50");
    EXPECT_FALSE(s.main.position.set);
    auto r = s.main.InitialRect(300, 200);
    EXPECT_EQ(r.Format(), "5,5,305,205");
    EXPECT_EQ(s.movie.position.Format(), "0,0,100,100");
    EXPECT_EQ(s.word.font.Format(), "ＭＳ 明朝,16,0");
    EXPECT_EQ(s.mini.font.Format(), "ＭＳ 明朝,0,0");
    EXPECT_EQ(s.mini.color.Format(), "0,ffff00,0");
    EXPECT_EQ(s.color.cd_area.Format(), "800000,ffffff,0");
    EXPECT_EQ(s.color.time_area.Format(), "0,c0c0c0,0");
    EXPECT_EQ(s.cd.read_time, 150);
    for (bool used : s.cd.multi_cd_sel.used) EXPECT_TRUE(used);
    for (const auto& k : s.kinds) {
        EXPECT_EQ(k.mode, 2);
        EXPECT_EQ(k.volume.Format(), ",0,0");
    }
    EXPECT_EQ(s.smfk.file, "$Nu-kop_Smfk$.mid");
    EXPECT_EQ(s.mp3.file, "$Nu-kop_Mp3$.wav");
    EXPECT_EQ(s.file_copy.file, "$Nu-kop_FileCopy$");
    EXPECT_EQ(s.susie.path, "/prog/");
    EXPECT_EQ(s.timer.sleep, 3600);
    EXPECT_EQ(s.timer.sleep_off, -1);
    EXPECT_EQ(s.timer.on_timer1.Format(), "0,0,0");
    EXPECT_EQ(s.cd_title.separat.Format(), "25,40,300,30");
    EXPECT_EQ(s.mini_picture.type.Format(), "0,1,0");
    EXPECT_FALSE(s.main.MiniAtStart());
}

TEST(SettingsRead, HotkeyDefaultsAndRecords) {
    Settings s = FromText("[Hotkey]\nPlay=849,1,13,3\nStop=851,7,32,3\nFF=1,2\n");
    const auto& k = s.hotkey.keys;
    EXPECT_EQ(k[0].id, 848);
    EXPECT_EQ(k[0].virtual_key, 37);
    EXPECT_EQ(k[0].modifiers, 11);
    EXPECT_EQ(k[0].enabled, 0);
    EXPECT_EQ(k[1].enabled, 1);               // Play enabled
    EXPECT_EQ(k[3].enabled, 0);               // a flag of 7 is not 1
    EXPECT_EQ(k[2].Format(), "850,0,39,11");  // too short: defaults
    EXPECT_EQ(k[13].Format(), "861,0,96,2");  // VolumeMute
    EXPECT_EQ(k[16].Format(), "864,0,37,10");  // PageDown
    EXPECT_EQ(FormatSetting(s, "hotkey", "play"), "849,1,13,3");
}

TEST(SettingsRead, TheClockIntervalIsAtLeastTenMilliseconds) {
    // Read from the file, set by name (the options sheet, nu_kotool) and
    // given back as stored: below 10 ms reads as 10, the rest as written.
    EXPECT_EQ(FromText("[Main]\nInterval=3\n").main.interval, 10);
    EXPECT_EQ(FromText("[Main]\nInterval=-40\n").main.interval, 10);
    EXPECT_EQ(FromText("[Main]\nInterval=10\n").main.interval, 10);
    EXPECT_EQ(FromText("[Main]\nInterval=25\n").main.interval, 25);
    Settings s;
    ASSERT_TRUE(ParseSetting(s, "Main", "Interval", "0"));
    EXPECT_EQ(FormatSetting(s, "Main", "Interval"), "10");
    ASSERT_TRUE(ParseSetting(s, "Main", "Interval", "11"));
    EXPECT_EQ(FormatSetting(s, "Main", "Interval"), "11");
}

TEST(SettingsRead, ReadingRules) {
    Settings s = FromText(
        "[Main]\nTitle_Bottom=3\nInterval=abc\nShow= 3 \nMiniStart=1\nMini=0\nScroll=1,2\n"
        "Position=10,20,310,220\nFont=Noto Sans,10,0,1\n"
        "[Midi]\nVolume=,30,40\nMode=0\n"
        "[Wave]\nVolume=PCM,1\n"
        "[Cd]\nMultiCdSel=1,1,0,1\n"
        "[Timer]\nFile=1,/music/wake.mid\nOnTimer2=1,7,30\n"
        "[Mini]\nColor=ff,00ff00,2\n");
    EXPECT_EQ(s.main.title_bottom, 10);
    EXPECT_EQ(s.main.interval, 40);  // non-numeric: default
    EXPECT_EQ(s.main.show, 3);
    EXPECT_TRUE(s.main.MiniAtStart());
    EXPECT_EQ(s.main.scroll.Format(), "1,2,100,1,0,1");  // too short: every field defaults
    EXPECT_EQ(s.main.InitialRect(1, 1).Format(), "10,20,310,220");
    EXPECT_EQ(s.main.font.face, "Noto Sans");
    EXPECT_EQ(s.main.font.bold, 1);
    EXPECT_EQ(s.kinds[0].volume.line, "");
    EXPECT_EQ(s.kinds[0].volume.left, 30);
    EXPECT_EQ(s.kinds[0].volume.right, 40);
    EXPECT_EQ(s.kinds[0].mode, 0);
    EXPECT_EQ(s.kinds[3].volume.Format(), ",0,0");
    EXPECT_TRUE(s.cd.multi_cd_sel.used[0]);
    EXPECT_TRUE(s.cd.multi_cd_sel.used[1]);
    EXPECT_FALSE(s.cd.multi_cd_sel.used[2]);
    for (std::size_t i = 3; i < CdDriveSelection::kDrives; ++i) EXPECT_TRUE(s.cd.multi_cd_sel.used[i]);
    EXPECT_EQ(s.timer.file.flag, 1);
    EXPECT_EQ(s.timer.file.path, "/music/wake.mid");
    EXPECT_EQ(s.timer.on_timer2.Format(), "1,7,30");
    EXPECT_EQ(s.mini.color.background, 0xFFu);
    EXPECT_EQ(s.mini.color.text, 0x00FF00u);
    EXPECT_EQ(s.mini.color.button_face, 0);  // anything but 1 is 0

    EXPECT_FALSE(FromText("[Main]\nMiniStart=2\nMini=1\n").main.MiniAtStart());
    EXPECT_TRUE(FromText("[Main]\nMiniStart=0\nMini=1\n").main.MiniAtStart());
    // Drive keys follow the support library's rule: "Data" is no D drive.
    EXPECT_EQ(FromText("[Drives]\nData=/x\ne:=/mnt/e\n").drives, (std::map<char, std::string>{{'E', "/mnt/e"}}));
}

TEST(SettingsWrite, RoundTripKeepsEveryValue) {
    Settings s = FromText("");
    s.main.version = kVersionText;
    s.main.position = {true, 1, 2, 3, 4};
    s.main.midi_init = {1, "/init, with comma.mid"};
    s.main.mute_volume = {"Master", 10, 20};
    s.kinds[2].path = "/movies/日本";
    s.kinds[1].volume = {"", 5, 6};
    s.cd.multi_cd_sel.used[4] = false;
    s.hotkey.keys[1].enabled = 1;
    s.mini.size = {true, 120, 40};
    s.drives['D'] = "/media/cdrom";
    std::string first = Serialized(s);
    Settings back = ReadSettings(Document::Parse(first, Encoding::Utf8), "/prog/");
    EXPECT_EQ(Serialized(back), first);
    EXPECT_EQ(back.main.midi_init.path, "/init, with comma.mid");
    EXPECT_EQ(back.drives.at('D'), "/media/cdrom");
    EXPECT_EQ(FormatSetting(back, "Main", "Version"), "Ver 2.27");
    EXPECT_EQ(FormatSetting(back, "Drives", "d"), "/media/cdrom");
    EXPECT_FALSE(FormatSetting(back, "Drives", "Data"));  // names no drive
    EXPECT_FALSE(FormatSetting(back, "Main", "NoSuchKey"));
}

TEST(SettingsStoreFile, WriteAllKeepsKeysOutsideTheModel) {
    TempDir dir;
    std::string path = dir.File("cfg/NU-KO Player32.ini");
    SettingsStore store(path);
    Settings s = store.ReadAll();  // no file yet: defaults
    EXPECT_FALSE(store.damaged());
    ASSERT_FALSE(store.WriteKey("Cd\\File", "0125234180412", "ABC -> /t.txt"));
    s.main.media = 3;
    ASSERT_FALSE(store.WriteAll(s));
    EXPECT_EQ(store.ReadKey("cd\\file", "0125234180412"), "ABC -> /t.txt");
    EXPECT_EQ(store.ReadAll().main.media, 3);
    ASSERT_FALSE(store.WriteKey("Cd\\File", "0125234180412", std::nullopt));
    EXPECT_FALSE(store.ReadKey("Cd\\File", "0125234180412"));
}

TEST(SettingsStoreFile, DamagedFileGivesDefaultsAndIsReplacedOnlyByWriteAll) {
    TempDir dir;
    std::string path = dir.File("NU-KO Player32.ini");
    const std::string junk = std::string("[Main]\nMedia=2\n\0\0\xFF\xFE", 19);
    WriteBytes(path, junk);
    SettingsStore store(path);
    Settings s = store.ReadAll();
    EXPECT_TRUE(store.damaged());
    EXPECT_EQ(s.main.media, 0);
    EXPECT_TRUE(store.WriteKey("Cd\\File", "x", "y"));  // refused
    EXPECT_EQ(ReadBytes(path), junk);

    ASSERT_FALSE(store.WriteAll(s));
    EXPECT_FALSE(store.damaged());
    EXPECT_EQ(ReadBytes(path + ".damaged"), junk);
    std::string fresh = ReadBytes(path);
    EXPECT_NE(fresh.find("[Main]\nVersion=\n"), std::string::npos);
    EXPECT_NE(fresh.find("[Hotkey]\nRew=848,0,37,11\n"), std::string::npos);
    SettingsStore again(path);
    again.ReadAll();
    EXPECT_FALSE(again.damaged());
}

TEST(SettingsStoreFile, UnwritableFolderReportsFailure) {
    TempDir dir;
    WriteBytes(dir.File("blocker"), "x");
    SettingsStore store(dir.File("blocker/NU-KO Player32.ini"));
    EXPECT_TRUE(store.WriteAll(store.ReadAll()));
    EXPECT_EQ(ReadBytes(dir.File("blocker")), "x");
}

TEST(SettingsStoreFile, AFileThatCannotBeReadIsNeverReplaced) {
    // The folder lets an ordinary user replace the file, but only root may
    // read it: the user's settings read as defaults and must survive the save.
    TempDir dir;
    const std::string kept = "[Main]\nMedia=2\n[Cd\\File]\n0125234180412=ABC -> /t.txt\n";
    std::string path = nuko::test::WriteInOpenFolder(dir, "NU-KO Player32.ini", kept, 0600);
    bool ok = nuko::test::AsUnprivilegedUser(dir.path(), [&] {
        SettingsStore store(path);
        Settings s = store.ReadAll();
        return store.damaged() && s.main.media == 0 && store.WriteAll(s) &&
               store.WriteKey("Cd\\File", "x", "y") && store.RemoveSection("Cd\\File");
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(ReadBytes(path), kept);
}

TEST(SettingsStoreFile, AnOversizedFileIsKeptWhole) {
    // Bigger than any settings file: read as damaged, and the copy kept
    // aside holds every byte, the last ones too.
    TempDir dir;
    std::string path = dir.File("NU-KO Player32.ini");
    {
        std::string big = "[Main]\nMedia=2\n";
        big.resize((65u << 20) - 4, 'x');
        big += "tail";
        WriteBytes(path, big);
    }
    SettingsStore store(path);
    Settings s = store.ReadAll();
    EXPECT_TRUE(store.damaged());
    ASSERT_FALSE(store.WriteAll(s));
    std::string aside = ReadBytes(path + ".damaged");
    EXPECT_EQ(aside.size(), 65u << 20);
    EXPECT_TRUE(aside.ends_with("tail"));
    EXPECT_NE(ReadBytes(path).find("[Main]\n"), std::string::npos);
}

TEST(SettingsRead, CatalogEditorAndRelatedFileKeys) {
    Settings d = FromText("");
    EXPECT_EQ(d.catalog.disp_file_type, 1);
    EXPECT_EQ(d.catalog.kinds[2].arc_check_type, 2047);
    EXPECT_EQ(d.catalog.retitle_all_files, 1);
    EXPECT_EQ(d.winexec.Command(0), "xdg-open");
    Settings s = FromText(
        "[Catalog]\nListBoxTitle=1\n[Catalog\\Wave]\nArcCheck=1\nArcCheckType=3\n[Catalog\\Sort]\nMode=1\n"
        "Distinction=1\n[Catalog\\Drive]\nMode=2\n[Catalog\\ReTitle]\nSpcCut=0\n"
        "[Winexec]\nTxt=mousepad\nQTW=vlc\nStop=1\n");
    EXPECT_EQ(s.catalog.list_box_title, 1);
    EXPECT_EQ(s.catalog.kinds[3].arc_check, 1);
    EXPECT_EQ(s.catalog.kinds[3].arc_check_type, 3);
    EXPECT_EQ(s.catalog.kinds[0].arc_check, 0);
    EXPECT_EQ(s.catalog.sort_mode, 1);
    EXPECT_EQ(s.catalog.sort_distinction, 1);
    EXPECT_EQ(s.catalog.drive_mode, 2);
    EXPECT_EQ(s.catalog.retitle_space_cut, 0);
    EXPECT_EQ(s.winexec.Command(0), "mousepad");
    EXPECT_EQ(s.winexec.Command(9), "vlc");
    EXPECT_EQ(s.winexec.Command(10), "vlc");
    EXPECT_EQ(s.winexec.stop, 1);
    EXPECT_EQ(FromText(Serialized(s)).winexec.Command(10), "vlc");
    EXPECT_EQ(FromText(Serialized(s)).catalog.drive_mode, 2);
}

TEST(SettingsStoreFile, WriteSectionWritesThatSectionAndItsSubSectionsOnly) {
    TempDir dir;
    SettingsStore store(dir.File("s.ini"));
    WriteBytes(store.path(), "[Main]\nMedia=2\n[Catalog\\Sort]\nMode=0\n[Other]\nX=1\n");
    Settings s = store.ReadAll();
    s.main.media = 3;
    s.catalog.sort_mode = 1;
    s.catalog.kinds[0].arc_check = 1;
    ASSERT_FALSE(store.WriteSection(s, "Catalog"));
    EXPECT_EQ(store.ReadKey("Main", "Media"), "2");  // other sections untouched
    EXPECT_EQ(store.ReadKey("Other", "X"), "1");
    EXPECT_EQ(store.ReadKey("Catalog\\Sort", "Mode"), "1");
    EXPECT_EQ(store.ReadKey("Catalog\\Midi", "ArcCheck"), "1");
    EXPECT_EQ(store.ReadKey("Winexec", "Txt"), std::nullopt);
}

TEST(SettingsMidi, TheFontChainAndLoopKeysRoundTripWithTheirDefaults) {
    Settings s = FromText("");
    EXPECT_TRUE(s.midi.SoundFontChain().empty());
    EXPECT_EQ(s.midi.loop_mode, 1);
    EXPECT_EQ(s.midi.loop_count, 2);
    EXPECT_EQ(s.midi.loop_fade, 8);
    EXPECT_EQ(s.midi.mt32_port, "");

    // A file of an older version names one font; it stays the first.
    s = FromText("[Midi]\nSoundFont=/old/one.sf2\n");
    EXPECT_EQ(s.midi.SoundFontChain(), (std::vector<std::string>{"/old/one.sf2"}));

    // Gaps are skipped when read: the chain keeps its order.
    s = FromText(
        "[Midi]\nSoundFont=\nSoundFont2=/a.sf2\nSoundFont3= \nSoundFont5=/b.sf3\nSoundFont8=/c.sf2\n"
        "LoopMode=0\nLoopCount=5\nLoopFade=12\nMt32Port=MT-32 Port 0\n");
    EXPECT_EQ(s.midi.SoundFontChain(), (std::vector<std::string>{"/a.sf2", "/b.sf3", "/c.sf2"}));
    EXPECT_EQ(s.midi.sound_fonts[0], "/a.sf2");
    EXPECT_EQ(s.midi.sound_fonts[3], "");
    EXPECT_EQ(s.midi.loop_mode, 0);
    EXPECT_EQ(s.midi.loop_count, 5);
    EXPECT_EQ(s.midi.loop_fade, 12);
    EXPECT_EQ(s.midi.mt32_port, "MT-32 Port 0");

    // Written compacted: SoundFont, SoundFont2, SoundFont3, and no empty
    // keys for the slots after them.
    const std::string text = Serialized(s);
    EXPECT_NE(text.find("SoundFont=/a.sf2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("SoundFont2=/b.sf3\n"), std::string::npos);
    EXPECT_NE(text.find("SoundFont3=/c.sf2\n"), std::string::npos);
    EXPECT_EQ(text.find("SoundFont4"), std::string::npos);
    EXPECT_EQ(text.find("SoundFont8"), std::string::npos);
    EXPECT_NE(text.find("LoopMode=0\n"), std::string::npos);
    EXPECT_NE(text.find("Mt32Port=MT-32 Port 0\n"), std::string::npos);
    EXPECT_EQ(Serialized(FromText(text)), text);

    // A chain set with a gap in memory is written without it.
    Settings gap = FromText("");
    gap.midi.sound_fonts[2] = "/late.sf2";
    const std::string written = Serialized(gap);
    EXPECT_NE(written.find("SoundFont=/late.sf2\n"), std::string::npos) << written;
    EXPECT_EQ(written.find("SoundFont3"), std::string::npos);

    // A shorter chain over a longer one in the file leaves no old font
    // behind.
    Document doc = Document::Parse(text, Encoding::Utf8);
    Settings one = FromText("");
    one.midi.SetSoundFontChain({"/only.sf2"});
    WriteSettings(one, doc);
    EXPECT_EQ(ReadSettings(doc, "/prog/").midi.SoundFontChain(), (std::vector<std::string>{"/only.sf2"}));
    EXPECT_FALSE(doc.Get("Midi", "SoundFont2"));
}

TEST(SettingsMidi, LoopValuesOutOfRangeAreBroughtIntoIt) {
    Settings s = FromText("[Midi]\nLoopMode=7\nLoopCount=0\nLoopFade=600\n");
    EXPECT_EQ(s.midi.loop_mode, 1);
    EXPECT_EQ(s.midi.loop_count, 1);
    EXPECT_EQ(s.midi.loop_fade, 60);
    s = FromText("[Midi]\nLoopCount=250\nLoopFade=-3\n");
    EXPECT_EQ(s.midi.loop_count, 99);
    EXPECT_EQ(s.midi.loop_fade, 0);
    // The chain holds eight fonts; a ninth is not kept.
    Settings nine = FromText("");
    nine.midi.SetSoundFontChain({"/1", "", "/2", "/3", "/4", "/5", "/6", "/7", "/8", "/9"});
    EXPECT_EQ(nine.midi.SoundFontChain().size(), 8u);
    EXPECT_EQ(nine.midi.SoundFontChain().back(), "/8");
}
