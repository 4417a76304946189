#include "tda/core_budget.h"

#include <algorithm>
#include <thread>

namespace kelp {

int MachineCores() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

CoreBudget::CoreBudget(int cores) : cores_(std::max(1, cores)), free_(cores_) {}

void CoreBudget::Acquire() {
    std::unique_lock<std::mutex> lock(mutex_);
    released_.wait(lock, [this] { return free_ > 0; });
    --free_;
}

void CoreBudget::Release() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++free_;
    }
    released_.notify_one();
}

} // namespace kelp
