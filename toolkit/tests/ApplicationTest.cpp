// The application: frames, tick callbacks, dispatch from other threads, lifetimes.

#include "TestSupport.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace zolt::ui;

namespace {

constexpr auto renderCode = [](auto&& f) { return test::errorCode<RenderException>(f); };

TEST(Application, OneAtATime) {
    test::HeadlessApp h;
    EXPECT_EQ(Application::instance(), h.app.get());
    EXPECT_EQ(renderCode([] { Application second(RenderContext::create(kBackendHeadless, "x"), "x"); }),
              kRenderErrorApplicationExists);
    h.app.reset();
    EXPECT_EQ(Application::instance(), nullptr);
    EXPECT_EQ(renderCode([] { Application::createWindow("w", 10, 10, 0); }), kRenderErrorNoApplication);
    EXPECT_EQ(renderCode([] { Application::registerTickCallback(nullptr, [] {}); }), kRenderErrorNoApplication);
    Application::unregisterTickCallback(nullptr); // harmless without an application
}

TEST(RenderContext, HeadlessListsOneDeviceAndChecksTheIndex) {
    auto context = RenderContext::create(kBackendHeadless, "x");
    EXPECT_TRUE(context->isHeadless());
    const auto devices = context->enumerateDevices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].id, 0u);
    context->selectDevice(0);
    EXPECT_EQ(renderCode([&] { context->selectDevice(1); }), kRenderErrorNoDevice);
    EXPECT_FALSE(context->isInitialized());
    context->initialize();
    EXPECT_TRUE(context->isInitialized());
}

// Ticks run every frame before the widgets update, in registration order until unregistered (a
// registration under the same key replaces it in place), and may unregister themselves and
// others, or register new ones, while they run.
TEST(Ticks, RunEveryFrameInOrderUntilUnregisteredEvenFromATick) {
    struct Probe : Widget {
        Probe(Widget* parent, std::string* log) : Widget(parent), log_(log) {}
        void update() override {
            *log_ += 'u';
            Widget::update();
        }
        std::string* log_;
    };
    test::HeadlessApp h;
    std::string log;
    h.root()->addChild<Probe>(&log);
    int a = 0;
    int b = 0;
    int c = 0;
    Application::registerTickCallback(&a, [&] { log += 'a'; });
    Application::registerTickCallback(&b, [&] { log += 'b'; });
    h.frames(2);
    Application::registerTickCallback(&a, [&] { log += 'A'; });
    h.frames();
    Application::unregisterTickCallback(&b);
    h.frames();
    EXPECT_EQ(log, "abuabuAbuAu");
    log.clear();
    Application::registerTickCallback(&a, [&] {
        log += 'a';
        Application::unregisterTickCallback(&a);
        Application::unregisterTickCallback(&b);
        Application::registerTickCallback(&c, [&] { log += 'c'; });
    });
    Application::registerTickCallback(&b, [&] { log += 'b'; });
    h.frames(2);
    EXPECT_EQ(log, "acucu");
}

TEST(Dispatch, TasksFromManyThreadsRunOnTheUiThreadInPostingOrder) {
    test::HeadlessApp h;
    constexpr int threads = 4;
    constexpr int perThread = 200;
    std::vector<std::vector<int>> seen(threads);
    const auto uiThread = std::this_thread::get_id();
    std::atomic<bool> wrongThread{false};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) {
                Application::dispatchToMainThread([&, t, i] {
                    if (std::this_thread::get_id() != uiThread) {
                        wrongThread = true;
                    }
                    seen[static_cast<std::size_t>(t)].push_back(i);
                });
            }
        });
    }
    for (auto& w : workers) {
        w.join();
    }
    h.frames();
    EXPECT_FALSE(wrongThread);
    for (const auto& list : seen) {
        ASSERT_EQ(list.size(), static_cast<std::size_t>(perThread));
        for (int i = 0; i < perThread; ++i) {
            EXPECT_EQ(list[static_cast<std::size_t>(i)], i);
        }
    }
    // A task that throws keeps the rest queued.
    std::string log;
    Application::dispatchToMainThread([&] { log += '1'; });
    Application::dispatchToMainThread([] { throw std::runtime_error("boom"); });
    Application::dispatchToMainThread([&] { log += '3'; });
    EXPECT_THROW(h.frames(), std::runtime_error);
    h.frames();
    EXPECT_EQ(log, "13");
}

