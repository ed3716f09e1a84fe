// The C exports of the title reader and MP3 wrapping on real files made by
// others.
#include <gtest/gtest.h>

#include "media_test_util.h"
#include <nu_32std.h>
#include "test_support.h"

using namespace nuko::test;

namespace {

struct Title {
    int result;
    std::string title;
    std::string title2;
    NuKoWaitRatio ratio;
};

Title GetTitle(const std::string& path, bool hidden = false, int size = 512) {
    std::vector<char> t(static_cast<std::size_t>(std::max(size, 1)), 'x');
    std::vector<char> t2(t.size(), 'x');
    NuKoWaitRatio ratio{0, 0};
    int r = Nu_koGetMidiTitle(path.c_str(), t.data(), t2.data(), size, hidden ? 1 : 0, &ratio);
    return {r, t.data(), t2.data(), ratio};
}

std::string Blanks(std::size_t n) { return std::string(n, ' '); }

}  // namespace

TEST(CorpusTitles, MidiTrackNamesAndWaitRatios) {
    NUKO_CORPUS_FILE(midi, "midi/");
    struct Case {
        const char* file;
        const char* title;
        int beats;
    };
    const Case cases[] = {
        {"midi-json-parser_minute_waltz.mid", "VALS DEL MINUTO O.p 64 No1", 3},  // 3/8
        {"nfroidure_Avgvst_NighttideWaltz.mid", "40 - Dark World", 3},          // 3/4
        {"tonejs_debussy_menuet.mid", "Suite bergamasque", 3},                  // 3/4
        {"tonejs_debussy_claire_de_lune.mid", "Suite bergamasque", 9},          // 9/8
        {"tonejs_debussy_childrens_corner_4.mid", "Debussy: Childrens Corner 4", 4},  // changing, 4/4 first
        {"nfroidure_Yubatake_MainTheme.mid", "JRPG_mainTheme", 4},                    // changing, 4/4 first
        {"mutagen_sample.mid", "Wikipedia MIDI (extended)", 4},
        {"nfroidure_MIDIOkFormat1-lyrics.mid", "Hello karaoke", 4},  // a text event, no track name
        {"jazzsoft_test-karaoke-kar.mid", "Karaoke .KAR Test", 4},
        {"jazzsoft_test-corrupt-file-extra-byte.mid", "Corrupt File: Extra Byte", 4},
        {"jazzsoft_test-corrupt-file-missing-byte.mid", "Corrupt File: Mising Byte", 4},
        {"jazzsoft_test-2-tracks-type-2.mid", "Standard MIDI file type 2", 4},
    };
    for (const Case& c : cases) {
        Title t = GetTitle(midi + c.file);
        EXPECT_EQ(t.result, 1) << c.file;
        EXPECT_EQ(t.title, c.title) << c.file;
        EXPECT_EQ(t.title2, c.title) << c.file;
        EXPECT_EQ(t.ratio.beats, c.beats) << c.file;
        EXPECT_EQ(t.ratio.unit, 4) << c.file;
    }
}

TEST(CorpusTitles, MidiWithoutANameEventGivesTheBaseName) {
    NUKO_CORPUS_FILE(src, "midi/tonejs_debussy_menuet.mid");
    // The same song with its track name and text events made unreadable.
    std::string bytes = ReadBytes(src);
    for (std::size_t at = bytes.find('\xFF'); at != std::string::npos; at = bytes.find('\xFF', at + 1))
        if (at + 1 < bytes.size() && (bytes[at + 1] == 0x03 || bytes[at + 1] == 0x01)) bytes[at + 1] = 0x7F;
    TempDir dir;
    WriteBytes(dir.File("menuet no name.mid"), bytes);
    Title t = GetTitle(dir.File("menuet no name.mid"));
    EXPECT_EQ(t.result, 1);
    EXPECT_EQ(t.title, "menuet no name");
    EXPECT_EQ(t.title2, "menuet no name");
    EXPECT_EQ(t.ratio.beats, 3);
}

