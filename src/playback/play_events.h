// What the play controller tells of playback: one list of events, which the
// controller's host takes and the player's core passes on to its listeners.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "library/media_kinds.h"

namespace nuko::playback {

// The code of the last command that completed: 1 Playing, 3 Stopped,
// 4 Paused; 0, 2 and 5 only while Previous, Next or Eject are carried out.
enum class PlayState : int { Previous = 0, Playing = 1, Next = 2, Stopped = 3, Paused = 4, Eject = 5 };

struct ItemDisplay {
    int item = 0;
    std::string title;
    std::string path;               // what was opened
    std::string source;             // the item's own file (an archive's member out of it), before any conversion
    std::uint16_t length = 0;       // in the unit below
    bool seconds = true;            // false: hundredths of a second
    // The sound module a MIDI song was made for ("GM", "GS", "XG", "MT-32",
    // ...); empty for other items and when the back end cannot tell.
    std::string mode;

    // The title as the displays show it: with the song's mode after it,
    // "Title [GS]".
    std::string ShownTitle() const { return mode.empty() ? title : title + " [" + mode + "]"; }
};

class PlayEvents {
public:
    virtual ~PlayEvents() = default;
    // The state after a command began or ended (the button panel, the
    // volume panel, the mini window).
    virtual void OnStateChanged(PlayState state, media::MediaKind kind) { (void)state, (void)kind; }
    // The list has no items.
    virtual void OnListEmpty(media::MediaKind kind) { (void)kind; }
    // The current item changed while nothing plays (title display).
    virtual void OnItemShown(int item) { (void)item; }
    // An item started: length, time and title displays, the MIDI-Word screen.
    virtual void OnItemStarted(const ItemDisplay& item) { (void)item; }
    // Playback stopped: time and title displays reset.
    virtual void OnItemStopped() {}
    virtual void OnPosition(std::uint16_t position) { (void)position; }
    // The A-B section (points in the device's time unit).
    virtual void OnSectionChanged(std::optional<std::uint32_t> a, std::optional<std::uint32_t> b) { (void)a, (void)b; }
    // The pause at point A: on with the seconds left, or off.
    virtual void OnAbWait(bool on, int seconds_left) { (void)on, (void)seconds_left; }
    // The status line (" 変換中...", " MIDI初期化中...").
    virtual void OnStatus(std::string_view text) { (void)text; }
    // The song position for the MIDI-Word screen, in sixteenth notes; sent
    // on the clock while a MIDI song plays and the screen is open.
    virtual void OnWrdTick(std::uint32_t position) { (void)position; }
};

// Passes every event on to the receivers that Tell reaches: the one place
// where a host that fans the events out forwards them. `Base` is
// PlayEvents or an interface that extends it.
template <typename Base>
class PlayEventsRelay : public Base {
public:
    void OnStateChanged(PlayState state, media::MediaKind kind) override {
        Tell([&](PlayEvents& e) { e.OnStateChanged(state, kind); });
    }
    void OnListEmpty(media::MediaKind kind) override {
        Tell([&](PlayEvents& e) { e.OnListEmpty(kind); });
    }
    void OnItemShown(int item) override {
        Tell([&](PlayEvents& e) { e.OnItemShown(item); });
    }
    void OnItemStarted(const ItemDisplay& item) override {
        Tell([&](PlayEvents& e) { e.OnItemStarted(item); });
    }
    void OnItemStopped() override {
        Tell([](PlayEvents& e) { e.OnItemStopped(); });
    }
    void OnPosition(std::uint16_t position) override {
        Tell([&](PlayEvents& e) { e.OnPosition(position); });
    }
    void OnSectionChanged(std::optional<std::uint32_t> a, std::optional<std::uint32_t> b) override {
        Tell([&](PlayEvents& e) { e.OnSectionChanged(a, b); });
    }
    void OnAbWait(bool on, int seconds_left) override {
        Tell([&](PlayEvents& e) { e.OnAbWait(on, seconds_left); });
    }
    void OnStatus(std::string_view text) override {
        Tell([&](PlayEvents& e) { e.OnStatus(text); });
    }
    void OnWrdTick(std::uint32_t position) override {
        Tell([&](PlayEvents& e) { e.OnWrdTick(position); });
    }

protected:
    // Runs `event` on each receiver.
    virtual void Tell(const std::function<void(PlayEvents&)>& event) = 0;
};

}  // namespace nuko::playback
