#include "Views/TreeItem.hpp"

#include "AppTheme.hpp"

#include <zolt/ui/Application.hpp>
#include <zolt/ui/ImGuiPanel.hpp>

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>

namespace {

// The icon and the hit area of a row are this many pixels high (and the icon as wide).
constexpr float iconSize = 20.0f;

// Rows made from records in one frame: about 6 ms of a loaded machine's processor.
constexpr std::size_t rowsPerFrame = 4000;

ImU32 packColor(zolt::ui::Color color) {
    return IM_COL32(color.r, color.g, color.b, color.a);
}

std::string prefixed(std::string_view prefix, std::string_view key) {
    std::string text;
    text.reserve(prefix.size() + key.size());
    text.append(prefix).append(key);
    return text;
}

} // namespace

TreeItem::TreeItem() = default;

TreeItem::~TreeItem() = default;

std::weak_ptr<int> TreeItem::lifetime() {
    if (!lifetimeToken) {
        lifetimeToken = std::make_shared<int>(0);
    }
    return lifetimeToken;
}

bool TreeItem::takeRowBudget(std::size_t rows) {
    const zolt::ui::Application* app = zolt::ui::Application::instance();
    const std::uint64_t frame = app != nullptr ? app->getFrameCount() : 0;
    if (frame != budgetFrame) {
        budgetFrame = frame;
        rowBudgetLeft = rowsPerFrame;
    }
    if (rows > rowBudgetLeft && rowBudgetLeft < rowsPerFrame) {
        return false;
    }
    rowBudgetLeft -= std::min(rows, rowBudgetLeft);
    return true;
}

bool TreeItem::isLoading() const {
    for (std::size_t i = 0; i < getChildCount(); ++i) {
        if (getChild(i)->isLoading()) {
            return true;
        }
    }
    return loading;
}

float TreeItem::rowPitch() {
    // The tree node (one font line) and the hit area share a line; ImGui truncates the
    // position of the next line to whole pixels.
    return std::floor(std::max(ImGui::GetFontSize(), iconSize) + ImGui::GetStyle().ItemSpacing.y);
}

float TreeItem::subtreeHeight(float pitch) const {
    if (!visible) {
        return 0.0f;
    }
    float height = pitch;
    if (open) {
        for (std::size_t i = 0; i < getChildCount(); ++i) {
            height += getChild(i)->subtreeHeight(pitch);
        }
    }
    return height;
}

bool TreeItem::anyChildVisible() const {
    for (std::size_t i = 0; i < getChildCount(); ++i) {
        if (getChild(i)->isVisible()) {
            return true;
        }
    }
    return false;
}

void TreeItem::onRowDrawn(bool, bool) {}

void TreeItem::prepareChildren() {}

void TreeItem::drawChildren() {
    RowWalk walk;
    for (std::size_t i = 0; i < getChildCount(); ++i) {
        walk.visit(*getChild(i));
    }
    walk.finish();
}

void TreeItem::drawRow(std::string_view key, std::string_view label, const zolt::ui::Texture* icon,
                       ImGuiTreeNodeFlags treeNodeFlags, const AppTheme& theme) {
    if (!visible) {
        return;
    }
    const std::string nodeId = prefixed("##", key);
    const ImVec2 start = ImGui::GetCursorScreenPos();
    const ImDrawList* clip = ImGui::GetWindowDrawList();
    const float pitch = rowPitch();
    if (start.y + pitch <= clip->GetClipRectMin().y || start.y >= clip->GetClipRectMax().y) {
        // The row's own line cannot be seen: keep its place, and draw what of its
        // children can be, under the same ID as an open node would give them.
        ImGui::SetCursorPosY(ImGui::GetCursorPosY() + pitch);
        if (open) {
            ImGui::TreePushOverrideID(ImGui::GetID(nodeId.c_str()));
            drawChildren();
            ImGui::TreePop();
        }
        return;
    }

    geometry.origin = zolt::ui::Vec2{start.x, start.y};
    geometry.frame = ImGui::GetFrameCount();
    open = ImGui::TreeNodeEx(nodeId.c_str(), treeNodeFlags);
    ImGui::SameLine(0.0f, -1.0f);
    const float lineHeight = ImGui::GetTextLineHeight();
    const float gap = ImGui::GetStyle().ItemInnerSpacing.x;
    const ImVec2 pos = ImGui::GetCursorScreenPos();
    const char* labelBegin = label.data();
    const char* labelEnd = label.data() + label.size();
    const float labelWidth = ImGui::CalcTextSize(labelBegin, labelEnd).x;

    const std::string hitId = prefixed("##hit_", key);
    const bool clicked = ImGui::InvisibleButton(hitId.c_str(), ImVec2(iconSize + gap + labelWidth, iconSize));
    const bool hovered = ImGui::IsItemHovered();
    const ImVec2 hitMin = ImGui::GetItemRectMin();
    const ImVec2 hitMax = ImGui::GetItemRectMax();
    geometry.hitRect = zolt::ui::Vec4{hitMin.x, hitMin.y, hitMax.x, hitMax.y};

    ImDrawList* drawList = ImGui::GetWindowDrawList();
    if (icon != nullptr) {
        drawList->AddImage(zolt::ui::toImTextureRef(icon), pos, ImVec2(pos.x + iconSize, pos.y + iconSize),
                           ImVec2(0.0f, 0.0f), ImVec2(1.0f, 1.0f), IM_COL32_WHITE);
    }
    const zolt::ui::Color textColor = hovered ? theme.textHoverColor() : theme.textColor();
    drawList->AddText(ImVec2(pos.x + iconSize + gap, pos.y + (iconSize - lineHeight) / 2.0f), packColor(textColor),
                      labelBegin, labelEnd);

    onRowDrawn(hovered, clicked);
    if (open) {
        prepareChildren();
        drawChildren();
        ImGui::TreePop();
    }
}

TreeItem::RowWalk::RowWalk()
    : pitch(rowPitch()), clipTop(ImGui::GetWindowDrawList()->GetClipRectMin().y),
      clipBottom(ImGui::GetWindowDrawList()->GetClipRectMax().y), y(ImGui::GetCursorScreenPos().y) {}

void TreeItem::RowWalk::visit(TreeItem& row) {
    if (!row.isVisible()) {
        return;
    }
    const float height = row.subtreeHeight(pitch);
    if (y + height <= clipTop || y >= clipBottom) {
        pending += height;
        y += height;
        return;
    }
    flush();
    row.draw();
    y = ImGui::GetCursorScreenPos().y;
}

void TreeItem::RowWalk::flush() {
    if (pending > 0.0f) {
        ImGui::SetCursorPosY(ImGui::GetCursorPosY() + pending);
        pending = 0.0f;
    }
}

void TreeItem::RowWalk::finish() {
    flush();
    if (ImGui::GetCurrentWindow()->DC.IsSetPos) {
        // ImGui wants an item after a cursor move that extends the content: a zero-size
        // one placed so that, with the item spacing it adds, the cursor ends where the
        // skipped rows would have left it.
        ImGui::SetCursorPosY(ImGui::GetCursorPosY() - ImGui::GetStyle().ItemSpacing.y);
        ImGui::Dummy(ImVec2(0.0f, 0.0f));
    }
}
