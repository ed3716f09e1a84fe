#include "fluidsynth_backend.h"

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>

#include "level/loudness.h"
#include "media_errors.h"
#include "sound_font.h"
#include "synth_engine.h"
#include "nuko/fileio.h"
#include "nuko/files.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"

namespace nuko::playback {
namespace {

constexpr int kSampleRate = 44100;
// FluidSynth renders in blocks of 64 frames; the render lock is held for
// one such block at a time, so the owner thread never waits long.
constexpr int kLockFrames = 64;
// How much the silent output renders between two end checks.
constexpr int kPumpFrames = 512;

// The player's event as the song's bytes.
midi::Event ToEvent(fluid_midi_event_t* event) {
    int type = fluid_midi_event_get_type(event);
    int channel = fluid_midi_event_get_channel(event) & 0x0F;
    midi::Event e;
    auto byte = [](int v) { return static_cast<char>(v & 0x7F); };
    e.bytes.push_back(static_cast<char>(type | channel));
    switch (type) {
        case 0x80:
        case 0x90:
            e.bytes += byte(fluid_midi_event_get_key(event));
            e.bytes += byte(fluid_midi_event_get_velocity(event));
            break;
        case 0xA0:
            e.bytes += byte(fluid_midi_event_get_key(event));
            e.bytes += byte(fluid_midi_event_get_value(event));
            break;
        case 0xB0:
            e.bytes += byte(fluid_midi_event_get_control(event));
            e.bytes += byte(fluid_midi_event_get_value(event));
            break;
        case 0xC0:
        case 0xD0: e.bytes += byte(fluid_midi_event_get_program(event)); break;
        case 0xE0: {
            int bend = fluid_midi_event_get_pitch(event);
            e.bytes += byte(bend);
            e.bytes += byte(bend >> 7);
            break;
        }
        default: e.bytes.clear(); break;  // meta events stay with the player
    }
    return e;
}

}  // namespace

struct FluidSynthBackend::Fluid {
    std::unique_ptr<SynthEngine> engine;  // its calls under render_mutex_
    fluid_synth_t* synth = nullptr;       // the engine's
    fluid_audio_driver_t* driver = nullptr;
    fluid_player_t* player = nullptr;  // under render_mutex_