TEST(CorpusTitles, RcpAndG36) {
    NUKO_CORPUS_FILE(rcp, "rcp/");
    Title g36 = GetTitle(rcp + "sted2clone_recomposer-file_test.rcp");
    EXPECT_EQ(g36.title, "Test song" + Blanks(71));
    EXPECT_EQ(g36.title2, "Test song ");
    Title v2 = GetTitle(rcp + "sted2clone_sted-cli_test.rcp");
    EXPECT_EQ(v2.title, "Test song" + Blanks(55));  // not the memo behind the title
    EXPECT_EQ(v2.title2, "Test song ");
    EXPECT_EQ(GetTitle(rcp + "sted2clone_recomposer-file_test.rcp", false, 20).title, "Test song" + Blanks(10));
}

TEST(CorpusTitles, Id3v1Tags) {
    NUKO_CORPUS_FILE(mp3, "mp3/");
    Title latin1 = GetTitle(mp3 + "tinytag_id3v1-latin1.mp3");
    EXPECT_EQ(latin1.title, "Björk" + Blanks(25) + " / Play Dead" + Blanks(21));
    EXPECT_EQ(latin1.title2, "Björk / Play Dead ");
    Title empty_artist = GetTitle(mp3 + "taglib_ape-id3v1.mp3");
    EXPECT_EQ(empty_artist.title, Blanks(30) + " / Title" + Blanks(25));
    EXPECT_EQ(empty_artist.title2, "Title ");
    EXPECT_EQ(GetTitle(mp3 + "mutagen_id3v1v2-combined.mp3").title2, "Anais Mitchell / cosmic american ");
    EXPECT_EQ(GetTitle(mp3 + "mutagen_silence-44-s-v1.mp3").title2, "piman / Silence ");
    EXPECT_EQ(GetTitle(mp3 + "tinytag_id3v1_does_not_overwrite_id3v2.mp3").title2,
              "Blind Guardian / Time What Is Time ");
    for (const char* f : {"tinytag_mpeg1_id3v1.mp3", "tinytag_mpeg2_id3v1.mp3", "tinytag_mpeg25_id3v1.mp3"})
        EXPECT_EQ(GetTitle(mp3 + f).title2, "some title ") << f;
}

TEST(CorpusTitles, WaveCarryingMp3) {
    NUKO_CORPUS_FILE(wav, "wav/tinytag_mp3_audio.wav");
    EXPECT_EQ(Nu_koIsWavMp3(wav.c_str()), 1);
    // It carries no ID3 tag: the base name.
    EXPECT_EQ(GetTitle(wav).title, "tinytag_mp3_audio");
    TempDir dir;
    WriteBytes(dir.File("tagged.wav"), ReadBytes(wav) + Id3v1Tag("Wave title", "Wave artist"));
    EXPECT_EQ(Nu_koIsWavMp3(dir.File("tagged.wav").c_str()), 1);
    EXPECT_EQ(GetTitle(dir.File("tagged.wav")).title2, "Wave artist / Wave title ");
    WriteBytes(dir.File("mac.wav"), MacBinary(ReadBytes(wav)));
    EXPECT_EQ(Nu_koIsWavMp3(dir.File("mac.wav").c_str()), 1);
    NUKO_CORPUS_FILE(mp3, "mp3/mutagen_silence-44-s-v1.mp3");
    EXPECT_EQ(Nu_koIsWavMp3(mp3.c_str()), 0);
}

TEST(CorpusTitles, WindowsMediaContentDescriptions) {
    NUKO_CORPUS_FILE(asf, "asf/");
    for (const char* f : {"mutagen_silence-2.wma", "mutagen_silence-3.wma", "taglib_silence-1.wma"})
        EXPECT_EQ(GetTitle(asf + f).title, "test") << f;
    EXPECT_EQ(GetTitle(asf + "tinytag_mp3_audio.asf").title, "tinytag_mp3_audio");
    EXPECT_EQ(GetTitle(asf + "wine_wmvcore_test.wmv").title, "wine_wmvcore_test");
}

