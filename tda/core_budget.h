#pragma once
// The cores a batch may keep busy: files processed at once and the minutes of one file
// searched at once share them, so that together they never run more work than the
// machine has cores. Each stretch of heavy work holds one core while it runs.
#include <condition_variable>
#include <mutex>

namespace kelp {

// The machine's cores (at least 1).
int MachineCores();

class CoreBudget {
public:
    explicit CoreBudget(int cores);
    CoreBudget(const CoreBudget&) = delete;
    CoreBudget& operator=(const CoreBudget&) = delete;

    void Acquire();
    void Release();
    int Cores() const { return cores_; }

private:
    const int cores_;
    int free_;
    std::mutex mutex_;
    std::condition_variable released_;
};

// Holds one core of a budget (if any) for a scope.
class HeldCore {
public:
    explicit HeldCore(CoreBudget* budget) : budget_(budget) {
        if (budget_) budget_->Acquire();
    }
    ~HeldCore() {
        if (budget_) budget_->Release();
    }
    HeldCore(const HeldCore&) = delete;
    HeldCore& operator=(const HeldCore&) = delete;

private:
    CoreBudget* budget_;
};

} // namespace kelp
