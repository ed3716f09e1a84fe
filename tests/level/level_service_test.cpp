// The measuring worker with measurers that stand in for the back-end
// modules (those are tested with the real libraries in tests/playback and
// tests/core): what it answers at once, what it measures, what it keeps.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "level/level_service.h"
#include "nuko/dispatch.h"
#include "test_support.h"

using nuko::CallQueue;
using nuko::level::LevelItem;
using nuko::level::LevelKind;
using nuko::level::LevelService;
using nuko::level::Loudness;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

namespace {

struct Counts {
    std::atomic<int> midi{0}, media{0}, cd{0};
};

LevelService::Measurers Fixed(Counts& counts) {
    LevelService::Measurers m;
    m.midi = [&counts](const LevelItem&, const std::atomic<bool>&, Loudness* out, std::string*) {
        ++counts.midi;
        *out = {-30.0, -20.0, false};
        return true;
    };
    m.media = [&counts](const LevelItem& item, const std::atomic<bool>&, Loudness* out, std::string* error) {
        ++counts.media;
        if (item.path.ends_with("bad.mp3")) {
            *error = "読めません";
            return false;
        }
        *out = {-9.0, -0.5, false};
        return true;
    };
    m.cd = [&counts](const LevelItem& item, const std::atomic<bool>&, Loudness* out, std::string*) {
        ++counts.cd;
        *out = {-10.0 - item.track, -1.0, false};
        return true;
    };
    return m;
}

}  // namespace

TEST(LevelService, AnswersAtOnceMeasuresInTheBackgroundAndKeepsWhatItMeasured) {
    TempDir dir;
    WriteBytes(dir.File("song.mid"), "MThd");
    WriteBytes(dir.File("loud.mp3"), "ID3");
    const std::string cache = dir.File("cache/loudness.tsv");
    Counts counts;
    CallQueue queue;
    const LevelItem song{LevelKind::Midi, dir.File("song.mid"), 0, "fonts:a"};
    const LevelItem mp3{LevelKind::Media, dir.File("loud.mp3"), 0, ""};
    {
        LevelService service(queue, cache, Fixed(counts));
        std::vector<LevelItem> measured;
        service.on_measured = [&](const LevelItem& item, const Loudness&) { measured.push_back(item); };
        // Not measured yet: the kind's default, and a measurement queued once.
        EXPECT_EQ(service.GainFor(song, -18.0), 0.0);
        EXPECT_EQ(service.GainFor(song, -18.0), 0.0);
        EXPECT_EQ(service.GainFor(mp3, -18.0), 0.0);
        service.WaitIdle();
        queue.RunPending();
        EXPECT_EQ(measured, (std::vector<LevelItem>{song, mp3}));
        EXPECT_EQ(counts.midi, 1);
        // -30 LUFS to -18: +12 dB; -9 LUFS: -9 dB.
        EXPECT_DOUBLE_EQ(service.GainFor(song, -18.0), 12.0);
        EXPECT_DOUBLE_EQ(service.GainFor(mp3, -18.0), -9.0);
        EXPECT_DOUBLE_EQ(service.GainFor(mp3, -24.0), -15.0);
        // CD tracks are items of their own.
        service.Measure({LevelKind::CdTrack, "/dev/sr0", 1, "toc:1"});
        service.Measure({LevelKind::CdTrack, "/dev/sr0", 2, "toc:1"});
        service.WaitIdle();
        EXPECT_DOUBLE_EQ(service.GainFor({LevelKind::CdTrack, "/dev/sr0", 2, "toc:1"}, -18.0), -6.0);
        // Another disc in the drive measures again, answering with what the
        // last disc's track had meanwhile.
        EXPECT_DOUBLE_EQ(service.GainFor({LevelKind::CdTrack, "/dev/sr0", 2, "toc:2"}, -18.0), -6.0);
        service.WaitIdle();
        EXPECT_EQ(counts.cd, 3);
    }
    // The next run of the player knows them without measuring.
    LevelService service(queue, cache, Fixed(counts));
    EXPECT_DOUBLE_EQ(service.GainFor(song, -18.0), 12.0);
    // Other fonts: the last known gain while it is measured again.
    const LevelItem other_fonts{LevelKind::Midi, song.path, 0, "fonts:b"};
    EXPECT_DOUBLE_EQ(service.GainFor(other_fonts, -18.0), 12.0);
    service.WaitIdle();
    EXPECT_EQ(counts.midi, 2);
    EXPECT_TRUE(service.Known(other_fonts)->current);
    EXPECT_EQ(counts.media, 1);
}

TEST(LevelService, AnItemThatCannotBeMeasuredIsSaidOnceAndNotAskedAgain) {
    TempDir dir;
    WriteBytes(dir.File("bad.mp3"), "garbage");
    Counts counts;
    CallQueue queue;
    LevelService service(queue, dir.File("loudness.tsv"), Fixed(counts));
    std::vector<std::string> errors;
    service.on_failed = [&](const LevelItem&, const std::string& e) { errors.push_back(e); };
    const LevelItem bad{LevelKind::Media, dir.File("bad.mp3"), 0, ""};
    EXPECT_EQ(service.GainFor(bad, -18.0), 0.0);
    service.WaitIdle();
    EXPECT_EQ(service.GainFor(bad, -18.0), 0.0);
    service.WaitIdle();
    queue.RunPending();
    EXPECT_EQ(counts.media, 1);
    EXPECT_EQ(errors, std::vector<std::string>{"読めません"});
    // A file that is not there is not queued at all.
    EXPECT_EQ(service.GainFor({LevelKind::Media, dir.File("none.mp3"), 0, ""}, -18.0), 0.0);
    service.WaitIdle();
    EXPECT_EQ(counts.media, 1);
}

// The player closes while a long song is measured: the worker is cancelled
// and the results it would have posted never reach the gone owner.
TEST(LevelService, ClosingCancelsTheMeasurementUnderWay) {
    TempDir dir;
    WriteBytes(dir.File("long.mid"), "MThd");
    CallQueue queue;
    std::atomic<bool> started{false}, saw_cancel{false};
    LevelService::Measurers m;
    m.midi = [&](const LevelItem&, const std::atomic<bool>& cancel, Loudness*, std::string* error) {
        started = true;
        while (!cancel) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        saw_cancel = true;
        *error = "cancelled";
        return false;
    };
    bool called = false;
    {
        LevelService service(queue, dir.File("loudness.tsv"), m);
        service.on_failed = [&](const LevelItem&, const std::string&) { called = true; };
        service.Measure({LevelKind::Midi, dir.File("long.mid"), 0, ""});
        while (!started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(saw_cancel);
    queue.RunPending();
    EXPECT_FALSE(called);
}
