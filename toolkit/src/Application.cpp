#include "zolt/ui/Application.hpp"

#include "Backend.hpp"
#include "WindowImpl.hpp"
#include "zolt/ui/Exceptions.hpp"
#include "zolt/ui/Window.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>

namespace zolt::ui {

namespace {

constexpr std::uint64_t headlessFrameMicros = 16667;
// Frames run without waiting after an event wakes the loop: ImGui shows some results of
// input (hover, release, a value typed) one or two frames after the event.
constexpr int settleFrames = 3;
constexpr std::chrono::milliseconds defaultIdleInterval{1000};

Application* current = nullptr; // UI thread

// Work posted for the UI thread; filled from any thread.
struct DispatchQueue {
    std::mutex mutex;
    std::vector<Task> tasks;
    bool accepting = false;
    detail::Backend* waker = nullptr; // the Application's back end while accepting
    std::atomic<bool> frameRequested{false};
};

// Makes the main loop run its next frame at once. Any thread.
void wakeMainLoop(DispatchQueue& queue) {
    std::lock_guard<std::mutex> lock(queue.mutex);
    if (queue.waker != nullptr) {
        queue.waker->wakeUp();
    }
}

DispatchQueue& dispatchQueue() {
    static DispatchQueue queue;
    return queue;
}

} // namespace

struct Application::Impl {
    struct Tick {
        const void* key;
        std::function<void()> callback;
        bool removed = false;
    };

    std::unique_ptr<RenderContext> context;
    std::string name;
    std::vector<std::unique_ptr<Window>> windows;
    std::vector<std::shared_ptr<Tick>> ticks;
    int tickDepth = 0; // > 0 while tick callbacks run
    std::uint64_t fixedFrameMicros = 0;
    std::uint64_t frameCount = 0;
    std::optional<std::chrono::steady_clock::time_point> lastFrame;
    bool quitRequested = false;
    std::chrono::milliseconds idleInterval = defaultIdleInterval;
    std::optional<std::chrono::steady_clock::time_point> wakeAt; // asked for by this frame
    int framesToSettle = 0;

    void waitForWork();
    void runDispatched();
    void runTicks();
    bool anyWindowOpen() const {
        return std::any_of(windows.begin(), windows.end(), [](const auto& w) { return !w->isClosed(); });
    }
};

void Application::Impl::runDispatched() {
    std::vector<Task> tasks;
    {
        DispatchQueue& queue = dispatchQueue();
        std::lock_guard<std::mutex> lock(queue.mutex);
        tasks.swap(queue.tasks);
    }
    for (std::size_t i = 0; i < tasks.size(); ++i) {
        try {
            tasks[i]();
        } catch (...) {
            // Keep what was not run yet, in order, ahead of anything posted since.
            DispatchQueue& queue = dispatchQueue();
            std::lock_guard<std::mutex> lock(queue.mutex);
            queue.tasks.insert(queue.tasks.begin(), std::make_move_iterator(tasks.begin() + static_cast<std::ptrdiff_t>(i) + 1),
                               std::make_move_iterator(tasks.end()));
            throw;
        }
    }
}

// Between frames of run(): no wait while an animation asked for frames or input is
// settling; otherwise sleep until an event, a dispatched callback, the time a frame asked
// for, or the idle interval, whichever comes first.
void Application::Impl::waitForWork() {
    const auto until = wakeAt;
    wakeAt.reset();
    if (context->isHeadless() || dispatchQueue().frameRequested.exchange(false)) {
        return;
    }
    if (framesToSettle > 0) {
        --framesToSettle;
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    const auto deadline = until ? std::min(*until, now + idleInterval) : now + idleInterval;
    if (deadline <= now) {
        return;
    }
    context->backend().waitEvents(std::chrono::duration<double>(deadline - now).count());
    if (std::chrono::steady_clock::now() + std::chrono::milliseconds(1) < deadline) {
        framesToSettle = settleFrames;
    }
}

void Application::Impl::runTicks() {
    ++tickDepth;
    struct Leave {
        Impl& impl;
        ~Leave() {
            if (--impl.tickDepth == 0) {
                std::erase_if(impl.ticks, [](const std::shared_ptr<Tick>& t) { return t->removed; });
            }
        }
    } leave{*this};
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        std::shared_ptr<Tick> tick = ticks[i]; // stays alive if the callback unregisters itself
        if (!tick->removed) {
            tick->callback();
        }
    }
}

Application::Application(std::unique_ptr<RenderContext>&& context, const std::string& name)
    : impl_(std::make_unique<Impl>()) {
    if (current != nullptr) {
        throw RenderException("An application exists already", kRenderErrorApplicationExists);
    }
    if (!context) {
        throw RenderException("No render context", kRenderErrorNotInitialized);
    }
    if (!context->isInitialized()) {
        context->initialize();
    }
    impl_->context = std::move(context);
    impl_->name = name;
    if (impl_->context->isHeadless()) {
        impl_->fixedFrameMicros = headlessFrameMicros;
    }
    detail::activateTextureDevice(&impl_->context->backend());
    current = this;
    DispatchQueue& queue = dispatchQueue();
    std::lock_guard<std::mutex> lock(queue.mutex);
    queue.accepting = true;
    queue.waker = &impl_->context->backend();
}

Application::~Application() {
    std::vector<Task> dropped;
    {
        DispatchQueue& queue = dispatchQueue();
        std::lock_guard<std::mutex> lock(queue.mutex);
        queue.accepting = false;
        queue.waker = nullptr;
        dropped.swap(queue.tasks);
    }
    dropped.clear();
    impl_->ticks.clear();
    impl_->windows.clear();
    detail::deactivateTextureDevice(&impl_->context->backend());
    impl_->context.reset();
    current = nullptr;
}

Application* Application::instance() {
    return current;
}

void Application::run() {
    impl_->quitRequested = false;
    while (!impl_->quitRequested && impl_->anyWindowOpen()) {
        runFrame();
        if (!impl_->quitRequested) {
            impl_->waitForWork();
        }
    }
}

void Application::runFrame() {
    const auto now = std::chrono::steady_clock::now();
    std::uint64_t micros = impl_->fixedFrameMicros;
    if (micros == 0 && impl_->lastFrame) {
        micros = static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(now - *impl_->lastFrame).count());
    }
    impl_->lastFrame = now;

