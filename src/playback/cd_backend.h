// Audio CD on a drive or a disc image: the table of contents from the disc
// module, the sound through libmpv reading the disc's audio sectors for the
// range being played. Times are milliseconds from the first track's start.
#pragma once

#include <atomic>
#include <memory>

#include "backend.h"
#include "cd/disc_toc.h"
#include "mpv_session.h"

namespace nuko::playback {

struct CdRange;

class CdBackend final : public Backend, public DiscControls {
public:
    CdBackend(Dispatcher& dispatcher, MpvOptions options);
    ~CdBackend() override;

    int Open(const std::string& path) override;
    void Close() override;
    bool IsOpen() const override { return disc_ != nullptr; }
    // Plays from `from_ms` to `to_ms` (the end of the disc's audio when -1).
    int Play(std::int64_t from_ms, std::int64_t to_ms) override;
    int Pause() override;
    int Stop() override;
    int Seek(std::int64_t ms) override;
    int WaitForEnd() override;
    std::int64_t PositionMs() override;
    std::int64_t LengthMs() override;
    DeviceMode Mode() override;
    bool MediaPresent() override;
    void SetAudio(bool on) override;
    // Kept by the session for the ranges loaded later.
    void SetLevelGain(double db) override { session_.SetLevelGain(db); }
    void Poll() override { session_.Poll(); }
    std::string ErrorText(int error) const override;
    DiscControls* Disc() override { return this; }

    const cd::DiscToc* Toc() override { return disc_ ? &disc_->Toc() : nullptr; }
    bool IsImage() override { return disc_ && disc_->IsImage(); }

private:
    enum class State { Stopped, Playing, Paused };

    std::int32_t MsToLsn(std::int64_t ms) const;
    std::int64_t LsnToMs(std::int32_t lsn) const;
    std::int64_t HeldOrLivePosition();
    // The player for the range has loaded (or failed to).
    void OnLoaded(int result);

    Dispatcher& dispatcher_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::uint64_t serial_ = 0;  // counts plays and stops, so a late instant end is dropped
    MpvSession session_;
    std::shared_ptr<cd::DiscSource> disc_;
    std::unique_ptr<CdRange> range_;  // what the loaded player reads
    State state_ = State::Stopped;
    std::int64_t position_ms_ = 0;  // while nothing plays
    bool muted_ = false;
    int load_error_ = 0;  // why the last range could not load
    std::string last_error_;
};

}  // namespace nuko::playback
