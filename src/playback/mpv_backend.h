// Movies and sound files on libmpv.
#pragma once

#include "backend.h"
#include "mpv_session.h"

namespace nuko::playback {

class MpvBackend final : public Backend, public MovieControls {
public:
    // `video` false: sound items, whose video tracks (cover art, a picture
    // in a Windows Media file) are left out.
    MpvBackend(Dispatcher& dispatcher, MpvOptions options);

    int Open(const std::string& path) override;
    void Close() override { session_.Unload(); }
    bool IsOpen() const override { return session_.loaded(); }
    int Play(std::int64_t from_ms, std::int64_t to_ms) override;
    int Pause() override { return session_.Pause(); }
    int Stop() override { return session_.Stop(); }
    int Seek(std::int64_t ms) override { return session_.Seek(static_cast<double>(ms) / 1000.0); }
    int WaitForEnd() override { return session_.WaitForEnd(); }
    std::int64_t PositionMs() override;
    std::int64_t LengthMs() override;
    DeviceMode Mode() override { return session_.Mode(); }
    bool MediaPresent() override { return session_.loaded(); }
    void SetAudio(bool on) override { session_.SetMute(!on); }
    void SetLevelGain(double db) override { session_.SetLevelGain(db); }
    void Poll() override { session_.Poll(); }
    std::string ErrorText(int error) const override;
    MovieControls* Movie() override { return options_video_ ? this : nullptr; }

    int Step(int frames, bool backwards) override;
    Size VideoSize() override { return session_.VideoSize(); }
    void SetTargetWindow(std::uint64_t window_id) override { session_.options().window = window_id; }

    std::string AudioOutput() { return session_.AudioOutput(); }

private:
    void OnLoaded(int result);

    MpvSession session_;
    bool options_video_;
    std::string last_error_;
};

}  // namespace nuko::playback
