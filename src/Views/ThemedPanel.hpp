#pragma once

// What the bottom panes (trend, log, status line) share: an ImGui panel over the whole
// widget in the theme's small font and style, and the theme's colours in ImGui's terms.

#include <zolt/ui/ImGuiPanel.hpp>
#include <zolt/ui/Types.hpp>

#include <functional>

// A panel filling `parent` (resize it in the parent's resized()), building with `build`.
zolt::ui::ImGuiPanel* addThemedPanel(zolt::ui::Widget& parent, std::function<void()> build);

// In a build function: a band in the separator colour across the top of the panel (as
// between the tree and the inspector), and the cursor set below it, in from the left.
void beginPaneContent();

inline ImU32 imColor(zolt::ui::Color color) {
    return IM_COL32(color.r, color.g, color.b, color.a);
}