TEST(CorpusTitles, WrdScriptShowsItsSongsTitle) {
    NUKO_CORPUS_FILE(wrd, "wrd/yoshitan98_MidiToWRD_sample.wrd");
    Title t = GetTitle(wrd);
    // The song's only text is the XF control text "XFln:": no title.
    EXPECT_EQ(t.title, "yoshitan98_MidiToWRD_sample");
    EXPECT_EQ(t.ratio.beats, 4);
}

TEST(CorpusTitles, BuffersAndArguments) {
    NUKO_CORPUS_FILE(mp3, "mp3/tinytag_id3v1-latin1.mp3");
    // "Björk": the cut never splits the two bytes of "ö".
    EXPECT_EQ(GetTitle(mp3, false, 4).title, "Bj");
    EXPECT_EQ(GetTitle(mp3, false, 5).title, "Bjö");
    EXPECT_EQ(GetTitle(mp3, false, 1).title, "");
    // Without buffers only the result and the wait ratio.
    NUKO_CORPUS_FILE(waltz, "midi/midi-json-parser_minute_waltz.mid");
    NuKoWaitRatio ratio{0, 0};
    EXPECT_EQ(Nu_koGetMidiTitle(waltz.c_str(), nullptr, nullptr, 100, 0, &ratio), 1);
    EXPECT_EQ(ratio.beats, 3);
    char one[64];
    EXPECT_EQ(Nu_koGetMidiTitle(waltz.c_str(), nullptr, one, sizeof one, 0, nullptr), 1);
    EXPECT_STREQ(one, "VALS DEL MINUTO O.p 64 No1");
    EXPECT_EQ(Nu_koGetMidiTitle(nullptr, one, nullptr, sizeof one, 0, nullptr), 0);
    EXPECT_STREQ(one, "ﾌｧｲﾙがありません.");
}

// Every corpus MP3 and its MacBinary and RIFF-MP3 forms: which need
// converting, and what the conversion gives.
TEST(CorpusMp3, ConvertEveryForm) {
    NUKO_CORPUS_FILE(mp3, "mp3/");
    struct Case {
        const char* file;
        int result;
    };
    const Case cases[] = {
        {"mutagen_silence-44-s-v1.mp3", 0},
        {"mutagen_id3v1v2-combined.mp3", 0},  // behind an ID3 version 2 tag
        {"taglib_ape-id3v1.mp3", 0},
        {"tinytag_mpeg1_id3v1.mp3", 0},
        {"tinytag_mpeg2_id3v1.mp3", 0},
        {"tinytag_mpeg25_id3v1.mp3", -3},                   // MPEG 2.5
        {"tinytag_id3v1-latin1.mp3", -3},                   // a tag, no frames
        {"tinytag_id3v1_does_not_overwrite_id3v2.mp3", -3}, // its ID3v2 size points past the file
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string bytes = ReadBytes(mp3 + c.file);
        int32_t mac = -1;
        EXPECT_EQ(Nu_koIsMp3Convert((mp3 + c.file).c_str(), &mac), 1);
        EXPECT_EQ(mac, 0);
        std::string plain_out = dir.File(std::string(c.file) + ".wav");
        EXPECT_EQ(Nu_koMp3Convert((mp3 + c.file).c_str(), plain_out.c_str(), nullptr, nullptr), c.result);
        if (c.result != 0) {
            EXPECT_EQ(::access(plain_out.c_str(), F_OK), -1);
            continue;
        }
        std::string wav = ReadBytes(plain_out);
        EXPECT_EQ(Nu_koIsWavMp3(plain_out.c_str()), 1);
        EXPECT_EQ(Nu_koIsMp3Convert(plain_out.c_str(), nullptr), 0);
        EXPECT_EQ(Nu_koMp3Convert(plain_out.c_str(), dir.File("again.wav").c_str(), nullptr, nullptr), 1);
        // The tag at the end stays, so the wrapped file keeps its title.
        EXPECT_EQ(GetTitle(plain_out).title2, GetTitle(mp3 + c.file).title2);

        // The same song behind a MacBinary header, as RIFF-MP3, and both.
        std::string forms[] = {MacBinary(bytes), RiffMp3(bytes), MacBinary(RiffMp3(bytes))};
        for (const std::string& form : forms) {
            WriteBytes(dir.File("form.mp3"), form);
            mac = -1;
            EXPECT_EQ(Nu_koIsMp3Convert(dir.File("form.mp3").c_str(), &mac), 1);
            EXPECT_EQ(mac, 1);
            EXPECT_EQ(Nu_koIsMp3Mac(dir.File("form.mp3").c_str()), 1);
            EXPECT_EQ(Nu_koMp3Convert(dir.File("form.mp3").c_str(), dir.File("form.wav").c_str(), nullptr, nullptr), 0);
            EXPECT_EQ(ReadBytes(dir.File("form.wav")), wav);
        }
        WriteBytes(dir.File("mac.mp3"), MacBinary(bytes));
        EXPECT_EQ(Nu_koMp3MacRmpCut(dir.File("mac.mp3").c_str(), dir.File("cut.mp3").c_str(), nullptr, nullptr), 0);
        EXPECT_EQ(ReadBytes(dir.File("cut.mp3")), bytes);
    }
}

