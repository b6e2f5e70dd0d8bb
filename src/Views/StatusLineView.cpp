#include "Views/StatusLineView.hpp"

#include "Logger.hpp"
#include "TagInspector.hpp"
#include "Views/ThemedPanel.hpp"

#include <zolt/ui/ImGuiPanel.hpp>

#include <fmt/format.h>

#include <algorithm>

namespace {

double milliseconds(std::int64_t nanoseconds) {
    return static_cast<double>(nanoseconds) / 1e6;
}

} // namespace

std::string statusLineText(const RefreshStats::Figures& figures) {
    if (figures.refreshes == 0) {
        return "no refresh since connect";
    }
    return fmt::format("{:.1f} reads/s \xC2\xB7 round trip {:.1f} ms, average {:.1f} ms \xC2\xB7 {} error{} since "
                       "connect \xC2\xB7 last refresh {}",
                       figures.readsPerSecond, milliseconds(figures.lastRoundTrip),
                       milliseconds(figures.averageRoundTrip), figures.errors, figures.errors == 1 ? "" : "s",
                       formatClockTime(figures.lastRefresh));
}

StatusLineView::StatusLineView(zolt::ui::Widget* parent) : zolt::ui::Widget(parent) {
    panel = addThemedPanel(*this, [this] { buildImGui(); });
    TagInspector::instance().addRefreshObserver(this,
                                                [this](const TagInspector::ReadBatch& batch) { stats.record(batch); });
}

StatusLineView::~StatusLineView() {
    TagInspector::instance().removeRefreshObserver(this);
}

void StatusLineView::resized() {
    zolt::ui::Widget::resized();
    panel->setPreferredSize(getActualSize());
}

void StatusLineView::addPaneToggle(std::string label, zolt::ui::Widget* pane) {
    toggles.push_back(Toggle{std::move(label), pane});
}

void StatusLineView::buildImGui() {
    text = statusLineText(stats.figures(TagInspector::instance().now()));
    // The boxes keep their place at the right; the text is cut before them.
    float boxesWidth = 0.0f;
    const ImGuiStyle& style = ImGui::GetStyle();
    for (const Toggle& toggle : toggles) {
        boxesWidth += ImGui::GetFrameHeight() + style.ItemInnerSpacing.x +
                      ImGui::CalcTextSize(toggle.label.c_str()).x + style.ItemSpacing.x;
    }
    ImGui::SetCursorPos(ImVec2(6.0f, 3.0f));
    const float right = ImGui::GetCursorPosX() + ImGui::GetContentRegionAvail().x - 6.0f;
    const ImVec2 start = ImGui::GetCursorScreenPos();
    const float textRight = start.x + right - boxesWidth - style.ItemSpacing.x;
    ImGui::PushClipRect(ImVec2(start.x, start.y), ImVec2(textRight, start.y + ImGui::GetFrameHeight()), true);
    ImGui::AlignTextToFramePadding();
    ImGui::TextDisabled("%s", text.c_str());
    ImGui::PopClipRect();
    if (ImGui::IsItemHovered()) {
        ImGui::SetTooltip("%s", text.c_str());
    }
    rects.clear();
    ImGui::SameLine(std::max(right - boxesWidth, 0.0f));
    for (const Toggle& toggle : toggles) {
        bool visible = toggle.pane->isVisible();
        if (ImGui::Checkbox(toggle.label.c_str(), &visible)) {
            toggle.pane->setVisible(visible);
        }
        const ImVec2 min = ImGui::GetItemRectMin();
        const ImVec2 max = ImGui::GetItemRectMax();
        rects.push_back(zolt::ui::Vec4{min.x, min.y, max.x, max.y});
        ImGui::SameLine();
    }
    ImGui::NewLine();
}
