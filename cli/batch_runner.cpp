#include "cli/batch_runner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

#include "cli/interrupt.h"
#include "cli/progress_line.h"

namespace lumivex::cli {

namespace {

// How soon a finished photo's result is printed at the latest.
constexpr auto kPrintEvery = std::chrono::milliseconds(20);

// One bad photo never ends the run, whatever it throws.
PhotoResult runOne(const PhotoTask& task, const PhotoJob& job, const std::string& operation) {
    if (task.ready) return *task.ready;
    try {
        return job(task.path, task.output);
    } catch (const std::exception& error) {
        return toolResult(task.path, operation, "failed", std::string("unexpected error: ") + error.what());
    } catch (...) {
        return toolResult(task.path, operation, "failed", "unexpected error");
    }
}

class Pool {
  public:
    Pool(const std::vector<PhotoTask>& tasks, const PhotoJob& job, const std::string& operation)
        : tasks_(tasks), job_(job), operation_(operation), results_(tasks.size()) {}

    void start(unsigned workers) {
        running_ = workers;
        for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this] { work(); });
    }

    // Waits a little, then hands over every result ready in order from `from`. The workers wake this thread
    // only when the last of them ends: a wake for every photo would cost more than a short photo's edit.
    // `finished` is set once no more results will come.
    std::vector<PhotoResult> takeReady(size_t from, bool& finished) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, kPrintEvery, [&] { return running_ == 0; });
        std::vector<PhotoResult> ready;
        for (size_t i = from; i < results_.size() && results_[i]; ++i) {
            ready.push_back(std::move(*results_[i]));
            results_[i].reset();
        }
        finished = running_ == 0 && from + ready.size() >= std::min(next_.load(), tasks_.size());
        return ready;
    }

    void join() {
        for (std::thread& thread : threads_) thread.join();
    }

    size_t done() const { return done_.load(); }

  private:
    void work() {
        while (!interrupted()) {
            const size_t i = next_.fetch_add(1);
            if (i >= tasks_.size()) break;
            PhotoResult result = runOne(tasks_[i], job_, operation_);
            std::lock_guard lock(mutex_);
            results_[i] = std::move(result);
            ++done_;
        }
        std::lock_guard lock(mutex_);
        --running_;
        changed_.notify_one();
    }

    const std::vector<PhotoTask>& tasks_;
    const PhotoJob& job_;
    const std::string& operation_;
    std::vector<std::optional<PhotoResult>> results_;
    std::atomic<size_t> next_{0};
    std::atomic<size_t> done_{0};
    unsigned running_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> threads_;
};

// The edits' outcomes first, in this order; a command's own verdicts after them, as first met.
int outcomeRank(const std::string& outcome) {
    const char* const order[] = {"done", "nothing to do", "refused", "failed"};
    for (int i = 0; i < 4; ++i) {
        if (outcome == order[i]) return i;
    }
    return 4;
}

void count(BatchTally& tally, const PhotoResult& result) {
    ++tally.handled;
    tally.anyFailed = tally.anyFailed || result.failed;
    for (auto& [outcome, n] : tally.outcomes) {
        if (outcome == result.outcome) {
            ++n;
            return;
        }
    }
    auto at = tally.outcomes.begin();
    while (at != tally.outcomes.end() && outcomeRank(at->first) <= outcomeRank(result.outcome)) ++at;
    tally.outcomes.insert(at, {result.outcome, 1});
}

}  // namespace

BatchTally runBatch(const std::vector<PhotoTask>& tasks, const PhotoJob& job, unsigned workers, ResultPrinter& printer,
                    bool progress) {
    const auto start = std::chrono::steady_clock::now();
    BatchTally tally;
    tally.total = tasks.size();
    Pool pool(tasks, job, printer.operation());
    // Even one worker runs on a thread of its own: this one stays free to take a second Ctrl-C while a photo
    // waits on a stuck disk.
    pool.start(std::max(1u, std::min<unsigned>(workers, static_cast<unsigned>(std::max<size_t>(tasks.size(), 1)))));
    ProgressLine line(progress, tasks.size());
    printer.setBeforeOutput([&line] { line.clear(); });  // the results may go to the terminal too
    size_t printed = 0;
    for (bool finished = false; !finished;) {
        std::vector<PhotoResult> ready = pool.takeReady(printed, finished);
        for (const PhotoResult& result : ready) {
            printer.print(result);
            count(tally, result);
        }
        printed += ready.size();
        line.update(pool.done());
    }
    pool.join();
    line.clear();
    tally.interrupted = interrupted();  // even after the last photo was started: the user asked to stop
    tally.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return tally;
}

}  // namespace lumivex::cli