TEST(CorpusMp3, RiffWaveIsLeftAlone) {
    NUKO_CORPUS_FILE(wav, "wav/tinytag_mp3_audio.wav");
    TempDir dir;
    int32_t mac = -1;
    EXPECT_EQ(Nu_koIsMp3Convert(wav.c_str(), &mac), 0);
    EXPECT_EQ(mac, 0);
    EXPECT_EQ(Nu_koMp3Convert(wav.c_str(), dir.File("out.wav").c_str(), nullptr, nullptr), 1);
    EXPECT_EQ(::access(dir.File("out.wav").c_str(), F_OK), -1);
    // Behind a MacBinary header only that header goes.
    WriteBytes(dir.File("mac.wav"), MacBinary(ReadBytes(wav)));
    EXPECT_EQ(Nu_koIsMp3Convert(dir.File("mac.wav").c_str(), &mac), 1);
    EXPECT_EQ(mac, 1);
    EXPECT_EQ(Nu_koMp3Convert(dir.File("mac.wav").c_str(), dir.File("out.wav").c_str(), nullptr, nullptr), 0);
    EXPECT_EQ(ReadBytes(dir.File("out.wav")), ReadBytes(wav));
    EXPECT_EQ(Nu_koMp3GetCvtVersion(), 101);
}

TEST(CorpusMidi, MacCutOfAPlainAndAMacBinaryFile) {
    NUKO_CORPUS_FILE(src, "midi/mutagen_sample.mid");
    TempDir dir;
    EXPECT_EQ(Nu_koMidiMacCut(src.c_str(), dir.File("out.mid").c_str(), nullptr), 0);
    EXPECT_EQ(::access(dir.File("out.mid").c_str(), F_OK), -1);
    WriteBytes(dir.File("mac.mid"), MacBinary(ReadBytes(src)));
    EXPECT_EQ(Nu_koMidiMacCut(dir.File("mac.mid").c_str(), dir.File("out.mid").c_str(), nullptr), 1);
    EXPECT_EQ(ReadBytes(dir.File("out.mid")), ReadBytes(src));
    EXPECT_EQ(GetTitle(dir.File("out.mid")).title, "Wikipedia MIDI (extended)");
}
