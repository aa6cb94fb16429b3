#include "merge/CopyPool.h"

namespace orvane {

CopyPool::CopyPool(unsigned threads) {
    for (unsigned i = 0; i < threads; ++i)
        threads_.emplace_back([this] { work(); });
}

CopyPool::~CopyPool() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    waiting_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void CopyPool::enqueue(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    waiting_.notify_one();
}

void CopyPool::work() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            waiting_.wait(lock, [this] { return ending_ || !tasks_.empty(); });
            if (tasks_.empty())
                return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

} // namespace orvane
