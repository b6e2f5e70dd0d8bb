#include "Views/InspectorView.hpp"

#include "AppTextures.hpp"
#include "AppTheme.hpp"
#include "TagInspector.hpp"

#include <zolt/ui/ImGuiPanel.hpp>

#include <imgui.h>
#include <imgui_internal.h>

#include <zolt/ui/Application.hpp>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

// Resizable columns, sortable by a header click (and back to unsorted), alternating row
// background, borders both ways, and rows that scroll under a header that stays.
constexpr ImGuiTableFlags tableFlags = ImGuiTableFlags_Resizable | ImGuiTableFlags_RowBg |
                                       ImGuiTableFlags_BordersInnerH | ImGuiTableFlags_BordersOuterH |
                                       ImGuiTableFlags_BordersInnerV | ImGuiTableFlags_BordersOuterV |
                                       ImGuiTableFlags_Sortable | ImGuiTableFlags_SortTristate |
                                       ImGuiTableFlags_ScrollY;

constexpr int columnCount = 4;
constexpr float deleteIconSize = 20.0f;
constexpr const char* rowPayload = "INSPECTOR_ROW";
// The value column opens wide enough for the longest decimal value, a ULINT's 20 digits.
constexpr int widestDecimalDigits = 20;

ImVec4 toImVec4(zolt::ui::Color color) {
    return ImVec4(color.r / 255.0f, color.g / 255.0f, color.b / 255.0f, color.a / 255.0f);
}

zolt::ui::Vec4 lastItemRect() {
    const ImVec2 min = ImGui::GetItemRectMin();
    const ImVec2 max = ImGui::GetItemRectMax();
    return zolt::ui::Vec4{min.x, min.y, max.x, max.y};
}

// "read 3 s ago", "never read".
std::string readAge(std::int64_t readTime, std::int64_t now) {
    if (readTime == 0) {
        return "never read";
    }
    const std::int64_t seconds = std::max<std::int64_t>(0, (now - readTime) / TagInspector::readInterval);
    return "read " + std::to_string(seconds) + " s ago";
}

// The text in the rest of the cell's width on the row's middle line, with an ellipsis
// when it does not fit; true when it was cut. The text is an item, so hover works.
bool cellText(const std::string& text, const ImVec4& color, float rowHeight) {
    const ImVec2 start = ImGui::GetCursorScreenPos();
    const float width = std::max(ImGui::GetContentRegionAvail().x, 1.0f);
    const ImVec2 size = ImGui::CalcTextSize(text.c_str());
    const float y = start.y + std::max(0.0f, (rowHeight - size.y) * 0.5f);
    ImGui::PushStyleColor(ImGuiCol_Text, color);
    ImGui::RenderTextEllipsis(ImGui::GetWindowDrawList(), ImVec2(start.x, y), ImVec2(start.x + width, y + size.y),
                              start.x + width, text.c_str(), text.c_str() + text.size(), &size);
    ImGui::PopStyleColor();
    ImGui::Dummy(ImVec2(std::min(size.x, width), rowHeight));
    return size.x > width;
}

} // namespace

