#pragma once

// A pool's single worker (the process-wide pool's unless told), held or waited for.

#include "ThreadPool.hpp"

#include <functional>
#include <future>
#include <memory>

namespace pooltest {

// Runs `work` on the pool worker and waits for it.
inline void runOnWorker(std::function<void()> work, ThreadPool& pool = ThreadPool::instance()) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    pool.submit([work = std::move(work), done] {
        work();
        done->set_value();
    });
    finished.wait();
}

// Returns once every task queued so far has run.
inline void drainPool(ThreadPool& pool = ThreadPool::instance()) {
    runOnWorker([] {}, pool);
}

// Holds the worker until opened (or destroyed), so that tasks queue behind it.
class PoolGate {
public:
    explicit PoolGate(ThreadPool& pool = ThreadPool::instance()) {
        auto entered = std::make_shared<std::promise<void>>();
        pool.submit([entered, gate = release.get_future().share()] {
            entered->set_value();
            gate.wait();
        });
        entered->get_future().wait();
    }
    ~PoolGate() { open(); }
    PoolGate(const PoolGate&) = delete;
    PoolGate& operator=(const PoolGate&) = delete;
    void open() {
        if (!opened) {
            opened = true;
            release.set_value();
        }
    }

private:
    std::promise<void> release;
    bool opened = false;
};

} // namespace pooltest
