#pragma once

// The main window driven headless by injected input against the sample controller served
// in-process. The process-wide services exist once per process (main() in ViewsSupport.cpp);
// every test gets its own simulator, Application and main window, and leaves the services
// disconnected, the pool drained and the inspector empty.

#include "AppState.hpp"
#include "PoolGate.hpp"
#include "SimFixture.hpp"
#include "TagInspector.hpp"
#include "Views/DefaultButton.hpp"
#include "Views/InspectorView.hpp"
#include "Views/MainWindow.hpp"
#include "Views/TopBarView.hpp"
#include "Views/TreeItem.hpp"
#include "Views/TreeView.hpp"

#include <imgui_internal.h>
#include <zolt/ui.hpp>

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace viewtest {

using pooltest::drainPool;
using pooltest::PoolGate;
using Names = std::vector<std::string>;

// Holds the controller's answer to the first request that matches until released, so a
// test can act while a browse or read is under way (the client is inside the call).
class ReplyHold {
public:
    using Match = std::function<bool(const quillon::sim::RequestRecord&)>;
    explicit ReplyHold(Match matcher) : match(std::move(matcher)) {}
    void observe(const quillon::sim::RequestRecord& record) { // the server's observer
        if (match(record) && !isReached.exchange(true)) {
            gate.wait();
        }
    }
    bool reached() const { return isReached; }
    void release() {
        std::call_once(once, [this] { opened.set_value(); });
    }

private:
    Match match;
    std::atomic<bool> isReached{false};
    std::promise<void> opened;
    std::shared_future<void> gate = opened.get_future().share();
    std::once_flag once;
};

// A listing of the tags of the controller (`prefix` "class 0x6B") or of a program.
inline ReplyHold::Match listingOf(const std::string& prefix) {
    return [prefix](const quillon::sim::RequestRecord& record) {
        return record.service == simtest::kListSymbols && record.path.starts_with(prefix);
    };
}

class ViewsTest : public simtest::SimTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces the simulator (the next connect goes to the new port), `hold` watching it.
    void restartSample(const quillon::sim::Options& options, std::shared_ptr<ReplyHold> hold = nullptr);
    void frame(int count = 1) { app->runFrames(count); }
    // False (and a test failure) when `done` does not hold within the patience.
    bool pumpUntil(const std::function<bool()>& done, const char* what);

    void click(zolt::ui::Vec2 at, int button = zolt::ui::kMouseLeft);
    // The middle of `rect`, given in the pixels of `widget`, in window pixels.
    static zolt::ui::Vec2 centreIn(const zolt::ui::Widget& widget, zolt::ui::Vec4 rect);
    void typeText(const std::string& text);
    void pressKey(ImGuiKey key, int mods = 0);

    TopBarView& topBar() const { return *mainWindow->getTopBar(); }
    TreeView& tree() const { return *mainWindow->getTreeView(); }
    InspectorView& inspectorView() const { return *mainWindow->getInspectorView(); }

    // A point inside the top bar's address panel, `x` pixels from its left.
    zolt::ui::Vec2 inBar(float x) const;
    zolt::ui::Vec2 ipField() const { return inBar(TopBarView::ipFieldX + 40.0f); }
    zolt::ui::Vec2 connectButton() const;
    void typeAddress(const std::string& ip, std::int64_t portValue);
    void connectSample();
    // Waits for a tree load whose first row is not `previousFirstRow`.
    void waitForTree(const TreeItem* previousFirstRow = nullptr);

    // A row by its key (a tag's path, a program's name), at any depth, with its child rows built.
    TreeItem* findRow(const std::string& key) const;
    // Found, selected (which scrolls it into view) and drawn; throws when it cannot be.
    TreeItem& shownRow(const std::string& key);
    void clickRow(const std::string& key);
    void toggleRow(const std::string& key);
    void typeFilter(const std::string& text);
    Names watchedNames() const;
    // The watched row of this name; a row that is not there fails the test.
    TagInspector::Entry watched(const std::string& name) const;

    bool withWindow = true; // false: the Application alone, no main window
    std::shared_ptr<ReplyHold> hold;
    std::unique_ptr<zolt::ui::Application> app;
    std::unique_ptr<MainWindow> mainWindow;
    zolt::ui::Window* window = nullptr;
};

} // namespace viewtest
