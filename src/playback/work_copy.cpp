#include "playback/work_copy.h"

#include <unistd.h>

#include <utility>

#include "nuko/files.h"

namespace nuko::playback {

WorkCopy::WorkCopy(Dispatcher& owner, std::string source, std::string target, Handlers handlers)
    : owner_(owner), target_(std::move(target)), handlers_(std::move(handlers)) {
    // The worker touches the shared flags and its own strings; the handlers
    // are reached only through posted calls, which check that the copy is
    // still there.
    worker_ = std::thread([this, source = std::move(source), target = target_, shared = shared_,
                           alive = std::weak_ptr<int>(alive_)] {
        auto post = [this, alive](std::function<void()> call) {
            owner_.Post([alive, call = std::move(call)] {
                if (alive.lock()) call();
            });
        };
        const int result = files::CopyFile(
            source, target, [&](int percent) { post([this, percent] { if (handlers_.progress) handlers_.progress(percent); }); },
            &shared->stop);
        shared->result = result;
        post([this, result] {
            delivered_ = true;
            // The handler may destroy this copy; nothing here is touched after it.
            if (auto done = handlers_.done) done(result);
        });
    });
}

WorkCopy::~WorkCopy() {
    alive_.reset();
    shared_->stop = true;
    if (worker_.joinable()) worker_.join();
    const int r = shared_->result;
    if (!delivered_ && (r == files::kCopyWritten || r == files::kCopyWrittenWithProgress)) ::unlink(target_.c_str());
}

}  // namespace nuko::playback
