#include "fluidsynth_renderer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "level/loudness.h"
#include "media_errors.h"
#include "sound_font.h"
#include "synth_engine.h"

namespace nuko::playback {
namespace {

// The fade follows the song in steps this short.
constexpr std::size_t kFadeFrames = 256;

class FluidSynthRenderer final : public MidiRenderer {
public:
    explicit FluidSynthRenderer(MidiRenderRequest request) : request_(std::move(request)) {}

    bool Open(const std::string& path, std::string* error) override {
        std::optional<midi::Song> song;
        std::string why;
        int result = ReadMidiSong(path, request_.rcp_library, &song, &why);
        if (result != mci::kOk) {
            *error = "MIDIﾌｧｲﾙとして読めません: " + path + (why.empty() ? "" : " (" + why + ")");
            return false;
        }
        if (!engine_.ok()) {
            *error = "内蔵ｼﾝｾｻｲｻﾞｰを起動できません";
            return false;
        }
        if (!engine_.UseFonts(SoundFontsForSong(path, request_.synth.sound_fonts))) {
            *error = "使えるｻｳﾝﾄﾞﾌｫﾝﾄがありません";
            return false;
        }
        if (rendered_) FlushTails();
        rendered_ = false;
        prepared_ = PrepareSong(*song, request_.synth.loops);
        engine_.BeginSong(prepared_);
        mode_ = std::string(midi::ModeName(engine_.mode()));
        if (prepared_.mode == midi::ModuleMode::MT32)
            mt32_notice_ = "MT-32用の曲です。MT-32の音源がないので、内蔵ｼﾝｾｻｲｻﾞｰで演奏します。";
        const midi::Song& plan = prepared_.plan.song;
        frames_.clear();
        frames_.reserve(plan.events().size());
        for (const auto& e : plan.events()) frames_.push_back(UsToFrame(plan.TickToUs(e.tick)));
        end_frame_ = UsToFrame(plan.TickToUs(plan.end_tick()));
        fade_start_ = prepared_.plan.fade_start_ms < 0 ? -1 : UsToFrame(prepared_.plan.fade_start_ms * 1000);
        fade_frames_ = std::max<std::int64_t>(1, UsToFrame(prepared_.plan.fade_ms * 1000));
        next_ = 0;
        frame_ = 0;
        return true;
    }

    std::string Mode() override { return mode_; }
    std::vector<std::string> Fonts() override { return engine_.fonts(); }
    std::int64_t LengthMs() override { return prepared_.plan.song.LengthMs(); }
    std::int64_t FirstNoteMs() override { return prepared_.first_note_ms; }

    void SkipTo(std::int64_t ms) override {
        std::int64_t target = std::min(end_frame_, UsToFrame(ms * 1000));
        if (target < frame_) return;
        const auto& events = prepared_.plan.song.events();
        for (; next_ < events.size() && frames_[next_] <= target; ++next_) {
            const auto& e = events[next_];
            bool starts_note = (e.Status() & 0xF0) == 0x90 && e.bytes.size() >= 3 && e.bytes[2] != 0;
            // The events at the target itself play up to its first note,
            // which the next render sounds with everything after it; before
            // the target, as a seek, everything but the notes.
            if (starts_note && frames_[next_] == target) break;
            if (!starts_note) engine_.Play(e);
        }
        frame_ = target;
    }

    void SetLevel(double db) override { engine_.SetLevel(level::DbToFactor(db)); }

    std::size_t Render(float* out, std::size_t frames) override {
        const auto& events = prepared_.plan.song.events();
        std::size_t done = 0;
        while (done < frames && frame_ < end_frame_) {
            for (; next_ < events.size() && frames_[next_] <= frame_; ++next_) engine_.Play(events[next_]);
            std::int64_t until = end_frame_;
            if (next_ < events.size()) until = std::min(until, frames_[next_]);
            std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(until - frame_, static_cast<std::int64_t>(frames - done)));
            if (fade_start_ >= 0 && frame_ + static_cast<std::int64_t>(n) > fade_start_) {
                n = std::min(n, kFadeFrames);
                double into = static_cast<double>(std::max<std::int64_t>(0, frame_ - fade_start_));
                engine_.SetFade(1.0 - into / static_cast<double>(fade_frames_));
            }
            if (n == 0) continue;  // an event at this very frame comes first
            float* at = out + 2 * done;
            fluid_synth_write_float(engine_.synth(), static_cast<int>(n), at, 0, 2, at, 1, 2);
            rendered_ = true;
            done += n;
            frame_ += static_cast<std::int64_t>(n);
        }
        return done;
    }

    // A song rendered before may still sound: notes in their release, the
    // reverb's and chorus's tails. They play on out of sight until silence,
    // so the next song starts as from a fresh synthesizer (a song measured
    // after another one measures as it would alone).
    void FlushTails() {
        fluid_synth_all_sounds_off(engine_.synth(), -1);
        constexpr std::size_t kBlock = 1024;
        std::vector<float> scratch(2 * kBlock);
        for (int block = 0; block < 30 * kSampleRate / static_cast<int>(kBlock); ++block) {
            fluid_synth_write_float(engine_.synth(), static_cast<int>(kBlock), scratch.data(), 0, 2, scratch.data(), 1, 2);
            float peak = 0;
            for (float v : scratch) peak = std::max(peak, std::fabs(v));
            if (peak < 1e-6f) break;
        }
    }

    std::vector<MidiChannelInfo> Channels() override { return engine_.Channels(prepared_.used_channels); }

    std::vector<std::string> TakeNotices() override {
        std::vector<std::string> out;
        if (!mt32_notice_.empty()) out.push_back(std::move(mt32_notice_));
        mt32_notice_.clear();
        for (auto& n : engine_.TakeNotices()) out.push_back(std::move(n));
        return out;
    }

private:
    static std::int64_t UsToFrame(std::int64_t us) { return us * kSampleRate / 1000000; }

    MidiRenderRequest request_;
    SynthEngine engine_;
    PreparedSong prepared_;
    std::vector<std::int64_t> frames_;  // the frame of each event
    std::size_t next_ = 0;
    std::int64_t frame_ = 0;
    std::int64_t end_frame_ = 0;
    std::int64_t fade_start_ = -1;
    std::int64_t fade_frames_ = 1;
    bool rendered_ = false;  // since the song opened
    std::string mt32_notice_;
    std::string mode_;  // as the song begins: its own, or an initialisation file's
};

}  // namespace

std::unique_ptr<MidiRenderer> MakeFluidSynthRenderer(const MidiRenderRequest& request) {
    return std::make_unique<FluidSynthRenderer>(request);
}

}  // namespace nuko::playback