TEST(Dispatch, TasksMayOwnMoveOnlyStateAndAreDroppedWithoutAnApplication) {
    auto owned = std::make_unique<int>(7);
    std::weak_ptr<int> watch;
    int ran = 0;
    {
        auto shared = std::make_shared<int>(1);
        watch = shared;
        Application::dispatchToMainThread([shared, &ran] { ++ran; }); // no application yet
    }
    EXPECT_TRUE(watch.expired());
    test::HeadlessApp h;
    Application::dispatchToMainThread([p = std::move(owned), &ran] { ran += *p; });
    h.frames();
    EXPECT_EQ(ran, 7);
    auto pending = std::make_shared<int>(2);
    watch = pending;
    Application::dispatchToMainThread([pending] {});
    pending.reset();
    h.app.reset(); // queued work is released with the application
    EXPECT_TRUE(watch.expired());
}

TEST(Frames, FixedFrameTimeReachesTheWindowContextAndRunEndsOnQuit) {
    test::HeadlessApp h;
    const WindowContext& context = h.window->getWindowContext();
    h.frames();
    EXPECT_EQ(context.getFrameTime(), 16667u);
    h.app->setFixedFrameTime(100000);
    h.frames(3);
    EXPECT_EQ(context.getFrameTime(), 100000u);
    EXPECT_EQ(context.getFrameCount(), 4u);
    EXPECT_NEAR(context.getTime(), 0.316667, 1e-6);
    EXPECT_EQ(h.app->getFrameCount(), 4u);
    int frames = 0;
    Application::registerTickCallback(&frames, [&] {
        if (++frames == 5) {
            h.app->quit();
        }
    });
    h.app->run();
    EXPECT_EQ(frames, 5);
}

// World position, angle and a rotated hit test; a lifetime token expires with its widget's subtree.
TEST(Widget, WorldPositionAngleRotatedHitTestAndLifetime) {
    test::HeadlessApp h;
    auto* parent = h.root()->addChild<Widget>(Vec2{100, 100}, Vec2{200, 200});
    parent->setRotation(10);
    auto* child = parent->addChild<Widget>(Vec2{50, 0}, Vec2{100, 20});
    child->setOrigin(Vec2{50, 10});
    child->setRotation(80); // 90 in the world: a 20 wide, 100 tall bar about (200, 110)
    h.frames();
    EXPECT_EQ(child->getWorldPosition(), (Vec2{150, 100}));
    EXPECT_FLOAT_EQ(child->getWorldAngle(), 90);
    EXPECT_TRUE(child->contains(Vec2{200, 150}));
    EXPECT_TRUE(child->contains(Vec2{205, 70}));
    EXPECT_FALSE(child->contains(Vec2{240, 110}));
    EXPECT_FALSE(child->contains(Vec2{160, 110}));
    auto parentToken = parent->lifetime();
    auto childToken = child->lifetime();
    EXPECT_FALSE(childToken.expired());
    h.root()->removeChild(parent);
    EXPECT_TRUE(parentToken.expired());
    EXPECT_TRUE(childToken.expired());
    h.frames();
}

TEST(Canvas, DrawsRectanglesTextAndTexturedPrimitivesIntoDrawLists) {
    test::HeadlessApp h(200, 100);
    auto* rect = h.root()->addChild<Rectangle>(Vec2{10, 10}, Vec2{30, 20});
    rect->setColor(Color{255, 0, 0, 255});
    h.frames();
    auto lists = h.window->getCanvasDrawLists();
    ASSERT_EQ(lists.size(), 1u);
    ASSERT_EQ(lists[0]->VtxBuffer.Size, 4);
    EXPECT_EQ(lists[0]->VtxBuffer[0].col, IM_COL32(255, 0, 0, 255));
    EXPECT_FLOAT_EQ(lists[0]->VtxBuffer[0].pos.x, 10);
    EXPECT_FLOAT_EQ(lists[0]->VtxBuffer[2].pos.y, 30);

    // A panel splits the canvas: what is drawn after it lands in a second list.
    h.root()->addChild<ImGuiPanel>(Vec2{0, 0}, Vec2{50, 50});
    h.root()->addChild<TextElement>(nullptr, "after");
    h.frames();
    lists = h.window->getCanvasDrawLists();
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_GT(lists[1]->VtxBuffer.Size, 0);
}

} // namespace
