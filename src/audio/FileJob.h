#pragma once
// A file opened or decoded off the calling thread, for the deck players and the sample channels.
// Whatever finishes within a few milliseconds is as if done on the spot; anything slower goes on
// on a thread of its own, which holds the job to its end, so the caller may give up on it (a new
// file, its own end, a mount that never answers) at any time.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace vantrel::audio {

// Long enough for any local file to open as before, short enough that the window never notices.
inline constexpr auto kQuickFileWait = std::chrono::milliseconds(20);
// A file still not done after this is taken for one on a mount that stopped answering.
inline constexpr auto kFileTimeout = std::chrono::seconds(15);

template <typename Result>
class FileJob {
public:
    explicit FileJob(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }
    bool done() const {
        const std::lock_guard lock(mutex_);
        return done_;
    }
    bool timedOut() const { return std::chrono::steady_clock::now() - started_ > kFileTimeout; }
    // The caller's to take once done().
    Result& result() { return result_; }

    // Runs `work(path)`, which gives the result, and then `then()`: here and now when `here`
    // (offline, so that every render is the same), otherwise on a thread of its own. Returns
    // once the work is done or kQuickFileWait has passed.
    template <typename Work, typename Then>
    static void start(const std::shared_ptr<FileJob>& job, bool here, Work work, Then then) {
        auto run = [job, work = std::move(work), then = std::move(then)] {
            Result r = work(job->path_);
            {
                const std::lock_guard lock(job->mutex_);
                job->result_ = std::move(r);
                job->done_ = true;
            }
            job->doneChanged_.notify_all();
            then();
        };
        if (here) {
            run();
            return;
        }
        std::thread(std::move(run)).detach();
        std::unique_lock lock(job->mutex_);
        job->doneChanged_.wait_for(lock, kQuickFileWait, [&] { return job->done_; });
    }

private:
    const std::string path_;
    const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    mutable std::mutex mutex_;
    std::condition_variable doneChanged_;
    bool done_ = false;
    Result result_{};
};

}  // namespace vantrel::audio
