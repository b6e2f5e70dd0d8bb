#pragma once

// The application's background workers: a FIFO queue of tasks run by a fixed set of
// threads. Started with one worker, it runs every blocking controller call one at a
// time in submission order. Tasks return nothing; results go back to the UI thread
// through the toolkit's dispatch. An exception a task throws is logged and goes no
// further. Work for an owner that no longer exists (a widget
// whose lifetime token expired) is dropped unrun.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

class ThreadPool {
public:
    class ITask {
    public:
        virtual ~ITask() = default;
        virtual void run() = 0;
    };

    template <typename Callable>
    class PackagedTask final : public ITask {
    public:
        explicit PackagedTask(Callable work) : callable(std::move(work)) {}
        void run() override { callable(); }

    private:
        Callable callable;
    };

    // The process-wide pool of the application, created on first use.
    static ThreadPool& instance();

    // A private pool; the application uses instance(), tests build their own.
    ThreadPool() = default;
    // Stops as stop() does (ending the process if that fails), then discards tasks
    // that never got a worker without running them.
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    // Starts threadCount workers. Throws std::invalid_argument for a count below 1 and
    // std::runtime_error if workers were started before (also after stop()) or if the
    // pool was stopped before it ever started.
    void init(std::int32_t threadCount);

    // Queues a task. Throws std::runtime_error once the pool is stopped; the callable
    // is then destroyed unrun.
    template <typename Callable>
    void submit(Callable&& callable) {
        enqueue(Entry{{}, makeTask(std::forward<Callable>(callable)), false});
    }

    // Queues a task that is dropped unrun if lifetime has expired when a worker takes
    // it from the queue. The token is checked only then, not while the task runs.
    template <typename Callable>
    void submit(std::weak_ptr<void> lifetime, Callable&& callable) {
        enqueue(Entry{std::move(lifetime), makeTask(std::forward<Callable>(callable)), true});
    }

    // Refuses further tasks, lets the workers finish everything already queued and
    // joins them. A second call returns at once. Must not be called from a task.
    void stop();

private:
    struct Entry {
        std::weak_ptr<void> lifetime;
        std::unique_ptr<ITask> task;
        bool guarded;
    };

    template <typename Callable>
    static std::unique_ptr<ITask> makeTask(Callable&& callable) {
        return std::make_unique<PackagedTask<std::decay_t<Callable>>>(std::forward<Callable>(callable));
    }

    void enqueue(Entry entry);
    void run();

    std::deque<Entry> queue;
    std::vector<std::thread> threads;
    std::mutex mutex;
    bool stopped = false;
    std::condition_variable wakeUp;
};
