// A few threads that make copies while the merge loop plans the next entries. The loop hands
// each copy over as a task and waits for the answers in the order it handed them over.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace orvane {

class CopyPool {
  public:
    explicit CopyPool(unsigned threads);
    // Runs the tasks still waiting, then ends the threads.
    ~CopyPool();
    CopyPool(const CopyPool&) = delete;
    CopyPool& operator=(const CopyPool&) = delete;

    // Runs `task` on one of the threads; the future answers its result, or its exception.
    template <typename Result> std::future<Result> run(std::function<Result()> task) {
        auto packaged = std::make_shared<std::packaged_task<Result()>>(std::move(task));
        std::future<Result> answer = packaged->get_future();
        enqueue([packaged] { (*packaged)(); });
        return answer;
    }

  private:
    void enqueue(std::function<void()> task);
    void work();

    std::mutex mutex_;
    std::condition_variable waiting_;
    std::deque<std::function<void()>> tasks_;
    bool ending_ = false;
    std::vector<std::thread> threads_;
};

} // namespace orvane
