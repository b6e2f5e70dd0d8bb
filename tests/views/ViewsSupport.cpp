#include "ViewsSupport.hpp"

#include "AppState.hpp"
#include "ThreadPool.hpp"
#include "Views/DefaultButton.hpp"
#include "Views/InspectorView.hpp"
#include "Views/MainWindow.hpp"
#include "TagInspector.hpp"
#include "Views/TopBarView.hpp"
#include "Views/TreeView.hpp"

#include <imgui_internal.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace viewtest {

namespace {

std::atomic<std::int64_t> latestInspectorTime{0};

std::int64_t wallNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

const quillon::sim::Controller& sampleController() {
    static const quillon::sim::Controller controller = quillon::sim::loadController(QUILLON_SAMPLE_DB);
    return controller;
}

zolt::ui::Vec2 plus(zolt::ui::Vec2 a, float x, float y) {
    return zolt::ui::Vec2{a.x + x, a.y + y};
}

int panelFrame(const zolt::ui::ImGuiPanel& panel) {
    return panel.getImGuiContext()->FrameCount;
}

TreeItem* findIn(TreeItem& row, const std::string& key) {
    auto* tag = dynamic_cast<TagItem*>(&row);
    if (tag != nullptr) {
        tag->loadChildren(); // rows below are built when first needed
        if (tag->getPath() == key) {
            return &row;
        }
    }
    if (dynamic_cast<DatablockItem*>(&row) != nullptr && row.getLabel() == key) {
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

PoolGate::PoolGate() : release(std::make_shared<std::promise<void>>()) {
    auto entered = std::make_shared<std::promise<void>>();
    std::shared_future<void> gate = release->get_future().share();
    ThreadPool::instance().submit([entered, gate] {
        entered->set_value();
        gate.wait();
    });
    entered->get_future().wait();
}

PoolGate::~PoolGate() {
    open();
}

void PoolGate::open() {
    if (!opened) {
        opened = true;
        release->set_value();
    }
}

void drainPool() {
    runOnWorker([] {});
}

void runOnWorker(std::function<void()> work) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    ThreadPool::instance().submit([work = std::move(work), done] {
        work();
        done->set_value();
    });
    finished.wait();
}

Record::Record(const char* name, std::uint16_t type, std::vector<std::uint32_t> dims, const char* typeName)
    : info(make(name, type, dims, typeName)) {}

Record& Record::addMember(const char* name, std::uint16_t type, std::vector<std::uint32_t> dims,
                          const char* typeName) {
    members.push_back(make(name, type, dims, typeName));
    info.members.items = members.data();
    info.members.count = static_cast<std::uint32_t>(members.size());
    return *this;
}

zoltc_logix_tag_info Record::make(const char* name, std::uint16_t type, const std::vector<std::uint32_t>& dims,
                                  const char* typeName) {
    zoltc_logix_tag_info record{};
    record.type = type;
    record.name = texts.emplace_back(name).data();
    for (std::size_t d = 0; d < dims.size() && d < 3; ++d) {
        record.dims[d] = dims[d];
    }
    if (typeName != nullptr) {
        record.type_name = texts.emplace_back(typeName).data();
    }
    return record;
}

ReplyHold::ReplyHold(Match matcher) : match(std::move(matcher)) {}

void ReplyHold::observe(const quillon::sim::RequestRecord& record) {
    std::unique_lock lock(mutex);
    if (!armed || !match(record)) {
        return;
    }
    armed = false;
    isReached = true;
    changed.notify_all();
    changed.wait(lock, [this] { return released; });
}

bool ReplyHold::reached() const {
    std::lock_guard lock(mutex);
    return isReached;
}

void ReplyHold::release() {
    std::lock_guard lock(mutex);
    released = true;
    changed.notify_all();
}

int readsOf(const quillon::sim::Server& server, const std::string& path) {
    int count = 0;
    for (const quillon::sim::RequestRecord& record : server.requests()) {
        if (record.service == readTagService && record.path == path) {
            ++count;
        }
    }
    return count;
}

std::uint16_t closedPort() {
    quillon::sim::Server gone(quillon::sim::Controller{});
    const std::uint16_t port = gone.start(0);
    gone.stop();
    return port;
}

std::int64_t freshInspectorTime() {
    return std::max(wallNow(), latestInspectorTime.load() + 2 * TagInspector::readInterval);
}

void noteInspectorTime(std::int64_t nanoseconds) {
    std::int64_t seen = latestInspectorTime.load();
    while (nanoseconds > seen && !latestInspectorTime.compare_exchange_weak(seen, nanoseconds)) {
    }
}

zoltc_logix_result connectState(std::uint16_t port) {
    zoltc_logix_result result = ZOLTC_LOGIX_ERR_UNKNOWN;
    runOnWorker([&] { result = AppState::instance().connect("127.0.0.1", port); });
    return result;
}

void SampleTest::SetUp() {
    // The wall clock, moved on past whatever earlier tests showed the inspector.
    const std::int64_t shift = freshInspectorTime() - wallNow();
    TagInspector::instance().setClock([shift] {
        const std::int64_t now = wallNow() + shift;
        noteInspectorTime(now);
        return now;
    });
    restartSample({});
    app = std::make_unique<zolt::ui::Application>(
        zolt::ui::RenderContext::create(zolt::ui::kBackendHeadless, "views"), "views");
}

void SampleTest::settle() {
    if (hold) {
        hold->release();
    }
    // Also ends a lost connection's reconnecting, which the next test's bar would show.
    if (AppState::instance().link() != AppState::Link::Disconnected) {
        AppState::instance().disconnect();
    }
    drainPool();
}

void SampleTest::TearDown() {
    settle();
    app.reset();
    TagInspector& inspector = TagInspector::instance();
    inspector.setClock(nullptr);
    inspector.clear();
    inspector.update(); // collects a finished batch; nothing new starts while disconnected
    server->stop();
}

void SampleTest::restartSample(const quillon::sim::Options& options, std::shared_ptr<ReplyHold> replyHold) {
    if (server) {
        if (hold) {
            hold->release();
        }
        server->stop();
    }
    hold = std::move(replyHold);
    server = std::make_unique<quillon::sim::Server>(sampleController(), options);
    if (hold) {
        server->setRequestObserver([watcher = hold](const quillon::sim::RequestRecord& record) {
            watcher->observe(record);
        });
    }
    port = server->start(0);
}

void SampleTest::frame(int count) {
    app->runFrames(count);
}

bool SampleTest::pumpUntil(const std::function<bool()>& done, const char* what) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
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

void SampleTest::pumpFor(std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        frame();
        std::this_thread::yield();
    }
}

void ViewsTest::SetUp() {
    SampleTest::SetUp();
    mainWindow = std::make_unique<MainWindow>();
    window = mainWindow->getWindow();
    frame();
}

void ViewsTest::TearDown() {
    settle(); // before the views go, so no task of theirs is left
    mainWindow.reset();
    SampleTest::TearDown();
}

void ViewsTest::click(zolt::ui::Vec2 at) {
    window->injectMouseMove(at.x, at.y);
    frame();
    window->injectMouseButton(zolt::ui::kMouseLeft, true);
    frame();
    window->injectMouseButton(zolt::ui::kMouseLeft, false);
    frame();
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

TopBarView& ViewsTest::topBar() const {
    return *mainWindow->getTopBar();
}

TreeView& ViewsTest::tree() const {
    return *mainWindow->getTreeView();
}

InspectorView& ViewsTest::inspectorView() const {
    // The content stack holds the tree, the separator and the inspector.
    zolt::ui::Widget* content = tree().getParent();
    return dynamic_cast<InspectorView&>(*content->getChild(2));
}

zolt::ui::Vec2 ViewsTest::ipField() const {
    return plus(topBar().getAddressPanel()->getWorldPosition(), TopBarView::ipFieldX + 40.0f, 12.0f);
}

zolt::ui::Vec2 ViewsTest::portField() const {
    return plus(topBar().getAddressPanel()->getWorldPosition(), TopBarView::portFieldX + 20.0f, 12.0f);
}

zolt::ui::Vec2 ViewsTest::pathField() const {
    return plus(topBar().getAddressPanel()->getWorldPosition(), TopBarView::pathFieldX + 20.0f, 12.0f);
}

zolt::ui::Vec2 ViewsTest::connectButton() const {
    const DefaultButton& button = *topBar().getConnectButton();
    const zolt::ui::Vec2 size = button.getActualSize();
    return plus(button.getWorldPosition(), size.x / 2.0f, size.y / 2.0f);
}

void ViewsTest::typeAddress(const std::string& ip, std::int64_t portValue) {
    click(ipField());
    pressKey(ImGuiKey_A, zolt::ui::kModCtrl);
    typeText(ip);
    click(portField());
    pressKey(ImGuiKey_A, zolt::ui::kModCtrl);
    typeText(std::to_string(portValue));
    // Leave the field so the value is taken.
    pressKey(ImGuiKey_Tab);
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
            if (tree().isLoading() || items.empty() || items.front().get() == previousFirstRow) {
                return false;
            }
            for (const auto& item : items) {
                if (item->isLoading()) {
                    return false;
                }
            }
            return true;
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

TagItem& ViewsTest::tagRow(const std::string& path) const {
    auto* row = dynamic_cast<TagItem*>(findRow(path));
    if (row == nullptr) {
        throw std::runtime_error("no tag row " + path);
    }
    return *row;
}

void ViewsTest::reveal(TreeItem& row) {
    zolt::ui::ScrollView& scroll = *tree().getScrollView();
    const zolt::ui::ImGuiPanel& panel = *tree().getTreePanel();
    const float step = scroll.getActualSize().y * 0.5f;
    scroll.setScrollOffset(zolt::ui::Vec2{0.0f, 0.0f});
    frame();
    for (float offset = 0.0f;; offset += step) {
        scroll.setScrollOffset(zolt::ui::Vec2{0.0f, offset});
        frame(2);
        const TreeItem::RowGeometry& at = row.getGeometry();
        const zolt::ui::Vec4 visible = panel.getVisibleArea();
        if (at.frame == panelFrame(panel) && at.hitRect.y >= visible.y && at.hitRect.w <= visible.w) {
            return;
        }
        if (offset > scroll.getContentSize().y) {
            throw std::runtime_error("row never drawn: " + std::string(row.getLabel()));
        }
    }
}

void ViewsTest::clickRow(TreeItem& row) {
    reveal(row);
    const zolt::ui::Vec4 hit = row.getGeometry().hitRect;
    click(plus(tree().getTreePanel()->getWorldPosition(), (hit.x + hit.z) / 2.0f, (hit.y + hit.w) / 2.0f));
}

void ViewsTest::toggleRow(TreeItem& row) {
    reveal(row);
    const zolt::ui::Vec2 origin = row.getGeometry().origin;
    click(plus(tree().getTreePanel()->getWorldPosition(), origin.x + 12.0f, origin.y + 10.0f));
}

void ViewsTest::typeFilter(const std::string& text) {
    click(plus(tree().getFilterPanel()->getWorldPosition(), 100.0f, 14.0f));
    pressKey(ImGuiKey_A, zolt::ui::kModCtrl);
    if (text.empty()) {
        pressKey(ImGuiKey_Delete);
    } else {
        typeText(text);
    }
    frame();
}

std::vector<std::string> ViewsTest::watchedNames() const {
    std::vector<std::string> names;
    for (const TagInspector::Entry& entry : TagInspector::instance().entries()) {
        names.push_back(entry.name);
    }
    return names;
}

} // namespace viewtest
