#include "ThreadPool.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <limits>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// Keeps a pool's worker busy until open(), so that the test decides what is still queued.
class Gate {
public:
    auto blocker() {
        return [this, waitFor = opened] {
            started.set_value();
            waitFor.wait();
        };
    }
    void waitUntilBlocking() { started.get_future().wait(); }
    void open() { promise.set_value(); }

private:
    std::promise<void> promise;
    std::shared_future<void> opened = promise.get_future().share();
    std::promise<void> started;
};

// Appends to a list from any thread.
class Journal {
public:
    void add(int value) {
        std::lock_guard lock(mutex);
        values.push_back(value);
    }
    std::vector<int> read() {
        std::lock_guard lock(mutex);
        return values;
    }

private:
    std::mutex mutex;
    std::vector<int> values;
};

template <typename Exception, typename Call>
std::string messageOf(Call call) {
    try {
        call();
    } catch (const Exception& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

TEST(ThreadPoolInit, RefusesBadCountsASecondInitAndInitAfterStop) {
    ThreadPool pool;
    for (std::int32_t count : {0, std::numeric_limits<std::int32_t>::min()}) {
        EXPECT_EQ(messageOf<std::invalid_argument>([&] { pool.init(count); }), "threadCount must be greater than 0");
    }
    pool.init(1); // the refused calls started nothing
    EXPECT_EQ(messageOf<std::runtime_error>([&] { pool.init(1); }), "ThreadPool already initialized");
    ThreadPool stopped;
    stopped.stop();
    // Workers started after stop() would never be joined.
    EXPECT_EQ(messageOf<std::runtime_error>([&] { stopped.init(1); }), "ThreadPool is stopped");
}

TEST(ThreadPoolOrder, OneWorkerRunsTasksInOrderAndTasksMaySubmitMore) {
    ThreadPool pool;
    Journal journal;
    Gate gate;
    pool.init(1);
    pool.submit(gate.blocker());
    for (int i = 1; i <= 3; ++i) {
        pool.submit([&journal, i] { journal.add(i); });
    }
    pool.submit([&] { pool.submit([&journal] { journal.add(4); }); });
    gate.open();
    while (journal.read().size() < 4) {
        std::this_thread::yield();
    }
    pool.stop();
    EXPECT_EQ(journal.read(), (std::vector<int>{1, 2, 3, 4}));
}

TEST(ThreadPoolGuard, ExpiredOwnerDropsTaskLiveOwnerRunsIt) {
    ThreadPool pool;
    Journal journal;
    Gate gate;
    auto gone = std::make_shared<int>(0);
    auto live = std::make_shared<int>(0);
    auto capturedByDropped = std::make_shared<int>(0);
    pool.init(1);
    pool.submit(gate.blocker());
    gate.waitUntilBlocking();
    pool.submit(std::weak_ptr<void>(gone), [&journal, keep = capturedByDropped] { journal.add(1); });
    pool.submit(std::weak_ptr<void>(live), [&journal] { journal.add(2); });
    pool.submit([&journal] { journal.add(3); });
    gone.reset();
    gate.open();
    pool.stop();
    EXPECT_EQ(journal.read(), (std::vector<int>{2, 3}));
    EXPECT_EQ(capturedByDropped.use_count(), 1) << "the dropped task released what it captured";
}

TEST(ThreadPoolStop, RunsEverythingQueuedAndRefusesNewWork) {
    ThreadPool pool;
    std::atomic<int> ran{0};
    Gate gate;
    pool.init(1);
    pool.submit(gate.blocker());
    gate.waitUntilBlocking();
    for (int i = 0; i < 4; ++i) {
        pool.submit([&ran] { ++ran; });
    }
    // stop() on another thread cannot finish while a worker is held. Submitting until the
    // pool refuses shows when stop() has taken effect with tasks still queued.
    std::thread stopper([&pool] { pool.stop(); });
    int acceptedWhileStopping = 0;
    std::string refusal;
    while (refusal.empty()) {
        try {
            pool.submit([&ran] { ++ran; });
            ++acceptedWhileStopping;
            std::this_thread::yield();
        } catch (const std::runtime_error& error) {
            refusal = error.what();
        }
    }
    gate.open();
    stopper.join();
    EXPECT_EQ(refusal, "ThreadPool is stopped");
    EXPECT_EQ(ran.load(), 4 + acceptedWhileStopping);
    EXPECT_NO_THROW(pool.stop()) << "a second stop does nothing";
}

TEST(ThreadPoolLifetime, DestructorDiscardsUntakenTasksAndDrainsARunningPool) {
    auto captured = std::make_shared<int>(0);
    std::atomic<int> ran{0};
    {
        ThreadPool idle;
        idle.submit([&ran, keep = captured] { ++ran; });
    }
    EXPECT_EQ(captured.use_count(), 1);
    {
        ThreadPool running;
        running.init(1);
        for (int i = 0; i < 3; ++i) {
            running.submit([&ran] { ++ran; });
        }
    }
    EXPECT_EQ(ran.load(), 3);
}

} // namespace
