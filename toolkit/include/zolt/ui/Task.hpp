#pragma once
// Task: a move-only `void()` callable, so work handed to the UI thread may own
// move-only state (lists, unique pointers) that std::function could not hold.

#include <memory>
#include <type_traits>
#include <utility>

namespace zolt::ui {

class Task {
public:
    Task() = default;

    template <class F,
              class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, Task> &&
                                       std::is_invocable_r_v<void, std::decay_t<F>&>>>
    Task(F&& f) // NOLINT(google-explicit-constructor): lambdas convert implicitly
        : callable_(std::make_unique<Model<std::decay_t<F>>>(std::forward<F>(f))) {}

    Task(Task&&) noexcept = default;
    Task& operator=(Task&&) noexcept = default;

    explicit operator bool() const noexcept { return callable_ != nullptr; }

    // Runs the callable; an empty task does nothing.
    void operator()() {
        if (callable_) {
            callable_->call();
        }
    }

private:
    struct Concept {
        virtual ~Concept() = default;
        virtual void call() = 0;
    };
    template <class F>
    struct Model final : Concept {
        explicit Model(F&& f) : fn(std::move(f)) {}
        explicit Model(const F& f) : fn(f) {}
        void call() override { fn(); }
        F fn;
    };
    std::unique_ptr<Concept> callable_;
};

} // namespace zolt::ui
