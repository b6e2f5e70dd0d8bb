#pragma once

// The log pane: the lines the program wrote to its console (the Logger's memory), in the
// colours of their levels, newest at the bottom, and a button that copies them all to the
// clipboard. It follows new lines while it is scrolled to the end.

#include "Logger.hpp"

#include <zolt/ui/Widget.hpp>

#include <cstdint>
#include <vector>

namespace zolt::ui {
class ImGuiPanel;
}

class LogView : public zolt::ui::Widget {
public:
    explicit LogView(zolt::ui::Widget* parent);

    void resized() override;

    zolt::ui::ImGuiPanel* getPanel() const { return panel; }
    // Where the copy button was drawn in the last frame, in panel pixels (x, y = min, z, w = max).
    zolt::ui::Vec4 copyButtonRect() const { return copyButton; }

private:
    void buildImGui();

    zolt::ui::ImGuiPanel* panel = nullptr;
    std::vector<LogLine> lines;
    std::uint64_t seen = 0; // the memory's count when `lines` was copied
    zolt::ui::Vec4 copyButton;
};
