#pragma once
// Makes an ImGui context current for a scope and restores the previous one afterwards.

#include <imgui.h>

namespace zolt::ui::detail {

class ContextScope {
public:
    explicit ContextScope(ImGuiContext* context) : previous_(ImGui::GetCurrentContext()) {
        ImGui::SetCurrentContext(context);
    }
    ~ContextScope() { ImGui::SetCurrentContext(previous_); }
    ContextScope(const ContextScope&) = delete;
    ContextScope& operator=(const ContextScope&) = delete;

    // The context of this scope is being destroyed: do not make it current again.
    void forget(ImGuiContext* destroyed) {
        if (previous_ == destroyed) {
            previous_ = nullptr;
        }
    }

private:
    ImGuiContext* previous_;
};

} // namespace zolt::ui::detail
