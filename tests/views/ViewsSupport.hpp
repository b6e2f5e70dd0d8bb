#pragma once

// The views driven headless against the sample controller served in-process.
//
// The process-wide services (asset pack, thread pool, AppState, TagInspector) exist once
// per test process: the environment loads the pack and starts the pool's one worker
// once; every test gets its own simulator and Application (and main window), and leaves
// the services as it found them: disconnected, pool drained, inspector empty, wall clock.

#include "Views/MainWindow.hpp"
#include "Views/TreeItem.hpp"

#include "quillon_sim/server.hpp"

#include <zolt/ui.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TopBarView;
class TreeView;
class InspectorView;

namespace viewtest {

using namespace std::chrono_literals;

// Background work gets this long to finish; a test waiting longer has failed.
inline constexpr std::chrono::milliseconds patience = 20s;

inline constexpr std::uint8_t listSymbolsService = 0x55;
inline constexpr std::uint8_t readTagService = 0x4C;

// Holds the pool's single worker until opened, so that tasks queue behind it.
class PoolGate {
public:
    PoolGate();
    ~PoolGate();
    PoolGate(const PoolGate&) = delete;
    PoolGate& operator=(const PoolGate&) = delete;
    void open();

private:
    std::shared_ptr<std::promise<void>> release;
    bool opened = false;
};

// Returns once every task queued so far has run.
void drainPool();
// Runs `work` on the pool worker and waits for it.
void runOnWorker(std::function<void()> work);

// Holds the controller's answer to the first request that matches until released, so a
// test can act while a browse or read is under way (the client is inside the call).
class ReplyHold {
public:
    using Match = std::function<bool(const quillon::sim::RequestRecord&)>;
    explicit ReplyHold(Match match);
    // Called by the server for every request (its observer).
    void observe(const quillon::sim::RequestRecord& record);
    bool reached() const;
    void release();

private:
    Match match;
    mutable std::mutex mutex;
    std::condition_variable changed;
    bool armed = true;
    bool isReached = false;
    bool released = false;
};

// A tag record made by hand: one level of members, texts owned by the record.
class Record {
public:
    Record(const char* name, std::uint16_t type, std::vector<std::uint32_t> dims = {}, const char* typeName = nullptr);
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;
    Record& addMember(const char* name, std::uint16_t type, std::vector<std::uint32_t> dims = {},
                      const char* typeName = nullptr);
    const zoltc_logix_tag_info& get() const { return info; }

private:
    zoltc_logix_tag_info make(const char* name, std::uint16_t type, const std::vector<std::uint32_t>& dims,
                              const char* typeName);
    std::deque<std::string> texts;
    std::vector<zoltc_logix_tag_info> members;
    zoltc_logix_tag_info info{};
};

// Read Tag requests the controller answered for this tag path so far.
int readsOf(const quillon::sim::Server& server, const std::string& path);
// A loopback port nothing listens on (a simulator's port after it stopped).
std::uint16_t closedPort();
// The inspector's last read start lives as long as the process, so every test runs its
// clock from a time later than any an earlier test showed the inspector.
std::int64_t freshInspectorTime();
// Records a time shown to the inspector.
void noteInspectorTime(std::int64_t nanoseconds);

// Connects AppState to 127.0.0.1:port on the pool worker and returns the result.
zoltc_logix_result connectState(std::uint16_t port);

// The sample controller on a free port and a headless Application without windows.
class SampleTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces the simulator (the next connect goes to the new port); `hold`, when given,
    // watches its requests.
    void restartSample(const quillon::sim::Options& options, std::shared_ptr<ReplyHold> hold = nullptr);

    // Lets go of a held reply, disconnects and waits for the pool to run dry.
    void settle();

    void frame(int count = 1);
    // Runs frames until `done` holds; false (and a test failure) after `patience`.
    bool pumpUntil(const std::function<bool()>& done, const char* what);
    // Runs frames for at least this long of wall-clock time.
    void pumpFor(std::chrono::milliseconds span);

    std::unique_ptr<quillon::sim::Server> server;
    std::uint16_t port = 0;
    std::shared_ptr<ReplyHold> hold;
    std::unique_ptr<zolt::ui::Application> app;
};

// The whole main window against the sample, driven by injected input.
class ViewsTest : public SampleTest {
protected:
    void SetUp() override;
    void TearDown() override;

    void click(zolt::ui::Vec2 at);
    void typeText(const std::string& text);
    void pressKey(ImGuiKey key, int mods = 0);

    TopBarView& topBar() const;
    TreeView& tree() const;
    InspectorView& inspectorView() const;

    // The top bar's inputs, in window pixels.
    zolt::ui::Vec2 ipField() const;
    zolt::ui::Vec2 portField() const;
    zolt::ui::Vec2 pathField() const;
    zolt::ui::Vec2 connectButton() const;
    void typeAddress(const std::string& ip, std::int64_t portValue);
    // Types the sample's address, connects and waits for the tree and its programs.
    void connectSample();
    // Waits for a tree load whose first row is not `previousFirstRow`.
    void waitForTree(const TreeItem* previousFirstRow = nullptr);

    // A row by its path (tag rows) or program name (program rows), at any depth, with its
    // child rows built (as opening it would); null when there is none.
    TreeItem* findRow(const std::string& key) const;
    TagItem& tagRow(const std::string& path) const;
    // Scrolls the row into the visible part of the tree and draws it.
    void reveal(TreeItem& row);
    void clickRow(TreeItem& row);
    // Opens or closes a row with a click on its arrow.
    void toggleRow(TreeItem& row);
    // Replaces the filter box's text by typing.
    void typeFilter(const std::string& text);
    // The watched names, in order.
    std::vector<std::string> watchedNames() const;

    std::unique_ptr<MainWindow> mainWindow;
    zolt::ui::Window* window = nullptr;
};

} // namespace viewtest