InspectorView::InspectorView(zolt::ui::Widget* parent)
    : zolt::ui::Widget(parent), inspector(&TagInspector::instance()), dialog(lifetime()) {
    const AppTheme& theme = AppTheme::instance();
    panel = addChild<zolt::ui::ImGuiPanel>(zolt::ui::Vec2{0.0f, 0.0f}, getActualSize());
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
    panel->setPreferredSize(getActualSize());
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

zolt::ui::Vec4 InspectorView::itemRect(std::string_view label) const {
    const auto found =
        std::find_if(items.begin(), items.end(), [label](const auto& item) { return item.first == label; });
    return found != items.end() ? found->second : zolt::ui::Vec4{};
}

void InspectorView::note(std::string_view label) {
    items.emplace_back(std::string(label), lastItemRect());
}

bool InspectorView::drawValue(const TagInspector::Entry& entry, std::int64_t now) {
    const AppTheme& theme = AppTheme::instance();
    const float rowHeight = deleteIconSize;
    const std::string value = TagInspector::shownValue(entry);
    const bool flagged = !entry.stale && !entry.problem.empty();
    // Dimmed when stale: the last good value, not the controller's present one.
    const ImVec4 color = toImVec4(entry.stale ? theme.secondaryTextColor() : theme.textColor());
    const bool cut = cellText(flagged ? value + " (" + entry.problem + ")" : value,
                              flagged ? toImVec4(theme.warningColor()) : color, rowHeight);
    if (ImGui::IsItemHovered()) {
        const std::string age = readAge(entry.readTime, now);
        const std::string whole = cut ? value + "\n" : std::string();
        if (entry.stale || flagged) {
            ImGui::SetTooltip("%s%s%s; %s", whole.c_str(), entry.stale ? "Stale: " : "", entry.problem.c_str(),
                              age.c_str());
        } else {
            ImGui::SetTooltip("%s%s", whole.c_str(), age.c_str());
        }
    }
    return cut;
}

void InspectorView::drawRow(std::size_t index, std::int64_t now) {
    const AppTheme& theme = AppTheme::instance();
    const TagInspector::Entry& entry = inspector->entries()[index];
    const float rowHeight = deleteIconSize;
    RowGeometry geometry;
    geometry.index = index;
    ImGui::TableNextRow(ImGuiTableRowFlags_None, rowHeight);
    ImGui::PushID(entry.name.c_str());

    ImGui::TableSetColumnIndex(0);
    const ImVec2 cell = ImGui::GetCursorScreenPos();
    ImGui::SetNextItemSelectionUserData(static_cast<ImGuiSelectionUserData>(index));
    ImGui::Selectable("##row", selected.contains(entry.name),
                      ImGuiSelectableFlags_SpanAllColumns | ImGuiSelectableFlags_AllowOverlap, ImVec2(0.0f, rowHeight));
    geometry.row = lastItemRect();
    if (ImGui::IsItemClicked(ImGuiMouseButton_Right)) {
        openMenu = true;
    }
    if (ImGui::BeginDragDropSource()) {
        ImGui::SetDragDropPayload(rowPayload, &index, sizeof index);
        ImGui::TextUnformatted(entry.name.c_str());
        ImGui::EndDragDropSource();
    }
    if (ImGui::BeginDragDropTarget()) {
        if (const ImGuiPayload* payload = ImGui::AcceptDragDropPayload(rowPayload)) {
            std::size_t from = 0;
            std::memcpy(&from, payload->Data, sizeof from);
            move = {from, index};
            moveDropped = true;
        }
        ImGui::EndDragDropTarget();
    }
    ImGui::SetCursorScreenPos(cell);
    const ImVec4 text = toImVec4(theme.textColor());
    if (cellText(entry.name, text, rowHeight) && ImGui::IsItemHovered()) {
        ImGui::SetTooltip("%s", entry.name.c_str());
    }

    ImGui::TableSetColumnIndex(1);
    if (cellText(entry.typeName, text, rowHeight) && ImGui::IsItemHovered()) {
        ImGui::SetTooltip("%s", entry.typeName.c_str());
    }

    ImGui::TableSetColumnIndex(2);
    geometry.valueCut = drawValue(entry, now);
    geometry.value = lastItemRect();

    ImGui::TableSetColumnIndex(3);
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(0.0f, 0.0f));
    ImGui::PushStyleColor(ImGuiCol_Button, ImVec4(0.0f, 0.0f, 0.0f, 0.0f));
    ImGui::PushStyleColor(ImGuiCol_ButtonHovered, ImVec4(1.0f, 1.0f, 1.0f, 0.15f));
    ImGui::PushStyleColor(ImGuiCol_ButtonActive, ImVec4(1.0f, 1.0f, 1.0f, 0.25f));
    const ImVec2 buttonSize(deleteIconSize, deleteIconSize);
    // Without its icon (a pack lacking it) the button still works, as a cross.
    const bool pressed = removeIcon != nullptr
                             ? ImGui::ImageButton("##delete", zolt::ui::toImTextureRef(removeIcon), buttonSize,
                                                  ImVec2(0.0f, 0.0f), ImVec2(1.0f, 1.0f),
                                                  ImVec4(0.0f, 0.0f, 0.0f, 0.0f), ImVec4(1.0f, 1.0f, 1.0f, 1.0f))
                             : ImGui::Button("x##delete", buttonSize);
    geometry.remove = lastItemRect();
    if (pressed) {
        removed.push_back(index);
    }
    ImGui::PopStyleColor(3);
    ImGui::PopStyleVar();
    ImGui::PopID();
    rows.push_back(geometry);
}

void InspectorView::applySort() {
    ImGuiTableSortSpecs* specs = ImGui::TableGetSortSpecs();
    if (clearSort) {
        // A moved or added row leaves the order the arrow would claim.
        clearSort = false;
        if (specs != nullptr && specs->SpecsCount > 0) {
            ImGui::TableSetColumnSortDirection(specs->Specs[0].ColumnIndex, ImGuiSortDirection_None, false);
        }
        return;
    }
    if (specs == nullptr || !specs->SpecsDirty) {
        return;
    }
    specs->SpecsDirty = false;
    if (specs->SpecsCount > 0) {
        static constexpr TagInspector::SortKey keys[] = {TagInspector::SortKey::Name, TagInspector::SortKey::Type,
                                                         TagInspector::SortKey::Value};
        const ImGuiTableColumnSortSpecs& spec = specs->Specs[0];
        inspector->sortBy(keys[std::min<int>(spec.ColumnIndex, 2)],
                          spec.SortDirection == ImGuiSortDirection_Descending);
    }
}

