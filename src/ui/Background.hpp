#pragma once

// Work for a view on the controller's worker, and its continuation back on the UI
// thread: runInBackground(owner, work, then) runs work() on the application's pool and
// then(result) on the UI thread, but only while `owner` (the view's lifetime token)
// still lives, so a view that went in the meantime is never touched. An exception from
// work() is logged and hands then() an empty result, as does a failure to hand the
// result over, so no view waits for ever and nothing leaves the pool task.

#include "Logger.hpp"
#include "ThreadPool.hpp"

#include <zolt/ui/Application.hpp>

#include <exception>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

// Whether the work still runs when its owner is gone before a worker takes it up: a
// browse for a row nobody sees is skipped, a connect the user asked for is not.
enum class IfOwnerGone { SkipWork, StillWork };

// False when the pool refused the work (it is stopping): nothing runs then.
template <class Work, class Then>
bool runInBackground(std::weak_ptr<void> owner, Work work, Then then, IfOwnerGone gone = IfOwnerGone::SkipWork) {
    using Result = std::invoke_result_t<Work&>;
    try {
        auto task = [owner, work = std::move(work), then = std::move(then)]() mutable {
            std::optional<Result> result;
            try {
                result.emplace(work());
            } catch (const std::exception& error) {
                logError("a background task failed: {}", error.what());
            }
            zolt::ui::Application::dispatchToMainThread(
                [owner, then = std::move(then), result = std::move(result)]() mutable {
                    if (!owner.expired()) {
                        then(std::move(result));
                    }
                });
        };
        if (gone == IfOwnerGone::StillWork) {
            ThreadPool::instance().submit(std::move(task));
        } else {
            ThreadPool::instance().submit(owner, std::move(task));
        }
    } catch (const std::exception&) {
        return false;
    }
    return true;
}
