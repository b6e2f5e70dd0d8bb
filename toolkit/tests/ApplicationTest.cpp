// The application: frames, tick callbacks, dispatch from other threads, lifetimes.

#include "TestSupport.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <numeric>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace zolt::ui;

namespace {

constexpr auto renderCode = [](auto&& f) { return test::errorCode<RenderException>(f); };

TEST(Application, OneAtATimeOnAHeadlessContextItInitialises) {
    auto context = RenderContext::create(kBackendHeadless, "x");
    EXPECT_TRUE(context->isHeadless());
    const auto devices = context->enumerateDevices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].id, 0u);
    context->selectDevice(0);
    EXPECT_EQ(renderCode([&] { context->selectDevice(1); }), kRenderErrorNoDevice);
    EXPECT_FALSE(context->isInitialized());
    auto app = std::make_unique<Application>(std::move(context), "x");
    EXPECT_TRUE(app->getRenderContext().isInitialized());
    EXPECT_EQ(Application::instance(), app.get());
    EXPECT_EQ(renderCode([] { Application second(RenderContext::create(kBackendHeadless, "x"), "x"); }),
              kRenderErrorApplicationExists);
    app.reset();
    EXPECT_EQ(Application::instance(), nullptr);
    EXPECT_EQ(renderCode([] { Application::createWindow("w", 10, 10, 0); }), kRenderErrorNoApplication);
    EXPECT_EQ(renderCode([] { Application::registerTickCallback(nullptr, [] {}); }), kRenderErrorNoApplication);
    Application::unregisterTickCallback(nullptr); // harmless without an application
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

// Tasks run on the UI thread in posting order, may own move-only state, and are released
// unrun when there is no application; one that throws keeps the rest queued.
TEST(Dispatch, TasksFromManyThreadsRunOnTheUiThreadInPostingOrderOrAreDroppedWithoutAnApplication) {
    std::weak_ptr<int> watch;
    {
        auto shared = std::make_shared<int>(1);
        watch = shared;
        Application::dispatchToMainThread([shared] {}); // no application yet
    }
    EXPECT_TRUE(watch.expired());
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
    std::vector<int> inOrder(perThread);
    std::iota(inOrder.begin(), inOrder.end(), 0);
    for (const auto& list : seen) {
        EXPECT_EQ(list, inOrder);
    }
    std::string log;
    Application::dispatchToMainThread([&] { log += '1'; });
    Application::dispatchToMainThread([] { throw std::runtime_error("boom"); });
    Application::dispatchToMainThread([p = std::make_unique<char>('3'), &log] { log += *p; });
    EXPECT_THROW(h.frames(), std::runtime_error);
    h.frames();
    EXPECT_EQ(log, "13");
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

} // namespace
