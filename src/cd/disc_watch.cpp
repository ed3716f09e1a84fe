#include "cd/disc_watch.h"

#include <utility>

#include "cd/disc_id.h"
#include "cd/disc_lengths.h"
#include "cd/disc_toc.h"

namespace nuko::cd {

std::string DiscIdInDrive(const std::string& device) {
    auto disc = OpenDisc(device);
    return disc ? DiscId(DiscLengthsOf(disc->Toc())) : std::string();
}

DiscWatch::DiscWatch(Dispatcher& owner, IdReader read)
    : owner_(owner), read_(read ? std::move(read) : IdReader(DiscIdInDrive)) {}

DiscWatch::~DiscWatch() {
    alive_.reset();
    if (worker_.joinable()) worker_.join();
}

bool DiscWatch::Start(std::vector<std::string> devices, Answer answer) {
    if (busy_) return false;
    // The last worker has posted its answer, so it has ended or is about to.
    if (worker_.joinable()) worker_.join();
    busy_ = true;
    // The worker touches only what it was handed; the answer and busy_ are
    // the owner's, reached through the posted call.
    worker_ = std::thread([this, devices = std::move(devices), answer = std::move(answer),
                           alive = std::weak_ptr<int>(alive_)]() mutable {
        std::vector<std::string> ids;
        ids.reserve(devices.size());
        for (const std::string& d : devices) ids.push_back(read_(d));
        owner_.Post([this, alive, answer = std::move(answer), ids = std::move(ids)]() mutable {
            if (!alive.lock()) return;
            busy_ = false;
            answer(std::move(ids));
        });
    });
    return true;
}

}  // namespace nuko::cd
