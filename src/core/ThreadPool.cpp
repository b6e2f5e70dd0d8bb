#include "ThreadPool.hpp"

#include "Logger.hpp"

#include <exception>
#include <stdexcept>

namespace {

// Nothing leaves a task: an exception would end the worker and the process with it.
void runTask(ThreadPool::ITask& task) {
    try {
        task.run();
    } catch (const std::exception& error) {
        logError("a background task failed: {}", error.what());
    } catch (...) {
        logError("a background task failed");
    }
}

} // namespace

ThreadPool& ThreadPool::instance() {
    static ThreadPool pool;
    return pool;
}

ThreadPool::~ThreadPool() {
    // An exception here leaves a noexcept destructor and ends the process: a pool
    // that cannot join its workers cannot be torn down safely either.
    stop();
}

void ThreadPool::init(std::int32_t threadCount) {
    if (threadCount < 1) {
        throw std::invalid_argument("threadCount must be greater than 0");
    }
    std::lock_guard lock(mutex);
    if (!threads.empty()) {
        throw std::runtime_error("ThreadPool already initialized");
    }
    if (stopped) {
        // Workers started now would never be joined: stop() has already run.
        throw std::runtime_error("ThreadPool is stopped");
    }
    threads.reserve(static_cast<std::size_t>(threadCount));
    for (std::int32_t i = 0; i < threadCount; ++i) {
        threads.emplace_back(&ThreadPool::run, this);
    }
}

void ThreadPool::enqueue(Entry entry) {
    {
        std::lock_guard lock(mutex);
        if (stopped) {
            throw std::runtime_error("ThreadPool is stopped");
        }
        queue.push_back(std::move(entry));
    }
    wakeUp.notify_one();
}

void ThreadPool::stop() {
    {
        std::lock_guard lock(mutex);
        if (stopped) {
            return;
        }
        stopped = true;
    }
    wakeUp.notify_all();
    // Only the first caller gets here, and init() cannot add threads once stopped is
    // set and seen, so the list is stable while the lock is not held.
    for (std::thread& worker : threads) {
        worker.join();
    }
}

void ThreadPool::run() {
    std::unique_lock lock(mutex);
    for (;;) {
        wakeUp.wait(lock, [this] { return stopped || !queue.empty(); });
        if (queue.empty()) {
            return;
        }
        Entry entry = std::move(queue.front());
        queue.pop_front();
        if (entry.guarded && entry.lifetime.expired()) {
            // Destroy the task's captures outside the lock: they may be anything.
            lock.unlock();
            entry.task.reset();
            lock.lock();
            continue;
        }
        lock.unlock();
        runTask(*entry.task);
        entry.task.reset();
        lock.lock();
    }
}