void InspectorView::drawTable() {
    const std::vector<TagInspector::Entry>& entries = inspector->entries();
    if (!ImGui::BeginTable("Variables", columnCount, tableFlags, ImVec2(0.0f, ImGui::GetContentRegionAvail().y))) {
        return;
    }
    float digitWidth = 0.0f;
    for (const char* digit : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}) {
        digitWidth = std::max(digitWidth, ImGui::CalcTextSize(digit).x);
    }
    const float valueWidth = digitWidth * widestDecimalDigits + 2.0f * ImGui::GetStyle().CellPadding.x;
    ImGui::TableSetupScrollFreeze(0, 1);
    ImGui::TableSetupColumn("Name", ImGuiTableColumnFlags_WidthStretch, 1.0f);
    ImGui::TableSetupColumn("Type", ImGuiTableColumnFlags_WidthFixed, 96.0f);
    ImGui::TableSetupColumn("Value", ImGuiTableColumnFlags_WidthFixed, valueWidth);
    ImGui::TableSetupColumn("", ImGuiTableColumnFlags_WidthFixed | ImGuiTableColumnFlags_NoSort |
                                     ImGuiTableColumnFlags_NoResize, 24.0f);
    ImGui::TableNextRow(ImGuiTableRowFlags_Headers);
    for (int column = 0; column < columnCount; ++column) {
        ImGui::TableSetColumnIndex(column);
        ImGui::TableHeader(ImGui::TableGetColumnName(column));
        note(ImGui::TableGetColumnName(column));
    }
    applySort();

    ImGuiMultiSelectIO* io = ImGui::BeginMultiSelect(ImGuiMultiSelectFlags_ClearOnEscape |
                                                         ImGuiMultiSelectFlags_ClearOnClickVoid,
                                                     static_cast<int>(selected.size()), static_cast<int>(entries.size()));
    ImGuiSelectionExternalStorage storage;
    storage.UserData = this;
    storage.AdapterSetItemSelected = [](ImGuiSelectionExternalStorage* self, int index, bool on) {
        auto* view = static_cast<InspectorView*>(self->UserData);
        const std::string& name = view->inspector->entries()[static_cast<std::size_t>(index)].name;
        on ? static_cast<void>(view->selected.insert(name)) : static_cast<void>(view->selected.erase(name));
    };
    storage.ApplyRequests(io);

    const std::int64_t now = inspector->now();
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(entries.size()), deleteIconSize + ImGui::GetStyle().CellPadding.y * 2.0f);
    if (io->RangeSrcItem != -1) {
        clipper.IncludeItemByIndex(static_cast<int>(io->RangeSrcItem));
    }
    while (clipper.Step()) {
        for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i) {
            drawRow(static_cast<std::size_t>(i), now);
        }
    }
    io = ImGui::EndMultiSelect();
    storage.ApplyRequests(io);
    ImGui::EndTable();
}

void InspectorView::buildImGui() {
    rows.clear();
    items.clear();
    removed.clear();
    moveDropped = false;
    openMenu = false;
    const std::vector<TagInspector::Entry>& entries = inspector->entries();
    if (entries.size() != seenRows) {
        // Rows that went (here, in the tree, by a reconnect) are no longer selected.
        std::erase_if(selected, [&entries](const std::string& name) {
            return std::none_of(entries.begin(), entries.end(),
                                [&name](const TagInspector::Entry& entry) { return entry.name == name; });
        });
        clearSort = clearSort || entries.size() > seenRows;
    }

    handleShortcuts();
    if (ImGui::SmallButton("Open watch list...")) {
        dialog.show(WatchListDialog::Mode::Open);
    }
    note("Open watch list...");
    ImGui::SameLine();
    if (ImGui::SmallButton("Save watch list...")) {
        dialog.show(WatchListDialog::Mode::Save);
    }
    note("Save watch list...");
    drawTable();

    if (moveDropped) {
        inspector->moveTag(move.first, move.second);
        clearSort = true;
    }
    if (!removed.empty()) {
        inspector->removeTag(entries[removed.front()].name.c_str());
    }
    if (openMenu) {
        ImGui::OpenPopup("Rows");
    }
    // The menu and the dialog are opaque, with room around their items.
    ImGui::PushStyleColor(ImGuiCol_PopupBg, toImVec4(AppTheme::instance().surfaceColor()));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(8.0f, 6.0f));
    drawMenu();
    dialog.draw();
    ImGui::PopStyleVar();
    ImGui::PopStyleColor();
    seenRows = inspector->entries().size();
}
