// A back end that only records what it is told, for testing MediaDevice's
// own logic. The real back ends have tests of their own on the real
// libraries.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cd/disc_toc.h"
#include "playback/media_device.h"
#include "playback/media_errors.h"

namespace nuko::test {

using playback::Backend;
using playback::BackendType;
using playback::DeviceMode;
using playback::EndReason;
using playback::MediaKind;

class FakeBackend final : public Backend,
                          public playback::MidiControls,
                          public playback::MovieControls,
                          public playback::DiscControls {
public:
    explicit FakeBackend(BackendType type) : type_(type) {}

    // What the test makes it answer.
    std::vector<int> open_results;  // one per Open, then 0 (kPending: it loads)
    int play_result = 0;
    std::int64_t length_ms = 0;
    std::int64_t position_ms = 0;
    DeviceMode mode = DeviceMode::Stopped;
    cd::DiscToc toc;
    playback::Size video_size{320, 240};

    // What it was told.
    std::vector<std::string> opened;
    int closes = 0;
    std::int64_t play_from = -2, play_to = -2;
    int plays = 0, stops = 0, pauses = 0, waits = 0;
    std::int64_t seek_ms = -1;
    std::uint64_t target_window = 0;
    int steps = 0;
    bool audio = true;
    bool open = false;

    void Finish(EndReason reason) { NotifyEnd(reason); }
    // Ends an open that answered mci::kPending, as a loaded item does.
    void CompleteOpen(int result) {
        open = result == 0;
        NotifyOpened(result);
    }

    int Open(const std::string& path) override {
        opened.push_back(path);
        int r = 0;
        if (!open_results.empty()) {
            r = open_results.front();
            open_results.erase(open_results.begin());
        }
        open = r == 0;
        return r;
    }
    int polls = 0;
    void Poll() override { ++polls; }
    void Close() override {
        ++closes;
        open = false;
    }
    bool IsOpen() const override { return open; }
    int Play(std::int64_t from_ms, std::int64_t to_ms) override {
        play_from = from_ms;
        play_to = to_ms;
        ++plays;
        return play_result;
    }
    int Pause() override { return ++pauses, 0; }
    int Stop() override { return ++stops, 0; }
    int Seek(std::int64_t ms) override { return seek_ms = ms, 0; }
    int WaitForEnd() override { return ++waits, 0; }
    std::int64_t PositionMs() override { return position_ms; }
    std::int64_t LengthMs() override { return length_ms; }
    DeviceMode Mode() override { return mode; }
    bool MediaPresent() override { return open; }
    void SetAudio(bool on) override { audio = on; }
    std::vector<double> level_gains;  // each SetLevelGain, in order
    void SetLevelGain(double db) override { level_gains.push_back(db); }
    std::string ErrorText(int error) const override { return "fake error " + std::to_string(error); }
    MidiControls* Midi() override { return type_ == BackendType::Sequencer ? this : nullptr; }
    MovieControls* Movie() override { return type_ == BackendType::Mpv && video ? this : nullptr; }
    DiscControls* Disc() override { return type_ == BackendType::Disc ? this : nullptr; }

    int Tempo() override { return 120; }
    int SetTempo(int) override { return 0; }
    std::uint32_t SongPosition() override { return 42; }
    std::vector<std::string> Ports() override { return {"MIDIﾏｯﾊﾟｰ(標準)", "Synth:Port 1"}; }
    std::string SelectPort(const std::string& name) override { return name; }
    std::string song_mode;                  // what SongMode says, open or not
    std::vector<std::string> song_notices;  // handed out once by TakeSongNotices
    std::string SongMode() override { return song_mode; }
    std::vector<std::string> TakeSongNotices() override { return std::exchange(song_notices, {}); }

    int Step(int frames, bool) override { return steps += frames, 0; }
    playback::Size VideoSize() override { return video_size; }
    void SetTargetWindow(std::uint64_t id) override { target_window = id; }

    const cd::DiscToc* Toc() override { return &toc; }
    bool IsImage() override { return image; }
    bool image = true;  // false: a disc in a drive

    bool video = false;

private:
    BackendType type_;
};

struct FakeMovieWindow final : playback::MovieWindow {
    int* alive;
    playback::Size size;
    playback::Rect destination;
    bool busy = false;
    bool playing = false;
    explicit FakeMovieWindow(int* counter) : alive(counter) { ++*alive; }
    ~FakeMovieWindow() override { --*alive; }
    std::uint64_t VideoWindowId() override { return 0x4242; }
    void* Handle() override { return this; }
    std::uint64_t FrameWindowId() override { return 0x4240; }
    std::uint64_t OwnerWindowId() override { return 0x4000; }
    void SetVideoSize(playback::Size s) override { size = s; }
    void SetDestination(const playback::Rect& r) override { destination = r; }
    void SetBusyCursor(bool b) override { busy = b; }
    void SetPlaying() override { playing = true; }
};

class FakeBackends final : public playback::BackendFactory {
public:
    playback::PlatformFacts facts;
    std::vector<FakeBackend*> made;
    // Prepares the next back end made for a kind.
    std::map<MediaKind, std::function<void(FakeBackend&)>> setup;

    FakeBackends() {
        facts.sound_font = "/fake.sf2";
        facts.mpv = true;
    }

    std::unique_ptr<Backend> Create(BackendType type, MediaKind kind) override {
        auto b = std::make_unique<FakeBackend>(type);
        b->video = kind == MediaKind::Movie;
        if (setup.count(kind)) setup[kind](*b);
        made.push_back(b.get());
        return b;
    }
    const playback::PlatformFacts& Facts() override { return facts; }
    // The synthesizer options it was given, in order.
    std::vector<playback::MidiSynthOptions> synth_options;
    void SetMidiSynthOptions(const playback::MidiSynthOptions& options) override { synth_options.push_back(options); }
};

}  // namespace nuko::test