    impl_->context->backend().pollEvents();
    for (std::size_t i = 0; i < impl_->windows.size(); ++i) {
        Window& window = *impl_->windows[i];
        if (!window.isClosed() && window.impl().native->closeRequested()) {
            window.close();
        }
    }
    impl_->runDispatched();
    impl_->runTicks();
    for (std::size_t i = 0; i < impl_->windows.size(); ++i) {
        impl_->windows[i]->impl().frame(micros);
    }
    ++impl_->frameCount;
}

void Application::runFrames(int count) {
    for (int i = 0; i < count; ++i) {
        runFrame();
    }
}

void Application::quit() {
    impl_->quitRequested = true;
    wakeMainLoop(dispatchQueue());
}

void Application::requestFrame() {
    DispatchQueue& queue = dispatchQueue();
    if (!queue.frameRequested.exchange(true)) {
        wakeMainLoop(queue);
    }
}

void Application::requestFrameAt(std::chrono::steady_clock::time_point when) {
    if (current != nullptr) {
        auto& wakeAt = current->impl_->wakeAt;
        wakeAt = wakeAt ? std::min(*wakeAt, when) : when;
    }
}

void Application::setIdleFrameInterval(std::chrono::milliseconds interval) {
    impl_->idleInterval = std::max(interval, std::chrono::milliseconds(1));
}

Window* Application::createWindow(const std::string& title, int width, int height, std::uint32_t flags) {
    if (current == nullptr) {
        throw RenderException("No application to open a window in", kRenderErrorNoApplication);
    }
    Window* window = detail::WindowAccess::create(current->impl_->context->backend(), title, width, height, flags);
    current->impl_->windows.emplace_back(window);
    return window;
}

void Application::setVSync(bool enabled) {
    if (current != nullptr) {
        current->impl_->context->backend().setVSync(enabled);
    }
}

void Application::registerTickCallback(const void* key, std::function<void()> callback) {
    if (current == nullptr) {
        throw RenderException("No application to tick", kRenderErrorNoApplication);
    }
    auto& ticks = current->impl_->ticks;
    auto tick = std::make_shared<Impl::Tick>(Impl::Tick{key, std::move(callback)});
    for (auto& existing : ticks) {
        if (existing->key == key && !existing->removed) {
            existing->removed = true; // a running copy of the old one finishes safely
            existing = std::move(tick);
            return;
        }
    }
    ticks.push_back(std::move(tick));
}

void Application::unregisterTickCallback(const void* key) {
    if (current == nullptr) {
        return;
    }
    Impl& impl = *current->impl_;
    for (auto& tick : impl.ticks) {
        if (tick->key == key) {
            tick->removed = true;
        }
    }
    if (impl.tickDepth == 0) {
        std::erase_if(impl.ticks, [](const std::shared_ptr<Impl::Tick>& t) { return t->removed; });
    }
}

void Application::dispatchToMainThread(Task task) {
    DispatchQueue& queue = dispatchQueue();
    std::unique_lock<std::mutex> lock(queue.mutex);
    if (queue.accepting) {
        queue.tasks.push_back(std::move(task));
        queue.waker->wakeUp();
        return;
    }
    lock.unlock();
    // No application: the task is dropped here, outside the lock.
}

void Application::setFixedFrameTime(std::uint64_t microseconds) {
    impl_->fixedFrameMicros = microseconds;
}

std::uint64_t Application::getFrameCount() const {
    return impl_->frameCount;
}

const std::string& Application::getName() const {
    return impl_->name;
}

RenderContext& Application::getRenderContext() {
    return *impl_->context;
}

std::size_t Application::getWindowCount() const {
    return impl_->windows.size();
}

Window* Application::getWindow(std::size_t index) const {
    return impl_->windows.at(index).get();
}

} // namespace zolt::ui