    static int OnMidiEvent(void* data, fluid_midi_event_t* event);
    static void SendToPort(FluidSynthBackend& self, MidiOut& port, fluid_midi_event_t* event);
};

FluidSynthBackend::FluidSynthBackend(Dispatcher& dispatcher, FluidSynthOptions options, MidiPortProvider* ports)
    : dispatcher_(dispatcher), options_(std::move(options)), ports_(ports), fluid_(std::make_unique<Fluid>()) {
    InstallFluidLog();
}

FluidSynthBackend::~FluidSynthBackend() {
    alive_.reset();
    Close();
    {
        std::lock_guard lock(render_mutex_);
        quit_ = true;
    }
    pump_wake_.notify_all();
    if (pump_.joinable()) pump_.join();
    if (fluid_->driver) delete_fluid_audio_driver(fluid_->driver);
    fluid_->engine.reset();
}

bool FluidSynthBackend::EnsureSynth(int* error) {
    if (fluid_->synth) return true;
    auto engine = std::make_unique<SynthEngine>();
    if (!engine->ok()) {
        last_error_ = TakeFluidLog();
        *error = mci::kCannotLoadDriver;
        return false;
    }
    engine->SetMuted(muted_);
    engine->SetLevel(level::DbToFactor(level_db_));
    fluid_->synth = engine->synth();
    fluid_->engine = std::move(engine);
    if (options_.paced) StartDriver();
    pump_ = std::thread([this] { PumpLoop(); });
    return true;
}

void FluidSynthBackend::StartDriver() {
    for (const auto& name : options_.drivers) {
        fluid_settings_setstr(fluid_->engine->settings(), "audio.driver", name.c_str());
        // The driver renders through our callback, which takes the render
        // lock, rather than straight from the synthesizer.
        fluid_->driver = new_fluid_audio_driver2(fluid_->engine->settings(), &FluidSynthBackend::OnDriverRender, this);
        if (fluid_->driver) {
            output_name_ = name;
            break;
        }
    }
    TakeFluidLog();  // failed drivers are no error: the silent output takes over
}

int FluidSynthBackend::OnDriverRender(void* data, int len, int nfx, float* fx[], int nout, float* out[]) {
    // Runs on the audio driver's thread. The buffers come zeroed; drivers
    // without effect buffers get the reverb and chorus mixed into the dry
    // ones.
    auto* self = static_cast<FluidSynthBackend*>(data);
    constexpr int kMaxBuffers = 16;
    if (nout <= 0 || nout > kMaxBuffers || nfx < 0 || nfx > kMaxBuffers || (nfx > 0 && !fx)) return FLUID_FAILED;
    float* dry[kMaxBuffers];
    float* wet[kMaxBuffers];
    // Without effect buffers: reverb and chorus, left and right each.
    int nwet = nfx > 0 ? nfx : 4;
    for (int done = 0; done < len;) {
        int n = std::min(kLockFrames, len - done);
        for (int i = 0; i < nout; ++i) dry[i] = out[i] ? out[i] + done : nullptr;
        for (int i = 0; i < nwet; ++i) wet[i] = nfx > 0 ? (fx[i] ? fx[i] + done : nullptr) : dry[i % nout];
        std::lock_guard lock(self->render_mutex_);
        self->FadeLocked();
        if (fluid_synth_process(self->fluid_->synth, n, nwet, wet, nout, dry) != FLUID_OK) return FLUID_FAILED;
        done += n;
    }
    return FLUID_OK;
}

int FluidSynthBackend::Open(const std::string& path) {
    Close();
    std::optional<midi::Song> read;
    int result = ReadMidiSong(path, options_.rcp_library, &read, &last_error_);
    if (result != mci::kOk) return result;
    PreparedSong prepared = PrepareSong(*read, options_.synth.loops);
    read.reset();
    int error = 0;
    if (!EnsureSynth(&error)) return error;
    bool fonts;
    {
        std::lock_guard lock(render_mutex_);
        fonts = fluid_->engine->UseFonts(SoundFontsForSong(path, options_.synth.sound_fonts));
    }
    if (!fonts) {
        last_error_ = "no sound font";
        return mci::kSeqNoMidiPresent;
    }
    OpenSongPort(prepared.mode);

    std::string smf = prepared.plan.song.ToSmf(true);
    {
        // The player's callbacks read the song: it is in place before them.
        std::lock_guard lock(route_mutex_);
        song_ = std::move(prepared.plan.song);
    }
    {
        // A new player hooks a sample timer into the synthesizer.
        std::lock_guard lock(render_mutex_);
        fade_start_ms_ = prepared.plan.fade_start_ms;
        fade_ms_ = prepared.plan.fade_ms;
        fluid_->engine->BeginSong(prepared);
        song_mode_ = std::string(midi::ModeName(fluid_->engine->mode()));
        fluid_player_t* player = new_fluid_player(fluid_->synth);
        if (player && fluid_player_add_mem(player, smf.data(), smf.size()) != FLUID_OK) {
            delete_fluid_player(player);
            player = nullptr;
        }
        if (player) {
            fluid_player_set_playback_callback(player, &Fluid::OnMidiEvent, this);
            fluid_player_set_tick_callback(player, &FluidSynthBackend::OnTick, this);
        }
        fluid_->player = player;
    }
    if (!fluid_->player) {
        last_error_ = TakeFluidLog();
        song_mode_.clear();
        std::lock_guard lock(route_mutex_);
        song_.reset();
        return mci::kOutOfMemory;
    }
    state_ = State::Stopped;
    held_tick_ = 0;
    external_bpm_ = 0;
    end_tick_ = song_->end_tick();
    return mci::kOk;
}

void FluidSynthBackend::OpenSongPort(midi::ModuleMode mode) {
    std::unique_ptr<MidiOut> out;
    bool mt32 = mode == midi::ModuleMode::MT32;
    if (mt32 && !options_.synth.mt32_port.empty() && ports_) out = ports_->Open(options_.synth.mt32_port);
    if (mt32 && !out) {
        std::lock_guard lock(route_mutex_);
        if (!port_out_)
            own_notices_.push_back(options_.synth.mt32_port.empty()
                                       ? "MT-32用の曲です。MT-32の音源が選ばれていないので、内蔵ｼﾝｾｻｲｻﾞｰで演奏します。"
                                       : "MT-32用の曲です。ﾎﾟｰﾄ " + options_.synth.mt32_port +
                                             " を開けないので、内蔵ｼﾝｾｻｲｻﾞｰで演奏します。");
    }
    std::lock_guard lock(route_mutex_);
    song_port_ = std::move(out);
}

void FluidSynthBackend::Close() {
    if (state_ == State::Closed) return;
    {
        // Deleting the player unhooks its sample timer: never while a
        // block renders.
        std::lock_guard lock(render_mutex_);
        ++generation_;
        watching_ = false;
        if (fluid_->player) {
            fluid_player_stop(fluid_->player);
            delete_fluid_player(fluid_->player);
            fluid_->player = nullptr;
        }
        if (fluid_->synth) fluid_synth_all_notes_off(fluid_->synth, -1);
    }
    SilencePort();
    {
        std::lock_guard lock(route_mutex_);
        song_.reset();
        song_port_.reset();
    }
    song_mode_.clear();
    state_ = State::Closed;
}

void FluidSynthBackend::Halt(State next) {
    {
        std::lock_guard lock(render_mutex_);
        ++generation_;
        watching_ = false;
        if (fluid_->player && state_ == State::Playing) {
            std::uint32_t tick = CurrentTick();
            fluid_player_stop(fluid_->player);
            held_tick_ = tick;
        }
        if (state_ == State::Playing) fluid_synth_all_notes_off(fluid_->synth, -1);
    }
    if (state_ == State::Playing) SilencePort();
    state_ = next;
}

std::uint32_t FluidSynthBackend::CurrentTick() {
    // Until the player has moved after a play, its tick is stale (a seek
    // takes effect at its next step).
    if (!(state_ == State::Playing && tick_seen_)) return held_tick_;
    int tick = fluid_->player ? fluid_player_get_current_tick(fluid_->player) : 0;
    return static_cast<std::uint32_t>(std::clamp<int>(tick, 0, static_cast<int>(song_ ? song_->end_tick() : 0)));
}

int FluidSynthBackend::Play(std::int64_t from_ms, std::int64_t to_ms) {
    if (!song_) return mci::kInvalidDeviceId;
    if (state_ == State::Playing) Halt(State::Stopped);
    if (from_ms >= 0) held_tick_ = song_->MsToTick(from_ms);
    std::uint32_t end = song_->end_tick();
    if (to_ms >= 0) end = std::min(end, song_->MsToTick(to_ms));
    std::uint32_t start;
    {
        std::lock_guard lock(render_mutex_);
        start = CurrentTick();
    }
    if (start >= end) {
        // Nothing left to play: the play completes at once.
        held_tick_ = start;
        state_ = State::Stopped;
        PostEnd(++generation_, EndReason::Success);
        return mci::kOk;
    }
    std::lock_guard lock(render_mutex_);
    ++generation_;
    end_tick_ = end;
    tick_seen_ = false;
    play_frames_ = 0;
    // The player goes to the start first (it takes the seek at its next
    // step), so a play always begins where the position says.
    fluid_player_seek(fluid_->player, static_cast<int>(start));
    held_tick_ = start;
    if (fluid_player_play(fluid_->player) != FLUID_OK) {
        last_error_ = TakeFluidLog();
        return mci::kDriver;
    }
    if (external_bpm_ > 0) fluid_player_set_tempo(fluid_->player, FLUID_PLAYER_TEMPO_EXTERNAL_BPM, external_bpm_);
    state_ = State::Playing;
    ended_generation_ = 0;
    watching_ = true;
    pump_wake_.notify_all();
    return mci::kOk;
}

int FluidSynthBackend::Pause() {
    if (!song_) return mci::kInvalidDeviceId;
    if (state_ == State::Playing) Halt(State::Paused);
    else if (state_ == State::Stopped) state_ = State::Paused;
    return mci::kOk;
}

int FluidSynthBackend::Stop() {
    if (!song_) return mci::kInvalidDeviceId;
    Halt(State::Stopped);
    return mci::kOk;
}

int FluidSynthBackend::Seek(std::int64_t ms) {
    if (!song_) return mci::kInvalidDeviceId;
    Halt(State::Stopped);
    held_tick_ = song_->MsToTick(std::max<std::int64_t>(0, ms));
    return mci::kOk;
}

int FluidSynthBackend::WaitForEnd() {
    if (!song_) return mci::kInvalidDeviceId;
    if (state_ != State::Playing) return mci::kOk;
    std::uint64_t generation = generation_;
    {
        std::unique_lock lock(render_mutex_);
        ended_.wait(lock, [&] { return ended_generation_ == generation || generation_ != generation; });
    }
    // The end was handled here; the queued notice of it is stale now.
    ++generation_;
    held_tick_ = end_tick_.load();
    state_ = State::Stopped;
    return mci::kOk;
}

std::int64_t FluidSynthBackend::PositionMs() {
    if (!song_) return 0;
    std::lock_guard lock(render_mutex_);
    return song_->TickToMs(CurrentTick());
}

std::int64_t FluidSynthBackend::LengthMs() { return song_ ? song_->LengthMs() : 0; }

DeviceMode FluidSynthBackend::Mode() {
    switch (state_) {
        case State::Closed: return DeviceMode::NotReady;
        case State::Playing: return DeviceMode::Playing;
        case State::Paused: return DeviceMode::Paused;
        case State::Stopped: break;
    }
    return DeviceMode::Stopped;
}

void FluidSynthBackend::SetAudio(bool on) {
    muted_ = !on;
    std::lock_guard lock(render_mutex_);
    if (fluid_->engine) fluid_->engine->SetMuted(!on);
}

void FluidSynthBackend::SetLevelGain(double db) {
    level_db_ = db;
    std::lock_guard lock(render_mutex_);
    if (fluid_->engine) fluid_->engine->SetLevel(level::DbToFactor(db));
}

void FluidSynthBackend::FadeLocked() {
    if (fade_start_ms_ < 0 || !fluid_->player || !song_) return;
    std::int64_t ms = song_->TickToMs(static_cast<std::uint32_t>(std::max(0, fluid_player_get_current_tick(fluid_->player))));
    double factor = ms <= fade_start_ms_ ? 1.0 : 1.0 - static_cast<double>(ms - fade_start_ms_) / std::max<std::int64_t>(1, fade_ms_);
    fluid_->engine->SetFade(factor);
}

std::vector<std::string> FluidSynthBackend::TakeSongNotices() {
    std::vector<std::string> out;
    {
        std::lock_guard lock(route_mutex_);
        out.swap(own_notices_);
    }
    std::lock_guard lock(render_mutex_);
    if (fluid_->engine)
        for (auto& n : fluid_->engine->TakeNotices()) out.push_back(std::move(n));
    return out;
}

std::string FluidSynthBackend::ErrorText(int error) const { return DeviceErrorText(error, last_error_); }

void FluidSynthBackend::PostEnd(std::uint64_t generation, EndReason reason) {
    std::weak_ptr<int> alive = alive_;
    dispatcher_.Post([alive, this, generation, reason] {
        if (alive.expired()) return;
        OnEnded(generation, reason);
    });
}

void FluidSynthBackend::OnEnded(std::uint64_t generation, EndReason reason) {
    if (generation != generation_ || state_ == State::Closed) return;  // an earlier play's end
    if (state_ == State::Playing) {
        held_tick_ = end_tick_.load();
        state_ = State::Stopped;
    }
    NotifyEnd(reason);
}

void FluidSynthBackend::PumpLoop() {
    std::vector<std::int16_t> buffer(2 * kLockFrames);
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    std::uint64_t frames = 0;
    while (!quit_) {
        if (!watching_) {
            // Nothing plays: nothing to render or watch until a play starts.
            std::unique_lock lock(render_mutex_);
            pump_wake_.wait_for(lock, std::chrono::milliseconds(200), [this] { return quit_ || watching_; });
            start = Clock::now();
            frames = 0;
            continue;
        }
        if (!fluid_->driver) {
            for (int done = 0; done < kPumpFrames; done += kLockFrames) {
                std::lock_guard lock(render_mutex_);
                FadeLocked();
                fluid_synth_write_s16(fluid_->synth, kLockFrames, buffer.data(), 0, 2, buffer.data(), 1, 2);
            }
            play_frames_ += kPumpFrames;
            if (options_.paced) {
                frames += kPumpFrames;
                auto due = start + std::chrono::microseconds(frames * 1000000 / kSampleRate);
                auto now = Clock::now();
                if (due > now) {
                    std::this_thread::sleep_for(due - now);
                } else if (now - due > std::chrono::milliseconds(200)) {
                    // Far behind (the machine was suspended): start afresh
                    // rather than race to catch up.
                    start = now;
                    frames = 0;
                }
            }
        } else {
            // The audio driver's thread renders; this one only watches.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        CheckEnd();
    }
}

void FluidSynthBackend::CheckEnd() {
    if (!watching_) return;
    EndReason reason;
    std::uint64_t generation;
    {
        std::lock_guard lock(render_mutex_);
        if (!fluid_->player || !watching_) return;
        int status = fluid_player_get_status(fluid_->player);
        int tick = fluid_player_get_current_tick(fluid_->player);
        if (tick_seen_ && tick >= static_cast<int>(end_tick_.load())) {
            reason = EndReason::Success;
            fluid_player_stop(fluid_->player);
            fluid_synth_all_notes_off(fluid_->synth, -1);
        } else if (status == FLUID_PLAYER_DONE) {
            // The player gave up before the end: it could not read the song.
            reason = tick_seen_ ? EndReason::Success : EndReason::Failure;
        } else {
            return;
        }
        watching_ = false;
        generation = generation_;
        ended_generation_ = generation;
        ended_.notify_all();
    }
    PostEnd(generation, reason);
}

int FluidSynthBackend::OnTick(void* data, int) {
    static_cast<FluidSynthBackend*>(data)->tick_seen_ = true;
    return FLUID_OK;
}

int FluidSynthBackend::Fluid::OnMidiEvent(void* data, fluid_midi_event_t* event) {
    // Runs on the rendering thread, under the render lock.
    auto* self = static_cast<FluidSynthBackend*>(data);
    int type = fluid_midi_event_get_type(event);
    std::optional<std::size_t> sysex;
    if (type == 0x01 /* text */) {
        void* text = nullptr;
        int size = 0;
        if (fluid_midi_event_get_text(event, &text, &size) == FLUID_OK && text && size > 0)
            sysex = midi::SysexMarkerIndex(std::string_view(static_cast<const char*>(text), static_cast<std::size_t>(size)));
        if (!sysex) return FLUID_OK;
    }
    std::lock_guard lock(self->route_mutex_);
    MidiOut* port = self->song_port_ ? self->song_port_.get() : self->port_out_.get();
    const midi::Event* exclusive = nullptr;
    if (sysex) {
        const auto& events = self->song_->events();
        if (*sysex >= events.size() || events[*sysex].Status() != 0xF0) return FLUID_OK;
        exclusive = &events[*sysex];
    }
    if (port) {
        if (exclusive) {
            std::string bytes = exclusive->bytes;
            if (bytes.back() != '\xF7') bytes.push_back('\xF7');
            port->Send(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            return FLUID_OK;
        }
        SendToPort(*self, *port, event);
        return FLUID_OK;
    }
    if (exclusive) {
        self->fluid_->engine->Play(*exclusive);
        return FLUID_OK;
    }
    midi::Event e = ToEvent(event);
    if (!e.bytes.empty()) self->fluid_->engine->Play(e);
    return FLUID_OK;
}

void FluidSynthBackend::Fluid::SendToPort(FluidSynthBackend& self, MidiOut& port, fluid_midi_event_t* event) {
    int type = fluid_midi_event_get_type(event);
    int channel = fluid_midi_event_get_channel(event) & 0x0F;
    std::uint8_t bytes[3];
    std::size_t size = 0;
    bytes[0] = static_cast<std::uint8_t>(type | channel);
    switch (type) {
        case 0x80:
        case 0x90:
            bytes[1] = static_cast<std::uint8_t>(fluid_midi_event_get_key(event) & 0x7F);
            bytes[2] = static_cast<std::uint8_t>(self.muted_ && type == 0x90 ? 0 : fluid_midi_event_get_velocity(event) & 0x7F);
            size = 3;
            break;
        case 0xA0:
            bytes[1] = static_cast<std::uint8_t>(fluid_midi_event_get_key(event) & 0x7F);
            bytes[2] = static_cast<std::uint8_t>(fluid_midi_event_get_value(event) & 0x7F);
            size = 3;
            break;
        case 0xB0:
            bytes[1] = static_cast<std::uint8_t>(fluid_midi_event_get_control(event) & 0x7F);
            bytes[2] = static_cast<std::uint8_t>(fluid_midi_event_get_value(event) & 0x7F);
            size = 3;
            break;
        case 0xC0:
            bytes[1] = static_cast<std::uint8_t>(fluid_midi_event_get_program(event) & 0x7F);
            size = 2;
            break;
        case 0xD0:
            bytes[1] = static_cast<std::uint8_t>(fluid_midi_event_get_program(event) & 0x7F);
            size = 2;
            break;
        case 0xE0: {
            int bend = fluid_midi_event_get_pitch(event);
            bytes[1] = static_cast<std::uint8_t>(bend & 0x7F);
            bytes[2] = static_cast<std::uint8_t>((bend >> 7) & 0x7F);
            size = 3;
            break;
        }
        default: return;  // meta events stay with the player
    }
    port.Send(bytes, size);
}

void FluidSynthBackend::SilencePort() {
    std::lock_guard lock(route_mutex_);
    for (MidiOut* port : {port_out_.get(), song_port_.get()}) {
        if (!port) continue;
        for (std::uint8_t channel = 0; channel < 16; ++channel) {
            std::uint8_t all_notes_off[3] = {static_cast<std::uint8_t>(0xB0 | channel), 123, 0};
            std::uint8_t all_sound_off[3] = {static_cast<std::uint8_t>(0xB0 | channel), 120, 0};
            port->Send(all_notes_off, 3);
            port->Send(all_sound_off, 3);
        }
    }
}

int FluidSynthBackend::Tempo() {
    if (!song_) return 0;
    if (external_bpm_ > 0) return external_bpm_;
    std::lock_guard lock(render_mutex_);
    return song_->BpmAt(CurrentTick());
}

int FluidSynthBackend::SetTempo(int bpm) {
    if (!song_) return mci::kInvalidDeviceId;
    if (bpm < 0 || bpm > 1000) return mci::kOutOfRange;
    external_bpm_ = bpm;
    std::lock_guard lock(render_mutex_);
    if (bpm > 0)
        fluid_player_set_tempo(fluid_->player, FLUID_PLAYER_TEMPO_EXTERNAL_BPM, bpm);
    else
        fluid_player_set_tempo(fluid_->player, FLUID_PLAYER_TEMPO_INTERNAL, 1.0);
    return mci::kOk;
}

std::uint32_t FluidSynthBackend::SongPosition() {
    if (!song_) return 0;
    std::lock_guard lock(render_mutex_);
    return song_->SixteenthsAt(CurrentTick());
}

std::vector<std::string> FluidSynthBackend::Ports() {
    std::vector<std::string> names{std::string(LoadString(strings::kMidiMapperName))};
    if (ports_)
        for (auto& name : ports_->List())
            if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
    return names;
}

std::string FluidSynthBackend::SelectPort(const std::string& name) {
    std::string mapper(LoadString(strings::kMidiMapperName));
    std::unique_ptr<MidiOut> out;
    if (!name.empty() && name != mapper && ports_) out = ports_->Open(name);
    {
        std::lock_guard lock(render_mutex_);
        if (fluid_->synth) fluid_synth_all_notes_off(fluid_->synth, -1);
    }
    SilencePort();
    std::lock_guard lock(route_mutex_);
    port_out_ = std::move(out);
    port_name_ = port_out_ ? name : mapper;
    return port_name_;
}

std::int64_t FluidSynthBackend::RenderedPlayMs() const {
    return static_cast<std::int64_t>(play_frames_.load() * 1000 / kSampleRate);
}

}  // namespace nuko::playback
