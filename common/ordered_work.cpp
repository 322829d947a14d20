#include "common/ordered_work.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace quillon {
namespace {

// The helper threads: they take loaded slots in the order they were queued and leave
// the result of each slot's work for the calling thread to take.
class Helpers {
public:
    Helpers(unsigned count, std::size_t slots, const std::function<Status(std::size_t)>& work)
        : work_(work), results_(slots) {
        for (unsigned i = 0; i < count; ++i) threads_.emplace_back([this] { serve(); });
    }
    Helpers(const Helpers&) = delete;
    Helpers& operator=(const Helpers&) = delete;

    // Work queued and not yet begun is dropped; work begun is finished first.
    ~Helpers() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
            queued_.clear();
        }
        ready_.notify_all();
        for (std::thread& thread : threads_) thread.join();
    }

    void queue(std::size_t slot) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queued_.push_back(slot);
        }
        ready_.notify_one();
    }

    // The result of the work on `slot`, once it is done.
    Status take(std::size_t slot) {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [&] { return results_[slot].has_value(); });
        Status result = std::move(*results_[slot]);
        results_[slot].reset();
        return result;
    }

private:
    void serve() {
        for (;;) {
            std::size_t slot = 0;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                ready_.wait(lock, [&] { return stopping_ || !queued_.empty(); });
                if (stopping_) return;
                slot = queued_.front();
                queued_.pop_front();
            }
            Status result = work_(slot);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                results_[slot] = std::move(result);
            }
            done_.notify_all();
        }
    }

    const std::function<Status(std::size_t)>& work_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable done_;
    std::deque<std::size_t> queued_;
    std::vector<std::optional<Status>> results_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace

unsigned processorCores() { return std::max(1u, std::thread::hardware_concurrency()); }

std::size_t orderedSlots(unsigned threads) { return threads <= 1 ? 1 : std::size_t{2} * threads; }

Status runOrdered(std::size_t batches, unsigned threads, const OrderedSteps& steps) {
    const std::size_t slots = orderedSlots(threads);
    std::optional<Helpers> helpers;
    if (threads > 1) helpers.emplace(threads, slots, steps.work);
    std::size_t loaded = 0;
    Status loadFailure;
    for (std::size_t next = 0; next < batches; ++next) {
        // Every slot that the batches handed on have freed takes the next batch.
        while (loadFailure && loaded < batches && loaded - next < slots) {
            if (loadFailure = steps.load(loaded, loaded % slots); !loadFailure) break;
            if (helpers) helpers->queue(loaded % slots);
            ++loaded;
        }
        if (next == loaded) return loadFailure;  // this batch did not load
        const std::size_t slot = next % slots;
        if (Status worked = helpers ? helpers->take(slot) : steps.work(slot); !worked) return worked;
        if (Status handed = steps.handOn(next, slot); !handed) return handed;
    }
    return {};
}

}  // namespace quillon
