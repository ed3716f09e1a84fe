// Reads a file area's list on a worker thread. The rows reach the owner
// thread in order, in batches, through its dispatcher, so that opening a
// large folder tree or catalog never holds up the window.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "file_area_model.h"
#include "nuko/dispatch.h"

namespace nuko::media {

class ListLoader {
public:
    // Each runs on the owner thread, and only for the read that is current.
    struct Handlers {
        std::function<void(ListHeader)> header;
        std::function<void(std::vector<MediaItem>&&)> rows;
        // The read has ended; the resolver comes back.
        std::function<void(std::unique_ptr<path::CaseResolver>)> done;
    };

    explicit ListLoader(Dispatcher& owner);
    // Stops the reads and waits for their threads.
    ~ListLoader();
    ListLoader(const ListLoader&) = delete;
    ListLoader& operator=(const ListLoader&) = delete;

    // Cancels the read that runs, then starts one.
    void Start(FileAreaSettings settings, FileAreaEnvironment env, std::unique_ptr<path::CaseResolver> resolver,
               Handlers handlers);
    // Nothing more of the current read reaches the handlers; its thread
    // stops at its next batch. Its resolver is dropped.
    void Cancel();
    bool busy() const { return busy_; }

private:
    struct Job;
    void Reap(bool all);

    Dispatcher& owner_;
    Handlers handlers_;
    std::uint64_t current_ = 0;  // the read whose results are taken
    bool busy_ = false;
    std::shared_ptr<Job> job_;
    std::vector<std::pair<std::thread, std::shared_ptr<Job>>> threads_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace nuko::media
