// The small interface that MediaDevice drives for every media kind. One
// back end plays one open item at a time; its results are the MCI error
// numbers the player has always used (media_errors.h), and its completion
// arrives on the owner thread.
//
// Threading: every call comes from the thread that owns the device. A back
// end whose library works on threads of its own only posts from them
// (through the Dispatcher it was given) and acts when the posted call runs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace nuko::cd {
struct DiscToc;
}

namespace nuko::playback {

enum class DeviceMode { NotReady, Stopped, Playing, Paused, Seeking };

enum class EndReason { Success, Failure };

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
};
struct Size {
    int width = 0, height = 0;
};

class MidiControls;
class MovieControls;
class DiscControls;

class Backend {
public:
    // Runs on the owner thread when the current play ends by itself.
    using EndHandler = std::function<void(EndReason)>;
    // Runs on the owner thread when an open that went on in the background
    // has ended: 0 or an MCI error.
    using OpenHandler = std::function<void(int result)>;

    virtual ~Backend() = default;

    // Opens the item (a file, a drive or a disc image). 0 or an MCI error;
    // or mci::kPending: the item loads in the background and the open
    // handler gets its result, unless Close comes first (then nothing
    // follows).
    virtual int Open(const std::string& path) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Plays from `from_ms` (-1: from where it stands) until `to_ms` (-1: the
    // end). A play that starts at the end completes at once.
    virtual int Play(std::int64_t from_ms, std::int64_t to_ms) = 0;
    virtual int Pause() = 0;
    // Stops; the position stays where it was.
    virtual int Stop() = 0;
    // Moves to `ms` and leaves the item stopped there. The move may go on
    // after the call: Mode() says Seeking until it has arrived.
    virtual int Seek(std::int64_t ms) = 0;
    // Blocks until the current play ends; 0, or an MCI error when it failed.
    virtual int WaitForEnd() = 0;

    virtual std::int64_t PositionMs() = 0;
    virtual std::int64_t LengthMs() = 0;
    virtual DeviceMode Mode() = 0;
    virtual bool MediaPresent() = 0;
    virtual void SetAudio(bool on) = 0;
    // Plays the item `db` decibels louder (negative: quieter) than it is,
    // from now on: the player's level normalisation. 0 is the item as it is.
    virtual void SetLevelGain(double db) { (void)db; }
    // Checks the time limits of what goes on in the background (a load, a
    // seek); the owner's clock calls it. What ends is reported later, never
    // inside this call.
    virtual void Poll() {}

    // The text of an MCI error of this back end, with what the library said
    // about the last failure when it said anything.
    virtual std::string ErrorText(int error) const = 0;

    // Capabilities beyond the common ones; null when the back end has none.
    virtual MidiControls* Midi() { return nullptr; }
    virtual MovieControls* Movie() { return nullptr; }
    virtual DiscControls* Disc() { return nullptr; }

    void SetEndHandler(EndHandler handler) { end_handler_ = std::move(handler); }
    void SetOpenHandler(OpenHandler handler) { open_handler_ = std::move(handler); }

protected:
    void NotifyEnd(EndReason reason) {
        if (end_handler_) end_handler_(reason);
    }
    void NotifyOpened(int result) {
        if (open_handler_) open_handler_(result);
    }

private:
    EndHandler end_handler_;
    OpenHandler open_handler_;
};

class MidiControls {
public:
    virtual ~MidiControls() = default;
    // Quarter notes per minute now.
    virtual int Tempo() = 0;
    // Plays at `bpm` from now on, whatever the song says; 0 returns to the
    // song's own tempo.
    virtual int SetTempo(int bpm) = 0;
    // The position in sixteenth notes.
    virtual std::uint32_t SongPosition() = 0;
    // Names of the output ports: the internal synthesizer first.
    virtual std::vector<std::string> Ports() = 0;
    // Chooses the port by name; returns the name actually used.
    virtual std::string SelectPort(const std::string& name) = 0;
    // The sound module the open song was made for ("GM", "GM2", "GS", "XG",
    // "MT-32"); "" when none is open or the back end cannot tell.
    virtual std::string SongMode() { return {}; }
    // What the user should hear about the open song, in Japanese, each once:
    // an MT-32 song on the synthesizer, a font that would not load, broken
    // exclusives, a bank no font has. Taking them empties the list; more may
    // come while the song plays.
    virtual std::vector<std::string> TakeSongNotices() { return {}; }
};

class MovieControls {
public:
    virtual ~MovieControls() = default;
    // Steps `frames` frames forwards or backwards; the movie stays paused.
    // The steps may go on after the call: Mode() says Seeking until the
    // last one is shown.
    virtual int Step(int frames, bool backwards) = 0;
    // The movie's own picture size (0 x 0 when it has none).
    virtual Size VideoSize() = 0;
    // Where the picture of the next Open goes: the native window to draw
    // into, or 0 for none (no picture is drawn).
    virtual void SetTargetWindow(std::uint64_t window_id) = 0;
};

class DiscControls {
public:
    virtual ~DiscControls() = default;
    virtual const cd::DiscToc* Toc() = 0;
    // Whether the open item is a disc image rather than a drive.
    virtual bool IsImage() = 0;
};

}  // namespace nuko::playback
