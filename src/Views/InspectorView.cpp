#include "Views/InspectorView.hpp"

#include "AppTextures.hpp"
#include "AppTheme.hpp"
#include "TagInspector.hpp"

#include <zolt/ui/ImGuiPanel.hpp>
#include <zolt/ui/ScrollView.hpp>

#include <imgui.h>

#include <zolt/ui/Application.hpp>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace {

// Resizable columns, alternating row background, inner and outer borders both ways.
constexpr ImGuiTableFlags tableFlags = ImGuiTableFlags_Resizable | ImGuiTableFlags_RowBg |
                                       ImGuiTableFlags_BordersInnerH | ImGuiTableFlags_BordersOuterH |
                                       ImGuiTableFlags_BordersInnerV | ImGuiTableFlags_BordersOuterV;

constexpr float deleteIconSize = 20.0f;

ImVec4 toImVec4(zolt::ui::Color color) {
    return ImVec4(color.r / 255.0f, color.g / 255.0f, color.b / 255.0f, color.a / 255.0f);
}

// "read 3 s ago", "never read".
std::string readAge(std::int64_t readTime, std::int64_t now) {
    if (readTime == 0) {
        return "never read";
    }
    const std::int64_t seconds = std::max<std::int64_t>(0, (now - readTime) / TagInspector::readInterval);
    return "read " + std::to_string(seconds) + " s ago";
}

} // namespace

InspectorView::InspectorView(zolt::ui::Widget* parent)
    : zolt::ui::Widget(parent), inspector(&TagInspector::instance()) {
    const AppTheme& theme = AppTheme::instance();
    const zolt::ui::Vec2 size = getActualSize();
    scrollView = addChild<zolt::ui::ScrollView>(zolt::ui::Vec2{0.0f, 0.0f}, size);
    panel = scrollView->addChild<zolt::ui::ImGuiPanel>(zolt::ui::Vec2{0.0f, 0.0f}, size);
    panel->setDefaultFont(theme.defaultFont(), theme.listFontSize() * theme.imguiFontScale(), nullptr);
    theme.applyImGuiStyle(panel->getImGuiContext());
    panel->setBuildImGuiFunction([this] { buildImGui(); });
    inspector->setWake([] { zolt::ui::Application::requestFrame(); });
    removeIcon = AppTextures::instance().getSvg("icons/remove.svg", 256, 256);
}

InspectorView::~InspectorView() {
    inspector->setWake(nullptr);
}

void InspectorView::resized() {
    zolt::ui::Widget::resized();
    const zolt::ui::Vec2 size = getActualSize();
    panel->setPreferredSize(zolt::ui::Vec2{size.x, panel->getPreferredSize().y});
    scrollView->setPreferredSize(size);
}

void InspectorView::update() {
    zolt::ui::Widget::update();
    inspector->update();
    // Under the sleeping main loop the reads keep their pace only if a frame comes when
    // the next one is due.
    if (const std::int64_t due = inspector->nextReadTime(); due != 0) {
        const std::int64_t wait = std::max<std::int64_t>(0, due - inspector->now());
        zolt::ui::Application::requestFrameAt(std::chrono::steady_clock::now() + std::chrono::nanoseconds(wait));
    }
}

void InspectorView::drawValue(const TagInspector::Entry& entry, std::int64_t now) const {
    const AppTheme& theme = AppTheme::instance();
    if (entry.stale) {
        // Dimmed: the last good value, not the controller's present one.
        ImGui::TextColored(toImVec4(theme.secondaryTextColor()), "%s", entry.value.c_str());
    } else if (!entry.problem.empty()) {
        ImGui::Text("%s", entry.value.c_str());
        ImGui::SameLine();
        ImGui::TextColored(toImVec4(theme.warningColor()), "(%s)", entry.problem.c_str());
    } else {
        ImGui::Text("%s", entry.value.c_str());
    }
    if (ImGui::IsItemHovered()) {
        const std::string age = readAge(entry.readTime, now);
        if (entry.stale) {
            ImGui::SetTooltip("Stale: %s; %s", entry.problem.c_str(), age.c_str());
        } else {
            ImGui::SetTooltip("%s", age.c_str());
        }
    }
}

void InspectorView::buildImGui() {
    std::optional<std::string> removed;
    deleteButtons.clear();
    if (ImGui::BeginTable("Variables", 4, tableFlags, ImVec2(0.0f, 0.0f), 0.0f)) {
        ImGui::TableSetupColumn("Name", ImGuiTableColumnFlags_WidthStretch, 1.5f);
        ImGui::TableSetupColumn("Type", ImGuiTableColumnFlags_WidthFixed, 96.0f);
        ImGui::TableSetupColumn("Value", ImGuiTableColumnFlags_WidthStretch, 1.0f);
        ImGui::TableSetupColumn("", ImGuiTableColumnFlags_WidthFixed, 24.0f);
        ImGui::TableHeadersRow();

        const ImTextureRef icon = zolt::ui::toImTextureRef(removeIcon);
        const std::int64_t now = inspector->now();
        // The list is only changed after the table, but re-reading its length is cheap.
        for (std::size_t i = 0; i < inspector->entries().size(); ++i) {
            const TagInspector::Entry& entry = inspector->entries()[i];
            ImGui::TableNextRow();
            ImGui::PushID(entry.name.c_str());
            ImGui::TableSetColumnIndex(0);
            ImGui::Text("%s", entry.name.c_str());
            ImGui::TableSetColumnIndex(1);
            ImGui::Text("%s", entry.typeName.c_str());
            ImGui::TableSetColumnIndex(2);
            drawValue(entry, now);
            ImGui::TableSetColumnIndex(3);
            ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(0.0f, 0.0f));
            ImGui::PushStyleColor(ImGuiCol_Button, ImVec4(0.0f, 0.0f, 0.0f, 0.0f));
            ImGui::PushStyleColor(ImGuiCol_ButtonHovered, ImVec4(1.0f, 1.0f, 1.0f, 0.15f));
            ImGui::PushStyleColor(ImGuiCol_ButtonActive, ImVec4(1.0f, 1.0f, 1.0f, 0.25f));
            const ImVec2 buttonSize(deleteIconSize, deleteIconSize);
            // Without its icon (a pack lacking it) the button still works, as a cross.
            const bool pressed = removeIcon != nullptr
                                     ? ImGui::ImageButton("##delete", icon, buttonSize, ImVec2(0.0f, 0.0f),
                                                          ImVec2(1.0f, 1.0f), ImVec4(0.0f, 0.0f, 0.0f, 0.0f),
                                                          ImVec4(1.0f, 1.0f, 1.0f, 1.0f))
                                     : ImGui::Button("x##delete", buttonSize);
            const ImVec2 min = ImGui::GetItemRectMin();
            const ImVec2 max = ImGui::GetItemRectMax();
            deleteButtons.push_back(zolt::ui::Vec4{min.x, min.y, max.x, max.y});
            if (pressed) {
                removed = entry.name;
            }
            ImGui::PopStyleColor(3);
            ImGui::PopStyleVar();
            ImGui::PopID();
        }
        ImGui::EndTable();
    }
    if (removed) {
        inspector->removeTag(removed->c_str());
    }
    panel->setPreferredSize(zolt::ui::Vec2{getActualSize().x, ImGui::GetCursorPosY()});
}
