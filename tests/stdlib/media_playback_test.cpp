// A WAVE file wrapped from a real MP3 plays in libmpv for as long as the MP3
// itself: a check that the header is right, on a real decoder.
#include <algorithm>
#include <clocale>
#include <cmath>

#include <gtest/gtest.h>
#include <mpv/client.h>

#include <nu_32std.h>
#include "test_support.h"

using namespace nuko::test;

namespace {

struct Played {
    bool reached_eof = false;
    double duration = -1;  // what the demuxer says
    double end_pos = -1;   // where playback stood at the end
};

// Plays the file to its end through null outputs, as fast as it decodes.
// The player stays at the end (keep-open), so the end position can be read.
Played Play(const std::string& path) {
    Played p;
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle* mpv = mpv_create();
    if (!mpv) return p;
    mpv_set_option_string(mpv, "ao", "null");
    mpv_set_option_string(mpv, "vo", "null");
    mpv_set_option_string(mpv, "ao-null-untimed", "yes");
    mpv_set_option_string(mpv, "keep-open", "yes");
    mpv_set_option_string(mpv, "config", "no");
    mpv_set_option_string(mpv, "terminal", "no");
    if (mpv_initialize(mpv) < 0) {
        mpv_terminate_destroy(mpv);
        return p;
    }
    mpv_observe_property(mpv, 1, "eof-reached", MPV_FORMAT_FLAG);
    const char* cmd[] = {"loadfile", path.c_str(), nullptr};
    mpv_command(mpv, cmd);
    for (bool done = false; !done;) {
        mpv_event* e = mpv_wait_event(mpv, 20);
        switch (e->event_id) {
            case MPV_EVENT_PROPERTY_CHANGE: {
                auto* prop = static_cast<mpv_event_property*>(e->data);
                if (prop->format == MPV_FORMAT_FLAG && *static_cast<int*>(prop->data)) {
                    p.reached_eof = true;
                    mpv_get_property(mpv, "time-pos", MPV_FORMAT_DOUBLE, &p.end_pos);
                    mpv_get_property(mpv, "duration", MPV_FORMAT_DOUBLE, &p.duration);
                    done = true;
                }
                break;
            }
            case MPV_EVENT_END_FILE:  // an error: at the end it would stay open
            case MPV_EVENT_NONE:      // timed out
            case MPV_EVENT_SHUTDOWN:
                done = true;
                break;
            default:
                break;
        }
    }
    mpv_terminate_destroy(mpv);
    return p;
}

}  // namespace

// Files whose first frame is a LAME information frame are left out: their
// MP3 form plays without the encoder delay, while a WAVE file has no room for
// that information and plays the delay too.
TEST(WrappedMp3, PlaysInLibmpvForTheSameDurationAsTheMp3) {
    NUKO_CORPUS_FILE(mp3, "mp3/");
    TempDir dir;
    for (const char* f : {"mutagen_silence-44-s-v1.mp3", "mutagen_id3v1v2-combined.mp3", "taglib_ape-id3v1.mp3"}) {
        SCOPED_TRACE(f);
        std::string wav = dir.File(std::string(f) + ".wav");
        ASSERT_EQ(Nu_koMp3Convert((mp3 + f).c_str(), wav.c_str(), nullptr, nullptr), 0);
        Played original = Play(mp3 + f);
        Played wrapped = Play(wav);
        ASSERT_TRUE(original.reached_eof);
        ASSERT_TRUE(wrapped.reached_eof);
        ASSERT_GT(original.end_pos, 0.1);
        // Within one frame (26 ms at 44100 Hz).
        EXPECT_NEAR(wrapped.end_pos, original.end_pos, 0.026);
        EXPECT_NEAR(wrapped.duration, original.duration, 0.026);
    }
}
