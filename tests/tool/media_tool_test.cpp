// nu_kotool title, mp3wrap, rmpcut and maccut run as users run them.
#include <unistd.h>

#include <gtest/gtest.h>

#include "test_support.h"

using nuko::test::KoTool;
using nuko::test::ReadBytes;
using nuko::test::RunProgram;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

TEST(MediaTool, TitleLines) {
    NUKO_CORPUS_FILE(midi, "midi/midi-json-parser_minute_waltz.mid");
    TempDir dir;
    WriteBytes(dir.File(".hidden.mid"), ReadBytes(midi));
    std::string out;
    EXPECT_EQ(RunProgram({KoTool(), "title", midi, dir.File("missing.mid")}, &out), 0);
    EXPECT_EQ(out, "file: " + midi +
                       "\ntitle: VALS DEL MINUTO O.p 64 No1\ntitle2: VALS DEL MINUTO O.p 64 No1\nratio: 3/4\nresult: 1\n"
                       "file: " + dir.File("missing.mid") +
                       "\ntitle: ﾌｧｲﾙがありません.\ntitle2: ﾌｧｲﾙがありません.\nratio: 4/4\nresult: 0\n");
    EXPECT_EQ(RunProgram({KoTool(), "title", dir.File(".hidden.mid")}, &out), 0);
    EXPECT_NE(out.find("title: .hidden\n"), std::string::npos) << out;
    EXPECT_EQ(RunProgram({KoTool(), "title", "--hidden", dir.File(".hidden.mid")}, &out), 0);
    EXPECT_NE(out.find("title: VALS DEL MINUTO"), std::string::npos) << out;
    EXPECT_EQ(RunProgram({KoTool(), "title"}, &out), 2);
}

TEST(MediaTool, WrapAndCuts) {
    NUKO_CORPUS_FILE(mp3, "mp3/mutagen_silence-44-s-v1.mp3");
    NUKO_CORPUS_FILE(midi, "midi/mutagen_sample.mid");
    TempDir dir;
    std::string out;
    EXPECT_EQ(RunProgram({KoTool(), "mp3wrap", mp3, dir.File("a.wav")}, &out), 0);
    EXPECT_EQ(out, "0\n");
    EXPECT_EQ(ReadBytes(dir.File("a.wav")).substr(70), ReadBytes(mp3));
    EXPECT_EQ(RunProgram({KoTool(), "mp3wrap", dir.File("a.wav"), dir.File("b.wav")}, &out), 0);
    EXPECT_EQ(out, "1\n");
    EXPECT_EQ(RunProgram({KoTool(), "mp3wrap", midi, dir.File("b.wav")}, &out), 1);
    EXPECT_EQ(out, "-3\n");

    WriteBytes(dir.File("mac.mp3"), std::string(128, '\0') + ReadBytes(mp3));
    EXPECT_EQ(RunProgram({KoTool(), "rmpcut", dir.File("mac.mp3"), dir.File("cut.mp3")}, &out), 0);
    EXPECT_EQ(out, "0\n");
    EXPECT_EQ(ReadBytes(dir.File("cut.mp3")), ReadBytes(mp3));
    EXPECT_EQ(RunProgram({KoTool(), "rmpcut", mp3, dir.File("none.mp3")}, &out), 0);
    EXPECT_EQ(out, "1\n");

    WriteBytes(dir.File("mac.mid"), std::string(128, '\0') + ReadBytes(midi));
    EXPECT_EQ(RunProgram({KoTool(), "maccut", dir.File("mac.mid"), dir.File("cut.mid")}, &out), 0);
    EXPECT_EQ(out, "1\n");
    EXPECT_EQ(ReadBytes(dir.File("cut.mid")), ReadBytes(midi));
    EXPECT_EQ(RunProgram({KoTool(), "maccut", midi, dir.File("none.mid")}, &out), 1);
    EXPECT_EQ(out, "0\n");
    EXPECT_EQ(::access(dir.File("none.mid").c_str(), F_OK), -1);
    EXPECT_EQ(RunProgram({KoTool(), "maccut", midi}, &out), 2);

    // A relative target lands in the current folder.
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    EXPECT_EQ(RunProgram({KoTool(), "mp3wrap", mp3, "rel.wav"}, &out), 0);
    EXPECT_EQ(ReadBytes(dir.File("rel.wav")).size(), ReadBytes(mp3).size() + 70);
    ASSERT_EQ(::chdir("/"), 0);
}
