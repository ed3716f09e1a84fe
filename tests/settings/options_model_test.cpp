// The options sheet's model: settings edited by their stored names, whole or
// by part, refused when the file reader would refuse them.
#include "settings/options_model.h"

#include <gtest/gtest.h>

using namespace nuko;
using settings::OptionsModel;

TEST(OptionsModel, KeysAndPartsAreEditedByNameAndBadTextIsRefused) {
    OptionsModel m{settings::Settings{}};
    EXPECT_EQ(m.Get("Main", "Interval"), "40");
    EXPECT_TRUE(m.Set("main", "interval", "25"));  // names in either case, as the file has them
    EXPECT_EQ(m.settings().main.interval, 25);
    EXPECT_FALSE(m.Set("Main", "Interval", "fast"));
    EXPECT_FALSE(m.Set("Main", "NoSuchKey", "1"));
    EXPECT_EQ(m.settings().main.interval, 25);

    // Packed values by part: a colour, a clock timer, a flag with a path.
    EXPECT_EQ(m.GetPart("Color", "TimeArea", 1), "c0c0c0");
    EXPECT_TRUE(m.SetPart("Color", "TimeArea", 1, "ff"));
    EXPECT_EQ(m.settings().color.time_area.text, 0xFFu);
    EXPECT_TRUE(m.SetPart("Timer", "OnTimer1", 1, "7"));
    EXPECT_EQ(m.settings().timer.on_timer1.hour, 7);
    EXPECT_FALSE(m.SetPart("Timer", "OnTimer1", 5, "1"));  // no such part
    EXPECT_FALSE(m.SetPart("Timer", "OnTimer1", 1, "7,8"));  // would shift the parts after it
    EXPECT_TRUE(m.SetPart("Main", "MidiInit", 1, "/music/a,b/init.mid", true));
    EXPECT_EQ(m.settings().main.midi_init.path, "/music/a,b/init.mid");
    EXPECT_EQ(m.GetPart("Main", "MidiInit", 1, true), "/music/a,b/init.mid");
    EXPECT_TRUE(m.SetPart("Main", "MidiInit", 0, "1"));
    EXPECT_EQ(m.settings().main.midi_init.path, "/music/a,b/init.mid");  // the path after it stays whole
    EXPECT_EQ(m.settings().main.midi_init.flag, 1);

    // The keys that differ, the drive map included.
    settings::Settings a, b = m.settings();
    b.drives['Q'] = "/media/q";
    std::vector<std::string> changed = settings::ChangedKeys(a, b);
    std::sort(changed.begin(), changed.end());
    EXPECT_EQ(changed, (std::vector<std::string>{"Color/TimeArea", "Drives/Q", "Main/Interval", "Main/MidiInit",
                                                 "Timer/OnTimer1"}));
    EXPECT_TRUE(settings::ChangedKeys(b, b).empty());
}

TEST(OptionsModel, TheMidiPagesKeysAreAddressedByName) {
    OptionsModel m{settings::Settings{}};
    EXPECT_EQ(m.Get("Midi", "SoundFont"), "");
    EXPECT_EQ(m.Get("Midi", "SoundFont8"), "");
    EXPECT_EQ(m.Get("Midi", "LoopMode"), "1");
    EXPECT_EQ(m.Get("Midi", "LoopCount"), "2");
    EXPECT_EQ(m.Get("Midi", "LoopFade"), "8");
    EXPECT_EQ(m.Get("Midi", "Mt32Port"), "");
    // A chain written key by key, in order, as the page does.
    for (const auto& [key, value] : std::vector<std::pair<const char*, const char*>>{
             {"SoundFont", "/x.sf2"}, {"SoundFont2", "/y.sf2"}, {"SoundFont3", ""}})
        EXPECT_TRUE(m.Set("Midi", key, value));
    EXPECT_EQ(m.settings().midi.SoundFontChain(), (std::vector<std::string>{"/x.sf2", "/y.sf2"}));
    EXPECT_TRUE(m.Set("Midi", "LoopCount", "3"));
    EXPECT_TRUE(m.Set("Midi", "Mt32Port", "Munt:Port 0"));
    EXPECT_FALSE(m.Set("Midi", "LoopFade", "long"));
    std::vector<std::string> changed = settings::ChangedKeys(settings::Settings{}, m.settings());
    std::sort(changed.begin(), changed.end());
    EXPECT_EQ(changed, (std::vector<std::string>{"Midi/LoopCount", "Midi/Mt32Port", "Midi/SoundFont", "Midi/SoundFont2"}));
}
