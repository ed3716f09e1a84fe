#include "list_loader.h"

#include <exception>
#include <utility>

namespace nuko::media {

struct ListLoader::Job {
    std::uint64_t id = 0;
    FileAreaSettings settings;
    FileAreaEnvironment env;
    std::unique_ptr<path::CaseResolver> resolver;  // the worker's until it posts the end
    std::atomic<bool> stop{false};
    std::atomic<bool> finished{false};
};

ListLoader::ListLoader(Dispatcher& owner) : owner_(owner) {}

ListLoader::~ListLoader() {
    alive_.reset();
    Cancel();
    Reap(true);
}

void ListLoader::Cancel() {
    if (job_) job_->stop = true;
    job_.reset();
    ++current_;
    busy_ = false;
}

void ListLoader::Reap(bool all) {
    std::erase_if(threads_, [all](auto& t) {
        if (!all && !t.second->finished) return false;
        t.first.join();
        return true;
    });
}

void ListLoader::Start(FileAreaSettings settings, FileAreaEnvironment env,
                       std::unique_ptr<path::CaseResolver> resolver, Handlers handlers) {
    Cancel();
    Reap(false);
    auto job = std::make_shared<Job>();
    job->id = current_;
    job->settings = std::move(settings);
    job->env = std::move(env);
    job->resolver = resolver ? std::move(resolver) : std::make_unique<path::CaseResolver>();
    handlers_ = std::move(handlers);
    job_ = job;
    busy_ = true;

    // What the worker posts runs on the owner thread, and is dropped there
    // when the loader is gone or the read is no longer current; the worker
    // itself touches only the job.
    std::thread worker([this, job, alive = std::weak_ptr<int>(alive_)] {
        const std::uint64_t id = job->id;
        auto post = [&](std::function<void()> call) {
            owner_.Post([this, alive, id, call = std::move(call)] {
                if (alive.lock() && id == current_) call();
            });
        };
        ListSink sink;
        sink.header = [&](ListHeader header) {
            post([this, header = std::move(header)] {
                // A handler may start another read, which replaces the handlers.
                if (auto h = handlers_.header) h(header);
            });
        };
        sink.rows = [&](std::vector<MediaItem>&& rows) {
            auto batch = std::make_shared<std::vector<MediaItem>>(std::move(rows));
            post([this, batch] {
                if (auto h = handlers_.rows) h(std::move(*batch));
            });
            return !job->stop.load();
        };
        bool whole = false;
        try {
            whole = ReadList(job->settings, job->env, *job->resolver, sink);
        } catch (const std::exception&) {
            // Out of memory or the like: the rows so far stand as the list.
            whole = !job->stop.load();
        }
        if (whole) {
            auto resolver = std::make_shared<std::unique_ptr<path::CaseResolver>>(std::move(job->resolver));
            post([this, resolver] {
                busy_ = false;
                job_.reset();
                if (auto h = handlers_.done) h(std::move(*resolver));
            });
        }
        job->finished = true;
    });
    threads_.emplace_back(std::move(worker), job);
}

}  // namespace nuko::media
