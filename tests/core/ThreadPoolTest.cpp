#include "ThreadPool.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <future>
#include <limits>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// Keeps a pool's worker busy until open() is called, so that tests decide what is
// still queued when something happens.
class Gate {
public:
    Gate() : opened(promise.get_future().share()) {}
    void open() { promise.set_value(); }
    auto blocker() {
        return [this, waitFor = opened] {
            started.set_value();
            waitFor.wait();
        };
    }
    void waitUntilBlocking() { started.get_future().wait(); }

private:
    std::promise<void> promise;
    std::shared_future<void> opened;
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

TEST(ThreadPoolInit, RejectsCountsBelowOne) {
    ThreadPool pool;
    for (std::int32_t count : {0, -3, std::numeric_limits<std::int32_t>::min()}) {
        EXPECT_EQ(messageOf<std::invalid_argument>([&] { pool.init(count); }), "threadCount must be greater than 0")
            << count;
    }
    // The rejected calls started nothing: a valid init still works.
    EXPECT_NO_THROW(pool.init(1));
}

TEST(ThreadPoolInit, SecondInitFailsAlsoAfterStop) {
    ThreadPool pool;
    pool.init(1);
    EXPECT_EQ(messageOf<std::runtime_error>([&] { pool.init(1); }), "ThreadPool already initialized");
    pool.stop();
    EXPECT_EQ(messageOf<std::runtime_error>([&] { pool.init(2); }), "ThreadPool already initialized");
}

TEST(ThreadPoolInit, InitAfterStopWithoutWorkersIsRefused) {
    // Workers started after stop() would never be joined and end the process.
    ThreadPool pool;
    pool.stop();
    EXPECT_EQ(messageOf<std::runtime_error>([&] { pool.init(1); }), "ThreadPool is stopped");
}

TEST(ThreadPoolOrder, OneWorkerRunsTasksInSubmissionOrder) {
    ThreadPool pool;
    Journal journal;
    Gate gate;
    pool.init(1);
    pool.submit(gate.blocker());
    for (int i = 1; i <= 5; ++i) {
        pool.submit([&journal, i] { journal.add(i); });
    }
    gate.open();
    pool.stop();
    EXPECT_EQ(journal.read(), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST(ThreadPoolOrder, TasksMaySubmitFurtherTasks) {
    ThreadPool pool;
    Journal journal;
    std::promise<void> done;
    pool.init(1);
    pool.submit([&] {
        journal.add(1);
        pool.submit([&] {
            journal.add(2);
            done.set_value();
        });
    });
    done.get_future().wait();
    pool.stop();
    EXPECT_EQ(journal.read(), (std::vector<int>{1, 2}));
}

TEST(ThreadPoolGuard, ExpiredOwnerDropsTaskWhileUnguardedOneBehindRuns) {
    ThreadPool pool;
    Journal journal;
    Gate gate;
    auto owner = std::make_shared<int>(0);
    auto capturedByDropped = std::make_shared<int>(0);
    pool.init(1);
    pool.submit(gate.blocker());
    gate.waitUntilBlocking();

    pool.submit(std::weak_ptr<void>(owner), [&journal, keep = capturedByDropped] { journal.add(1); });
    pool.submit([&journal] { journal.add(2); });
    owner.reset();
    gate.open();
    pool.stop();

    EXPECT_EQ(journal.read(), (std::vector<int>{2}));
    // The dropped task was destroyed, releasing what it captured.
    EXPECT_EQ(capturedByDropped.use_count(), 1);
}

TEST(ThreadPoolGuard, LiveOwnerLetsTaskRun) {
    ThreadPool pool;
    Journal journal;
    auto owner = std::make_shared<int>(0);
    pool.init(1);
    pool.submit(std::weak_ptr<void>(owner), [&journal] { journal.add(1); });
    pool.stop();
    EXPECT_EQ(journal.read(), (std::vector<int>{1}));
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

    // stop() on another thread; it cannot finish while the worker is held. Submitting
    // until the pool refuses shows when stop() has taken effect with the tasks still queued.
    std::thread stopper([&pool] { pool.stop(); });
    int acceptedWhileStopping = 0;
    std::string refusal;
    for (;;) {
        try {
            pool.submit([&ran] { ++ran; });
            ++acceptedWhileStopping;
            std::this_thread::yield();
        } catch (const std::runtime_error& error) {
            refusal = error.what();
            break;
        }
    }
    EXPECT_EQ(ran.load(), 0);
    gate.open();
    stopper.join();

    EXPECT_EQ(refusal, "ThreadPool is stopped");
    EXPECT_EQ(ran.load(), 4 + acceptedWhileStopping);
}

TEST(ThreadPoolStop, SecondStopDoesNothing) {
    ThreadPool pool;
    pool.init(2);
    pool.stop();
    EXPECT_NO_THROW(pool.stop());
    EXPECT_EQ(messageOf<std::runtime_error>([&] { pool.submit([] {}); }), "ThreadPool is stopped");
}

TEST(ThreadPoolStop, SeveralWorkersAllFinish) {
    ThreadPool pool;
    std::atomic<int> ran{0};
    pool.init(2);
    for (int i = 0; i < 100; ++i) {
        pool.submit([&ran] { ++ran; });
    }
    pool.stop();
    EXPECT_EQ(ran.load(), 100);
}

TEST(ThreadPoolLifetime, DestructorDiscardsTasksNoWorkerTook) {
    auto captured = std::make_shared<int>(0);
    bool ran = false;
    {
        ThreadPool pool;
        pool.submit([&ran, keep = captured] { ran = true; });
        EXPECT_EQ(captured.use_count(), 2);
    }
    EXPECT_FALSE(ran);
    EXPECT_EQ(captured.use_count(), 1);
}

TEST(ThreadPoolLifetime, DestructorDrainsAndJoinsRunningPool) {
    std::atomic<int> ran{0};
    {
        ThreadPool pool;
        pool.init(1);
        for (int i = 0; i < 3; ++i) {
            pool.submit([&ran] { ++ran; });
        }
    }
    EXPECT_EQ(ran.load(), 3);
}

} // namespace
