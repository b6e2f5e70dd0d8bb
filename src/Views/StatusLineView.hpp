#pragma once

// The status line along the bottom of the window: tag reads per second, the last and the
// average round-trip time of the refresh, the reads that failed since the connection was
// made and the time of the last refresh (RefreshStats, fed by every refresh the inspector
// collects while the line exists); on the right, a box per bottom pane that shows or hides
// it.

#include "RefreshStats.hpp"

#include <zolt/ui/Types.hpp>
#include <zolt/ui/Widget.hpp>

#include <string>
#include <vector>

namespace zolt::ui {
class ImGuiPanel;
}

// The figures as the line shows them: "12.0 reads/s · round trip 3.1 ms, average 2.9 ms ·
// 0 errors since connect · last refresh 14:02:11", or "no refresh since connect".
std::string statusLineText(const RefreshStats::Figures& figures);

class StatusLineView : public zolt::ui::Widget {
public:
    explicit StatusLineView(zolt::ui::Widget* parent);
    ~StatusLineView() override;

    void resized() override;

    // Adds a box labelled `label` that shows and hides `pane` (not owned).
    void addPaneToggle(std::string label, zolt::ui::Widget* pane);

    const RefreshStats& getStats() const { return stats; }
    zolt::ui::ImGuiPanel* getPanel() const { return panel; }
    // The text of the last frame.
    const std::string& getText() const { return text; }
    // Where each pane's box was drawn in the last frame, in panel pixels, in the order added.
    const std::vector<zolt::ui::Vec4>& toggleRects() const { return rects; }

private:
    struct Toggle {
        std::string label;
        zolt::ui::Widget* pane = nullptr;
    };

    void buildImGui();

    zolt::ui::ImGuiPanel* panel = nullptr;
    RefreshStats stats;
    std::vector<Toggle> toggles;
    std::vector<zolt::ui::Vec4> rects;
    std::string text;
};
