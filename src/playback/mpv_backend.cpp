#include "mpv_backend.h"

#include <cmath>

#include "media_errors.h"
#include "nuko/files.h"

namespace nuko::playback {

MpvBackend::MpvBackend(Dispatcher& dispatcher, MpvOptions options)
    : session_(dispatcher, options), options_video_(options.video) {
    session_.on_end = [this](EndReason reason) { NotifyEnd(reason); };
}

int MpvBackend::Open(const std::string& path) {
    session_.Unload();
    last_error_.clear();
    if (!files::IsFileFound(path, true)) return mci::kFileNotFound;
    // A relative name must not read as a protocol ("x://...").
    int r = session_.Load(path.front() == '/' ? path : "./" + path, {}, [this](int result) { OnLoaded(result); });
    if (r != mci::kPending) last_error_ = session_.last_error();
    return r;
}

void MpvBackend::OnLoaded(int result) {
    if (result != mci::kOk) {
        last_error_ = session_.last_error();
        NotifyOpened(result);
        return;
    }
    // A file of another kind under a media name may still "load" (a picture
    // opens as one frame of video): it must carry what this kind plays.
    bool playable = options_video_ ? (session_.HasVideo() || session_.HasAudio()) : session_.HasAudio();
    if (!playable) {
        session_.Unload();
        last_error_ = options_video_ ? "no audio or video stream" : "no audio stream";
        result = mci::kInvalidFile;
    }
    NotifyOpened(result);
}

int MpvBackend::Play(std::int64_t from_ms, std::int64_t to_ms) {
    return session_.Play(from_ms >= 0 ? static_cast<double>(from_ms) / 1000.0 : -1.0,
                         to_ms >= 0 ? static_cast<double>(to_ms) / 1000.0 : -1.0);
}

std::int64_t MpvBackend::PositionMs() { return std::llround(session_.Position() * 1000.0); }

std::int64_t MpvBackend::LengthMs() { return std::llround(session_.Duration() * 1000.0); }

std::string MpvBackend::ErrorText(int error) const {
    return DeviceErrorText(error, last_error_.empty() ? session_.last_error() : last_error_);
}

int MpvBackend::Step(int frames, bool backwards) { return session_.FrameStep(backwards, frames); }

}  // namespace nuko::playback
