#pragma once

// The trend pane: watched numeric rows over time. The legend on the left lists them, each
// with a box that shows it in the plot and its least, greatest and last value in the
// window; the bar above picks the window (1, 5 or 30 minutes), pauses and resumes, scales
// to the values or to a range typed in, and exports the shown series as CSV to a file the
// user names. The plot, drawn with ImGui's draw lists, has a value axis and a time axis in
// local time, and tells the values at the time under the pointer; a failed read, or the
// time between two connections, breaks a line. The history (TrendHistory) is fed by every
// refresh the inspector collects while the pane exists.

#include "TrendHistory.hpp"

#include <zolt/ui/Types.hpp>
#include <zolt/ui/Widget.hpp>

#include <imgui.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zolt::ui {
class ImGuiPanel;
}

class TagInspector;

class TrendView : public zolt::ui::Widget {
public:
    static constexpr std::array<int, 3> windowChoices{1, 5, 30}; // minutes

    explicit TrendView(zolt::ui::Widget* parent);
    ~TrendView() override;

    void resized() override;

    // Shows or hides a watched row's series, as its legend box does.
    void setShown(const std::string& name, bool show);
    // The shown series' names, in the order they were shown.
    std::vector<std::string> shownNames() const;
    void setWindowMinutes(int minutes) { windowMinutes = minutes; }

    TrendHistory& getHistory() { return history; }
    zolt::ui::ImGuiPanel* getPanel() const { return panel; }

    // What the last frame drew, in panel pixels (x, y = min corner, z, w = max corner).
    struct Drawn {
        std::vector<std::pair<std::string, zolt::ui::Vec4>> legendBoxes; // legend order
        std::vector<std::size_t> points; // per shown series: the values the lines went through
        zolt::ui::Vec4 pauseButton;
        double low = 0.0; // the value axis
        double high = 0.0;
    };
    const Drawn& lastDrawn() const { return drawn; }

private:
    struct Shown {
        std::string name;
        std::size_t colour = 0; // palette index
    };

    void buildImGui();
    void buildBar(std::int64_t from, std::int64_t to);
    void buildLegend(std::int64_t from, std::int64_t to);
    void buildExport();
    void drawPlot(ImDrawList& list, ImVec2 min, ImVec2 max, std::int64_t from, std::int64_t to);
    void drawSeries(ImDrawList& list, const TrendSeries& series, ImU32 colour, ImVec2 min, ImVec2 max,
                    std::int64_t from, std::int64_t to);
    // The hover text over the plot: the time and each shown series' value then.
    void readOut(std::int64_t time) const;
    // The value axis for the window: the shown values with a margin, or the typed range.
    std::pair<double, double> valueAxis(std::int64_t from, std::int64_t to) const;

    TagInspector* inspector;
    TrendHistory history;
    zolt::ui::ImGuiPanel* panel = nullptr;
    std::vector<Shown> shown;
    int windowMinutes = 5;
    std::int64_t pausedAt = 0; // the window's end while paused; 0 when following the reads
    bool autoScale = true;
    double fixedLow = 0.0;
    double fixedHigh = 100.0;
    std::string exportPath;
    std::string exportMessage;
    bool exportFailed = false;
    Drawn drawn;
    std::vector<ImVec2> line; // reused between frames
};
