#include "Views/LogView.hpp"

#include "Views/ThemedPanel.hpp"

#include <zolt/ui/ImGuiPanel.hpp>

#include <array>
#include <string>

namespace {

// The console's colours, a little lighter on the dark panel.
constexpr std::array<ImU32, 6> levelColours{
    IM_COL32(0x90, 0x90, 0x90, 0xFF), // TRACE
    IM_COL32(0x4C, 0xD0, 0xE0, 0xFF), // DEBUG
    IM_COL32(0x6C, 0xD8, 0x6C, 0xFF), // INFO
    IM_COL32(0xFF, 0xC8, 0x00, 0xFF), // WARN
    IM_COL32(0xFF, 0x50, 0x50, 0xFF), // ERROR
    IM_COL32(0xFF, 0x30, 0x80, 0xFF), // FATAL
};
static_assert(levelColours.size() == static_cast<std::size_t>(LogLevel::Fatal) + 1,
              "every log level needs a colour");

} // namespace

LogView::LogView(zolt::ui::Widget* parent) : zolt::ui::Widget(parent) {
    panel = addThemedPanel(*this, [this] { buildImGui(); });
}

void LogView::resized() {
    zolt::ui::Widget::resized();
    panel->setPreferredSize(getActualSize());
}

void LogView::buildImGui() {
    const LogMemory& memory = Logger::memory();
    if (const std::uint64_t added = memory.added(); added != seen) {
        lines = memory.lines();
        seen = added;
    }
    beginPaneContent();
    ImGui::TextUnformatted("Log");
    ImGui::SameLine();
    if (ImGui::SmallButton("Copy")) {
        std::string text;
        for (const LogLine& line : lines) {
            text += line.text;
            text += '\n';
        }
        ImGui::SetClipboardText(text.c_str());
    }
    const ImVec2 min = ImGui::GetItemRectMin();
    const ImVec2 max = ImGui::GetItemRectMax();
    copyButton = zolt::ui::Vec4{min.x, min.y, max.x, max.y};
    ImGui::SameLine();
    ImGui::TextDisabled("the last %zu lines", lines.size());

    if (ImGui::BeginChild("lines", ImVec2(0.0f, 0.0f), ImGuiChildFlags_Borders, ImGuiWindowFlags_HorizontalScrollbar)) {
        const bool atEnd = ImGui::GetScrollY() >= ImGui::GetScrollMaxY();
        ImGuiListClipper clipper;
        clipper.Begin(static_cast<int>(lines.size()));
        while (clipper.Step()) {
            for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i) {
                const LogLine& line = lines[static_cast<std::size_t>(i)];
                ImGui::PushStyleColor(ImGuiCol_Text, levelColours[static_cast<std::size_t>(line.level)]);
                ImGui::TextUnformatted(line.text.c_str(), line.text.c_str() + line.text.size());
                ImGui::PopStyleColor();
            }
        }
        if (atEnd) {
            ImGui::SetScrollHereY(1.0f);
        }
    }
    ImGui::EndChild();
}
