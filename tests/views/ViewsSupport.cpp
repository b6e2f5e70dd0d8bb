#include "ViewsSupport.hpp"

#include "AssetPack.hpp"
#include "ThreadPool.hpp"

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace viewtest {

namespace {

zolt::ui::Vec2 plus(zolt::ui::Vec2 a, float x, float y) {
    return zolt::ui::Vec2{a.x + x, a.y + y};
}

TreeItem* findIn(TreeItem& row, const std::string& key) {
    if (auto* tag = dynamic_cast<TagItem*>(&row)) {
        tag->loadChildren(); // rows below are built when first needed
    }
    if (row.getKey() == key) {
        return &row;
    }
    for (std::size_t i = 0; i < row.getChildCount(); ++i) {
        if (TreeItem* found = findIn(*row.getChild(i), key)) {
            return found;
        }
    }
    return nullptr;
}

} // namespace

void ViewsTest::SetUp() {
    restartSample({});
    app = std::make_unique<zolt::ui::Application>(
        zolt::ui::RenderContext::create(zolt::ui::kBackendHeadless, "views"), "views");
    if (withWindow) {
        mainWindow = std::make_unique<MainWindow>();
        window = mainWindow->getWindow();
        frame();
    }
}

void ViewsTest::TearDown() {
    if (hold) {
        hold->release();
    }
    // Also ends a lost connection's reconnecting, which the next test's bar would show.
    if (AppState::instance().link() != AppState::Link::Disconnected) {
        AppState::instance().disconnect();
    }
    drainPool(); // before the views go, so no task of theirs is left
    mainWindow.reset();
    app.reset();
    TagInspector::instance().clear();
    TagInspector::instance().update(); // collects a finished batch; nothing new starts while disconnected
    SimTest::TearDown();
}

void ViewsTest::restartSample(const quillon::sim::Options& options, std::shared_ptr<ReplyHold> replyHold) {
    if (hold) {
        hold->release();
    }
    hold = std::move(replyHold);
    std::function<void(const quillon::sim::RequestRecord&)> observer;
    if (hold) {
        observer = [watcher = hold](const quillon::sim::RequestRecord& record) { watcher->observe(record); };
    }
    startSim(options, simtest::sampleController(), observer);
}

bool ViewsTest::pumpUntil(const std::function<bool()>& done, const char* what) {
    const auto deadline = std::chrono::steady_clock::now() + simtest::patience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "timed out waiting for " << what;
            return false;
        }
        frame();
        std::this_thread::yield();
    }
    return true;
}

void ViewsTest::click(zolt::ui::Vec2 at, int button) {
    window->injectMouseMove(at.x, at.y);
    frame();
    window->injectMouseButton(button, true);
    frame();
    window->injectMouseButton(button, false);
    frame();
}

zolt::ui::Vec2 ViewsTest::centreIn(const zolt::ui::Widget& widget, zolt::ui::Vec4 rect) {
    return plus(widget.getWorldPosition(), (rect.x + rect.z) / 2.0f, (rect.y + rect.w) / 2.0f);
}

void ViewsTest::typeText(const std::string& text) {
    window->injectText(text);
    frame();
}

void ViewsTest::pressKey(ImGuiKey key, int mods) {
    window->injectKey(key, true, mods);
    frame();
    window->injectKey(key, false, 0); // the modifiers go up with the key
    frame();
}

zolt::ui::Vec2 ViewsTest::inBar(float x) const {
    return plus(topBar().getAddressPanel()->getWorldPosition(), x, 12.0f);
}

zolt::ui::Vec2 ViewsTest::connectButton() const {
    const zolt::ui::Vec2 size = topBar().getConnectButton()->getActualSize();
    return centreIn(*topBar().getConnectButton(), zolt::ui::Vec4{0.0f, 0.0f, size.x, size.y});
}

void ViewsTest::typeAddress(const std::string& ip, std::int64_t portValue) {
    click(ipField());
    pressKey(ImGuiKey_A, zolt::ui::kModCtrl);
    typeText(ip);
    click(inBar(TopBarView::portFieldX + 20.0f));
    pressKey(ImGuiKey_A, zolt::ui::kModCtrl);
    typeText(std::to_string(portValue));
    pressKey(ImGuiKey_Tab); // leave the field so the value is taken
}

void ViewsTest::connectSample() {
    typeAddress("127.0.0.1", port);
    click(connectButton());
    waitForTree();
}

void ViewsTest::waitForTree(const TreeItem* previousFirstRow) {
    pumpUntil(
        [&] {
            const auto& items = tree().getItems();
            return !tree().isLoading() && !items.empty() && items.front().get() != previousFirstRow &&
                   std::none_of(items.begin(), items.end(), [](const auto& item) { return item->isLoading(); });
        },
        "the tag tree");
}

TreeItem* ViewsTest::findRow(const std::string& key) const {
    for (const auto& item : tree().getItems()) {
        if (TreeItem* found = findIn(*item, key)) {
            return found;
        }
    }
    return nullptr;
}

TreeItem& ViewsTest::shownRow(const std::string& key) {
    TreeItem* row = findRow(key);
    if (row == nullptr) {
        throw std::runtime_error("no row " + key);
    }
    tree().select(row); // scrolls it into view
    frame(3);
    if (row->getGeometry().frame != tree().getTreePanel()->getImGuiContext()->FrameCount) {
        throw std::runtime_error("row never drawn: " + key);
    }
    return *row;
}

void ViewsTest::clickRow(const std::string& key) {
    click(centreIn(*tree().getTreePanel(), shownRow(key).getGeometry().hitRect));
}

void ViewsTest::toggleRow(const std::string& key) {
    const zolt::ui::Vec2 origin = shownRow(key).getGeometry().origin;
    click(plus(tree().getTreePanel()->getWorldPosition(), origin.x + 12.0f, origin.y + 10.0f));
}

void ViewsTest::typeFilter(const std::string& text) {
    click(plus(tree().getFilterPanel()->getWorldPosition(), 100.0f, 14.0f));
    pressKey(ImGuiKey_A, zolt::ui::kModCtrl);
    pressKey(ImGuiKey_Delete);
    typeText(text);
    frame(); // the filter starts on the frame after the text changed
    pumpUntil([&] { return !tree().getFilter().isRunning(); }, "the filter to finish");
}

Names ViewsTest::watchedNames() const {
    Names names;
    for (const TagInspector::Entry& entry : TagInspector::instance().entries()) {
        names.push_back(entry.name);
    }
    return names;
}

TagInspector::Entry ViewsTest::watched(const std::string& name) const {
    for (const TagInspector::Entry& entry : TagInspector::instance().entries()) {
        if (entry.name == name) {
            return entry;
        }
    }
    ADD_FAILURE() << "not watched: " << name;
    return {};
}

} // namespace viewtest

// The process-wide services as the program runs them: one pool worker, work in submission order.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    struct Services : testing::Environment {
        void SetUp() override {
            AssetPack::instance().load(QUILLON_ASSET_PACK);
            ThreadPool::instance().init(1);
        }
        void TearDown() override { ThreadPool::instance().stop(); }
    };
    testing::AddGlobalTestEnvironment(new Services);
    return RUN_ALL_TESTS();
}
