// Pictures of the windows for the documentation, taken on the fake back ends
// of the frame's tests. A tool, not a test: scripts/doc-pictures.sh runs it
// under Xvfb with the xcb platform for the real look and names the folder
// (NUKO_SHOT_DIR) that takes the pictures.
#include <QPushButton>
#include <QTest>
#include <cstdlib>

#include "app/components/mini_window/mini_window_component.h"
#include "frame_fixture.h"
#include "manual_clock.h"
#include "panels/mini_window.h"
#include "nuko/media_title.h"
#include "test_support.h"
#include "wrd/lyric_screen.h"
#include "wrd/midi_word_dib_frame.h"
#include "wrd/wrd_qt_glyphs.h"
#include "wrd/wrd_screen_image.h"

using namespace nuko;

namespace {

class DocPictures : public test::FrameFixture<test::ManualClock> {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        folder = std::getenv("NUKO_SHOT_DIR");
        ASSERT_NE(folder, nullptr) << "NUKO_SHOT_DIR names the folder for the pictures";
        backends.setup[media::MediaKind::Midi] = [](test::FakeBackend& b) {
            b.length_ms = 150000;
            b.position_ms = 5000;
        };
    }
    void Save(QWidget* w, const char* name) {
        w->adjustSize();
        Events();
        EXPECT_TRUE(w->grab().save(QString::fromUtf8(folder) + QLatin1Char('/') + QString::fromUtf8(name)));
    }
    const char* folder = nullptr;
};

}  // namespace

TEST_F(DocPictures, TheMiniWindowInBothLayouts) {
    s.main.mini_start = 1;
    Make();
    Events();
    panels::MiniWindow* w = frame->component<app::MiniWindowComponent>().window();
    ASSERT_NE(w, nullptr);
    auto click = [&](const char* id) {
        auto* b = w->findChild<QPushButton*>(QString::fromLatin1(id));
        ASSERT_NE(b, nullptr) << id;
        b->click();
        Events();
    };
    click("2131");  // play
    for (int i = 0; i < 4; ++i) {
        QTest::qWait(0);
        clock.Advance(40);
        core->Tick();
    }
    Save(w, "mini_window_normal.png");
    click("1241");  // the compact layout
    Save(w, "mini_window_compact.png");
}

TEST_F(DocPictures, TheLyricsOfASongWithoutAScript) {
    // The corpus song under its own name, half way through its second line.
    NUKO_CORPUS_FILE(corpus, "midi/gotojo_3funkan_no_tokimeki.mid");
    test::TempDir dir;
    const std::string song = dir.File("3分間のトキメキ.mid");
    test::WriteBytes(song, test::ReadBytes(corpus));
    auto lyrics = wrd::ReadLyricsFile(song);
    ASSERT_TRUE(lyrics && !lyrics->empty());
    wrd::QtGlyphSource glyphs;
    CallQueue queue;
    wrd::CMidiWordDibFrame screen(&glyphs, &queue);
    screen.SetFont(wrd::kDefaultWordFace, 16);
    wrd::LyricScreen lyric_screen(std::move(*lyrics), media::ReadMediaTitle(song).title2);
    screen.ClearWithoutScript();
    lyric_screen.Start(screen);
    lyric_screen.Show(screen, 5500 * 4 / 128);  // tick 5500 of 128 a quarter note
    EXPECT_TRUE(wrd::WriteScreenPng(screen.Compose(), std::string(folder) + "/midi-word-lyrics.png"));
}
