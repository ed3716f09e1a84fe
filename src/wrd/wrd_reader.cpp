#include "wrd_reader.h"

#include <algorithm>

#include "nuko/fileio.h"
#include "nuko/paths.h"
#include "nuko/text.h"
#include "wrd_text_grid.h"

namespace nuko::wrd {

namespace {

// Due times stay well inside 32 bits, so adding a bar or a line time never
// overflows, whatever numbers a script gives.
constexpr std::int64_t kDueLimit = std::int64_t{1} << 30;

// The advance of a line when no line time is set: the due time's distance
// past its bar, or a whole bar when it is on one. (Taken as a distance, so a
// due time before 0 moves forward too.)
std::int32_t DefaultAdvance(std::int32_t due) {
    std::int32_t past = ((due % kClocksPerBar) + kClocksPerBar) % kClocksPerBar;
    return past == 0 ? kClocksPerBar : past;
}

bool HeadContains(std::string_view bytes, std::size_t head, std::string_view what) {
    std::string lowered(bytes.substr(0, head));
    text::Cp932AsciiLower(lowered);
    return lowered.find(what) != std::string::npos;
}

}  // namespace

WrdReader::WrdReader(WrdScreen& screen, Dispatcher* dispatcher) : screen_(screen), dispatcher_(dispatcher) {}

WrdReader::~WrdReader() = default;

bool WrdReader::Load(const std::string& song_path) {
    Free();
    std::string script_path = path::ResolveCaseInsensitive(path::ReplaceExtension(song_path, "wrd"));
    auto bytes = fileio::ReadFile(script_path, kScriptMaxBytes);
    if (!bytes) return false;
    return LoadBytes(std::move(*bytes), song_path);
}

bool WrdReader::LoadBytes(std::string bytes, const std::string& song_path) {
    Free();
    if (bytes.empty()) return false;
    script_ = std::move(bytes);
    song_path_ = song_path;
    song_folder_ = path::SplitPath(song_path).folder;
    start_marker_absent_ = !HeadContains(script_, 1000, "@start");
    loaded_ = true;
    Reset();
    return true;
}

void WrdReader::Free() {
    loaded_ = false;
    script_.clear();
    script_.shrink_to_fit();
    pending_.clear();
    step_text_.clear();
}

void WrdReader::Reset() {
    read_ = 0;
    pending_.clear();
    step_text_.clear();
    due_ = 0;
    clock_now_ = 0;
    last_position_ = -1;
    ended_ = false;
    wait_pending_ = false;
    wait_bar_ = wait_step_ = 0;
    offset_ = 0;
    rest_bars_ = rest_steps_ = 0;
    wmode_met_ = false;
    line_time_ = 0;
    line_time_latch_ = false;
    text_mode_ = 0;
    text_mode_given_ = false;
    step_text_active_ = false;
    step_continued_ = false;
    step_break_pending_ = false;
    version_ = 380;
    start_run_ = 0;
    ratio_beats_ = ratio_unit_ = 4;
    wmode_carry_ = false;
}

void WrdReader::StartRun() {
    if (!loaded_ || !screen_.visible() || start_marker_absent_) return;
    start_run_ = 1;
    Tick(0);
    start_run_ = 0;
    start_marker_absent_ = true;
}

void WrdReader::SetWaitRatio(int beats, int unit) {
    if (beats == 0 || unit == 0) return;
    ratio_beats_ = given_beats_ = beats;
    ratio_unit_ = given_unit_ = unit;
}

void WrdReader::SetDue(std::int64_t v) { due_ = static_cast<std::int32_t>(std::clamp(v, -kDueLimit, kDueLimit)); }

bool WrdReader::ReadLine(std::string& line) {
    line.clear();
    if (read_ >= script_.size()) {
        ended_ = true;
        return false;
    }
    std::size_t i = read_;
    const std::size_t size = script_.size();
    while (i < size) {
        char c = script_[i];
        if (c == '\r' && i + 1 < size && script_[i + 1] == '\n') {
            i += 2;
            break;
        }
        if (line.size() < kLineMax) line += c;
        else line.back() = c;
        ++i;
    }
    read_ = i;
    if (read_ >= size) ended_ = true;
    if (ended_ && line.size() < 2) {
        line.clear();
        return false;
    }
    // A zero byte ends the text of a line, as it always has for these
    // scripts.
    line.resize(std::min(line.size(), line.find('\0')));
    return true;
}

void WrdReader::Tick(std::int32_t position) {
    if (restart_on_rewind_ && loaded_ && position < last_position_) {
        std::string song = song_path_;
        int beats = given_beats_, unit = given_unit_;
        if (Load(song)) {
            screen_.ResetAndStart();
            // The main frame set the song's ratio once, at its start.
            SetWaitRatio(beats, unit);
        }
    }
    last_position_ = position;
    if (busy_ || !loaded_) return;
    if (run_only_visible_ && !screen_.visible()) return;
    busy_ = true;
    RunTick(position);
    busy_ = false;
    if (catch_up_ && due_ < clock_now_ && position > 1 && dispatcher_ && !ended_) {
        std::weak_ptr<int> alive = alive_;
        dispatcher_->Post([alive, this, position] {
            if (alive.lock()) Tick(position);
        });
    }
}

void WrdReader::RunTick(std::int32_t position) {
    clock_now_ = static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{position} * kClocksPerPosition, -kDueLimit, kDueLimit));
    // The clock takes even values only; an odd due time is due at the even
    // clock below it and keeps its odd bit.
    std::int32_t low_bit = due_ & 1;
    due_ &= ~std::int32_t{1};

    Fade& fade = screen_.fade();
    if (fade.running) {
        if (!catch_up_ || clock_now_ < fade.end) {
            if (clock_now_ >= fade.next) {
                if (screen_.FadeStep()) fade.running = false;
                else fade.next = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{fade.next} + fade.interval, kDueLimit));
            }
        } else {
            // Late: finish it at once. Each step moves every component, so
            // 16 steps always arrive.
            for (int i = 0; i < 16 && !screen_.FadeStep(); ++i) {
            }
            fade.running = false;
        }
    }

    if (ended_ || clock_now_ < due_) {
        due_ += low_bit;
        return;
    }

    wmode_met_ = false;
    text_mode_given_ = false;
    hold_next_line_ = false;
    wmode_seen_tick_ = false;
    tick_line_time_ = line_time_;
    bool stop = false;
    if (text_mode_ == 1) stop = ContinueStepText();

    std::string line;
    while (!ended_ && !stop) {
        if (pending_.empty()) {
            if (!ReadLine(line)) break;
        } else {
            line = std::move(pending_);
            pending_.clear();
        }
        bool continued = !line.empty() && line.back() == ';';
        if (continued) {
            line.pop_back();
            hold_next_line_ = false;
        } else {
            stop = true;
        }
        if (stop && hold_next_line_) {
            pending_ = std::move(line);
            break;
        }

        bool line_waits_ahead = false;
        if (!line.empty() && line[0] == '@') {
            bool previous_wmode = wmode_met_;
            std::int32_t previous_line_time = line_time_;
            wait_pending_ = false;
            wmode_met_ = false;
            wait_step_ = 0;
            LineResult result = RunCommandLine(line);
            pending_ = std::move(result.rest);
            if (result.waiting) {
                if (continued && !pending_.empty()) pending_ += ';';
                bool keeps_going = false;
                if (wait_pending_) {
                    std::int64_t bar = std::int64_t{wait_bar_} + offset_;
                    std::int64_t target = bar * kClocksPerBar + wait_step_;
                    if (target <= due_) {
                        // Already past: the wait does not hold the reader.
                        wait_pending_ = false;
                        wait_step_ = 0;
                        if (tick_line_time_ == 0) SetDue(bar * kClocksPerBar - kClocksPerBar);
                        else if (continued) keeps_going = true;
                        else SetDue(std::int64_t{due_} - 2 * std::int64_t{tick_line_time_});
                    }
                }
                if (wmode_met_) {
                    wmode_seen_tick_ = true;
                    if (!text_mode_given_) hold_next_line_ = true;
                    if (previous_wmode) {
                        SetDue(std::int64_t{due_} + (tick_line_time_ != 0 ? tick_line_time_ : DefaultAdvance(due_)));
                        tick_line_time_ = previous_line_time;
                    }
                }
                if (!(start_run_ != 0 || (wmode_met_ && !wait_pending_) || keeps_going)) stop = true;
                line_waits_ahead = wait_pending_;
            }
            if (fade.running && fade.next == 0)
                fade.next = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{clock_now_} + fade.interval, kDueLimit));
        } else {
            if (text_mode_ == 1) {
                step_text_ = std::move(line);
                step_text_active_ = true;
                step_continued_ = continued;
                step_break_pending_ = false;
                bool more = StepTextUnit();
                stop = version_ < 380 ? true : more;
            } else {
                PrintTextLine(line, stop);
            }
            pending_.clear();
            if (start_run_ == 1) start_run_ = 2;
        }

        if (start_run_ != 0 || text_mode_given_ || wait_pending_) {
            if (start_run_ == 1 && line_waits_ahead) stop = true;
            wmode_carry_ = false;
        } else if (!wmode_seen_tick_) {
            if (stop && wmode_carry_) {
                stop = false;
                wmode_carry_ = false;
            }
        } else if (!stop) {
            wmode_carry_ = true;
        }
    }

    bool new_due = false;
    if (!ended_ && start_run_ == 0) {
        std::int32_t amount = tick_line_time_;
        if (wmode_seen_tick_ && (!line_time_latch_ || text_mode_given_)) {
            amount = line_time_;
            line_time_latch_ = true;
        }
        bool had_wait = wait_pending_;
        if (wait_pending_) {
            SetDue((std::int64_t{wait_bar_} + offset_) * kClocksPerBar + wait_step_);
            new_due = true;
        } else if (rest_bars_ != 0) {
            SetDue(std::int64_t{clock_now_} + std::int64_t{rest_bars_} * kClocksPerBar + rest_steps_);
            rest_bars_ = rest_steps_ = 0;
            new_due = true;
        } else if (amount != 0) {
            SetDue(std::int64_t{due_} + amount);
        } else {
            SetDue(std::int64_t{due_} + DefaultAdvance(due_));
        }
        if (had_wait && HeadContains(pending_, 250, "@wmode")) line_time_latch_ = false;
        // The wait has set its due time; it holds nothing more.
        wait_pending_ = false;
    }
    if (!new_due) due_ += low_bit;
}

void WrdReader::PrintTextLine(std::string_view line, bool stop) {
    bool keep_row = false;
    if (!line.empty() && line.back() == '\\') {
        // A "\" that ends the line is a mark unless it is the second byte of
        // a double-byte character.
        std::size_t i = 0;
        while (i + Cp932CharLength(line, i) < line.size()) i += Cp932CharLength(line, i);
        if (Cp932CharLength(line, i) == 1) {
            line.remove_suffix(1);
            keep_row = true;
        }
    }
    screen_.PrintText(line);
    if (stop && !keep_row) screen_.NewLine();
}

}  // namespace nuko::wrd
