// MIDI songs on FluidSynth: its player reads the song (normalised by
// midi_song first) and drives either its own synthesizer or a chosen MIDI
// port. The song's length, position, tempo and song pointer come from the
// song's own tempo map, not from the player, which idles on for a while
// after the last event.
//
// Sound goes to the first audio driver that starts. When none does, a
// thread of ours renders the synthesizer into nothing at the pace of real
// time (or as fast as it can, for tests and the command-line tool), so the
// song still plays and still ends.
//
// Threading: whichever thread renders (the audio driver's or our pump) does
// so through RenderLocked, one short block at a time under render_mutex_;
// every change of what the synthesizer plays (players made, deleted, moved,
// stopped, the port and the gain) takes the same lock. FluidSynth's own lock
// does not cover a player's sample timer, so deleting a player while a
// block renders would walk freed memory. Nothing is posted or waited for
// while the lock is held, except the end notice's condition variable.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "backend.h"
#include "midi_ports.h"
#include "midi_song.h"
#include "midi_synth_options.h"
#include "nuko/dispatch.h"
#include "sound_font.h"
#include "sound_module.h"

namespace nuko::playback {

struct FluidSynthOptions {
    MidiSynthOptions synth;            // fonts, loops, the MT-32 port
    std::vector<std::string> drivers;  // audio drivers to try, in order
    bool paced = true;                 // the silent output keeps real time
    // librcpcv.so, through which RCP, R36 and G36 songs play; empty: they
    // do not.
    std::string rcp_library;
};

class FluidSynthBackend final : public Backend, public MidiControls {
public:
    // `ports` (not owned, may be null) supplies the MIDI ports besides the
    // internal synthesizer.
    FluidSynthBackend(Dispatcher& dispatcher, FluidSynthOptions options, MidiPortProvider* ports);
    ~FluidSynthBackend() override;

    int Open(const std::string& path) override;
    void Close() override;
    bool IsOpen() const override { return song_.has_value(); }
    int Play(std::int64_t from_ms, std::int64_t to_ms) override;
    int Pause() override;
    int Stop() override;
    int Seek(std::int64_t ms) override;
    int WaitForEnd() override;
    std::int64_t PositionMs() override;
    std::int64_t LengthMs() override;
    DeviceMode Mode() override;
    bool MediaPresent() override { return IsOpen(); }
    void SetAudio(bool on) override;
    void SetLevelGain(double db) override;
    std::string ErrorText(int error) const override;
    MidiControls* Midi() override { return this; }

    int Tempo() override;
    int SetTempo(int bpm) override;
    std::uint32_t SongPosition() override;
    std::vector<std::string> Ports() override;
    std::string SelectPort(const std::string& name) override;
    std::string SongMode() override { return song_mode_; }
    std::vector<std::string> TakeSongNotices() override;

    // The audio driver in use, "" for the silent output (after the first
    // Open).
    const std::string& OutputName() const { return output_name_; }
    // Media time the silent output rendered between the start of the last
    // play and its end (0 with an audio driver).
    std::int64_t RenderedPlayMs() const;

private:
    enum class State { Closed, Stopped, Playing, Paused };

    bool EnsureSynth(int* error);
    void StartDriver();
    static int OnDriverRender(void* data, int len, int nfx, float* fx[], int nout, float* out[]);
    void PumpLoop();
    void CheckEnd();
    void Halt(State next);
    std::uint32_t CurrentTick();
    void PostEnd(std::uint64_t generation, EndReason reason);
    void OnEnded(std::uint64_t generation, EndReason reason);
    static int OnTick(void* data, int tick);
    void SilencePort();
    // The port an MT-32 song plays on, when the user chose one.
    void OpenSongPort(midi::ModuleMode mode);
    // Sets the fade of a looped song's end for where the player stands.
    void FadeLocked();

    // FluidSynth's objects and the callbacks that take its types, kept in
    // the .cpp so that its headers stay there. Its player is shared like the
    // members under render_mutex_ below.
    struct Fluid;

    Dispatcher& dispatcher_;
    FluidSynthOptions options_;
    MidiPortProvider* ports_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);

    const std::unique_ptr<Fluid> fluid_;
    std::string output_name_;
    std::string last_error_;

    std::optional<midi::Song> song_;
    State state_ = State::Closed;
    std::uint32_t held_tick_ = 0;  // the position while the player is not moving
    int external_bpm_ = 0;
    std::string song_mode_;
    std::atomic<bool> muted_{false};
    double level_db_ = 0.0;  // the level normalisation's gain

    // Shared with the pump thread and FluidSynth's threads: see the top.
    std::mutex render_mutex_;  // also over fluid_->player
    std::int64_t fade_start_ms_ = -1;
    std::int64_t fade_ms_ = 0;
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<bool> watching_{false};
    std::atomic<bool> tick_seen_{false};
    std::atomic<std::uint32_t> end_tick_{0};
    std::atomic<std::uint64_t> play_frames_{0};
    std::atomic<std::uint64_t> ended_generation_{0};
    std::condition_variable ended_;
    std::condition_variable pump_wake_;  // a play started, or the end

    std::mutex route_mutex_;
    std::unique_ptr<MidiOut> port_out_;
    std::unique_ptr<MidiOut> song_port_;  // for this song only, over port_out_
    std::string port_name_;
    std::vector<std::string> own_notices_;

    std::atomic<bool> quit_{false};
    std::thread pump_;
};

}  // namespace nuko::playback
