#include "ui/picture_loading.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <list>
#include <mutex>
#include <thread>
#include <utility>

namespace varnelo {

namespace {

// Filled on the loading thread, read on the window's thread. The lock makes
// that hand-over visible to the thread checker, which cannot see through
// Qt's own locks of its event queue.
struct Loaded {
    std::mutex mutex;
    LoadOutcome outcome;
    WorkBitmap picture;
};

class ThreadedPictureLoading final : public PictureLoading {
public:
    ~ThreadedPictureLoading() override {
        stop();
        for (Job& job : jobs_)
            job.thread.join();
    }

    void load(const std::string& path, Done done) override {
        stop();
        forgetFinished();
        done_ = std::move(done);
        const std::uint64_t generation = ++generation_;
        busy_ = true;
        Job& job = jobs_.emplace_back();
        std::atomic<bool>& cancel = job.cancel;
        std::atomic<bool>& finished = job.finished;
        // The worker reaches the window's thread only through a queued call
        // on receiver_, which outlives it: the destructor waits for every worker.
        job.thread = std::thread([this, path, generation, &cancel, &finished] {
            auto loaded = std::make_shared<Loaded>();
            {
                const std::lock_guard lock(loaded->mutex);
                loaded->outcome = loadPicture(path, loaded->picture, &cancel);
                // The result moves into the call: nothing of it stays on this
                // thread but the lock, which the window's thread waits for.
                QMetaObject::invokeMethod(
                    &receiver_,
                    [this, generation, loaded = std::move(loaded)] {
                        deliver(generation, *loaded);
                    },
                    Qt::QueuedConnection);
            }
            finished.store(true);
        });
    }

    void stop() override {
        if (!jobs_.empty())
            jobs_.back().cancel.store(true);
        ++generation_; // whatever is on its way is dropped
        busy_ = false;
    }

    bool busy() const override { return busy_; }

private:
    struct Job {
        std::atomic<bool> cancel{false};
        std::atomic<bool> finished{false};
        std::thread thread;
    };

    // Runs on the window's thread.
    void deliver(std::uint64_t generation, Loaded& loaded) {
        const std::lock_guard lock(loaded.mutex);
        if (generation != generation_)
            return;
        busy_ = false;
        const Done done = std::move(done_);
        done(loaded.outcome, std::move(loaded.picture));
    }

    // Threads that have handed their result over end at once.
    void forgetFinished() {
        for (auto job = jobs_.begin(); job != jobs_.end();) {
            if (job->finished.load()) {
                job->thread.join();
                job = jobs_.erase(job);
            } else {
                ++job;
            }
        }
    }

    QObject receiver_;
    std::list<Job> jobs_; // never moved: the workers hold their flags
    std::uint64_t generation_ = 0;
    bool busy_ = false;
    Done done_;
};

class ImmediatePictureLoading final : public PictureLoading {
public:
    void load(const std::string& path, Done done) override {
        WorkBitmap picture;
        const LoadOutcome outcome = loadPicture(path, picture);
        done(outcome, std::move(picture));
    }
    void stop() override {}
    bool busy() const override { return false; }
};

} // namespace

std::unique_ptr<PictureLoading> makeThreadedPictureLoading() {
    return std::make_unique<ThreadedPictureLoading>();
}

std::unique_ptr<PictureLoading> makeImmediatePictureLoading() {
    return std::make_unique<ImmediatePictureLoading>();
}

} // namespace varnelo
