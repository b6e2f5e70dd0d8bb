#pragma once

// The views driven headless against the sample controller served in-process.
//
// The process-wide services (asset pack, thread pool, AppState, TagInspector) exist once
// per test process: ViewsMain loads the pack and starts the pool's one worker; every test
// gets its own simulator and Application (and main window), and leaves the services as it
// found them: disconnected, pool drained, inspector empty.

#include "PoolGate.hpp"
#include "SimFixture.hpp"
#include "Views/MainWindow.hpp"
#include "Views/TreeItem.hpp"

#include <zolt/ui.hpp>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TopBarView;
class TreeView;
class InspectorView;

namespace viewtest {

using pooltest::drainPool;
using pooltest::PoolGate;

// Holds the controller's answer to the first request that matches until released, so a
// test can act while a browse or read is under way (the client is inside the call).
class ReplyHold {
public:
    using Match = std::function<bool(const quillon::sim::RequestRecord&)>;
    explicit ReplyHold(Match matcher) : match(std::move(matcher)) {}
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

// The sample controller on a free port and a headless Application without windows.
class SampleTest : public simtest::SimTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces the simulator (the next connect goes to the new port); `hold`, when given,
    // watches its requests.
    void restartSample(const quillon::sim::Options& options, std::shared_ptr<ReplyHold> hold = nullptr);
    // Lets go of a held reply, disconnects and waits for the pool to run dry.
    void settle();

    void frame(int count = 1);
    // Runs frames until `done` holds; false (and a test failure) after the patience.
    bool pumpUntil(const std::function<bool()>& done, const char* what);

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
    // Selects the row, which scrolls it into the visible part of the tree, and draws it.
    void reveal(TreeItem& row);
    // The row found by findRow, revealed; throws when there is none.
    TreeItem& shownRow(const std::string& key);
    void clickRow(const std::string& key);
    // Opens or closes a row with a click on its arrow.
    void toggleRow(const std::string& key);
    // Replaces the filter box's text by typing.
    void typeFilter(const std::string& text);
    // The watched names, in order.
    std::vector<std::string> watchedNames() const;

    std::unique_ptr<MainWindow> mainWindow;
    zolt::ui::Window* window = nullptr;
};

} // namespace viewtest
