#include "Views/TreeItem.hpp"

#include "AppTheme.hpp"

#include <zolt/ui/Application.hpp>
#include <zolt/ui/ImGuiPanel.hpp>

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <utility>

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

void endSkippedRows() {
    if (ImGui::GetCurrentWindow()->DC.IsSetPos) {
        // ImGui wants an item after a cursor move that extends the content: a zero-size
        // one placed so that, with the item spacing it adds, the cursor ends where the
        // skipped rows would have left it.
        ImGui::SetCursorPosY(ImGui::GetCursorPosY() - ImGui::GetStyle().ItemSpacing.y);
        ImGui::Dummy(ImVec2(0.0f, 0.0f));
    }
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

void TreeItem::setVisible(bool value) {
    if (visible != value) {
        visible = value;
        if (parent == nullptr || parent->openToTheTop()) {
            ++layoutVersionCount;
        }
    }
}

void TreeItem::setOpen(bool value) {
    if (value) {
        prepareChildren();
    }
    if (open != value) {
        open = value;
        if (parent == nullptr || parent->openToTheTop()) {
            ++layoutVersionCount;
        }
    }
}

bool TreeItem::openToTheTop() const {
    for (const TreeItem* row = this; row != nullptr; row = row->parent) {
        if (!row->open) {
            return false;
        }
    }
    return true;
}

void TreeItem::noteChildrenChanged() const {
    if (openToTheTop()) {
        ++layoutVersionCount;
    }
}

TreeItem* TreeItem::takeClickedRow() {
    return std::exchange(clickedRow, nullptr);
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

void TreeItem::onRowDrawn(bool) {}

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
    // The whole width of the row reacts: its band shows the selection and the hover.
    const float right = start.x + ImGui::GetContentRegionAvail().x;
    const float lineHeight = ImGui::GetTextLineHeight();
    const ImVec2 bandMin(ImGui::GetWindowPos().x, start.y);
    const ImVec2 bandMax(right, start.y + std::max(lineHeight, iconSize));
    const bool bandHovered = ImGui::IsWindowHovered() && ImGui::IsMouseHoveringRect(bandMin, bandMax);
    ImDrawList* drawList = ImGui::GetWindowDrawList();
    if (selected || bandHovered) {
        drawList->AddRectFilled(bandMin, bandMax,
                                ImGui::GetColorU32(selected ? ImGuiCol_Header : ImGuiCol_HeaderHovered, selected ? 1.0f : 0.3f));
    }

    // The row's open state is its own (the keyboard and the filter change it too). ImGui
    // calls a leaf open: it needs its TreePop, but nothing opens.
    ImGui::SetNextItemOpen(open, ImGuiCond_Always);
    const bool nodeOpen = ImGui::TreeNodeEx(nodeId.c_str(), treeNodeFlags);
    if (nodeOpen != open && canOpen()) {
        setOpen(nodeOpen);
    }
    ImGui::SameLine(0.0f, -1.0f);
    const float gap = ImGui::GetStyle().ItemInnerSpacing.x;
    const ImVec2 pos = ImGui::GetCursorScreenPos();
    const char* labelBegin = label.data();
    const char* labelEnd = label.data() + label.size();

    const std::string hitId = prefixed("##hit_", key);
    if (ImGui::InvisibleButton(hitId.c_str(), ImVec2(std::max(right - pos.x, iconSize), iconSize))) {
        clickedRow = this;
    }
    const bool hovered = ImGui::IsItemHovered();
    const ImVec2 hitMin = ImGui::GetItemRectMin();
    const ImVec2 hitMax = ImGui::GetItemRectMax();
    geometry.hitRect = zolt::ui::Vec4{hitMin.x, hitMin.y, hitMax.x, hitMax.y};

    if (icon != nullptr) {
        drawList->AddImage(zolt::ui::toImTextureRef(icon), pos, ImVec2(pos.x + iconSize, pos.y + iconSize),
                           ImVec2(0.0f, 0.0f), ImVec2(1.0f, 1.0f), IM_COL32_WHITE);
    }
    const zolt::ui::Color textColor = hovered ? theme.textHoverColor() : theme.textColor();
    drawList->AddText(ImVec2(pos.x + iconSize + gap, pos.y + (iconSize - lineHeight) / 2.0f), packColor(textColor),
                      labelBegin, labelEnd);

    onRowDrawn(hovered);
    if (nodeOpen) {
        if (open) {
            prepareChildren();
            drawChildren();
        }
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
    endSkippedRows();
}

void RowOffsets::update(Rows rows, float rowPitch) {
    std::size_t from = 0;
    if (version == TreeItem::layoutVersion() && pitch == rowPitch && first == rows.data() && !tops.empty() &&
        tops.size() <= rows.size() + 1) {
        from = tops.size() - 1; // only rows added at the end since: a list being built
    } else {
        version = TreeItem::layoutVersion();
        pitch = rowPitch;
        first = rows.data();
        tops.assign(1, 0.0);
    }
    double y = tops.back(); // summed exactly: a float would drift over 150 000 rows
    tops.resize(rows.size() + 1);
    for (std::size_t i = from; i < rows.size(); ++i) {
        tops[i] = y;
        y += static_cast<double>(rows[i]->subtreeHeight(pitch));
    }
    tops[rows.size()] = y;
}

void RowOffsets::extend(Rows rows) {
    if (pitch > 0.0f) {
        update(rows, pitch);
    }
}

void RowOffsets::draw(Rows rows) {
    update(rows, TreeItem::rowPitch());
    const float startY = ImGui::GetCursorPosY();
    const float screenY = ImGui::GetCursorScreenPos().y;
    const ImDrawList* clip = ImGui::GetWindowDrawList();
    const double clipTop = clip->GetClipRectMin().y - screenY;
    const double clipBottom = clip->GetClipRectMax().y - screenY;
    // The last row starting at or above the clip's top, then those that start above its bottom.
    const auto firstAfter = std::upper_bound(tops.begin(), tops.end() - 1, clipTop);
    std::size_t i = static_cast<std::size_t>(std::max<std::ptrdiff_t>(firstAfter - tops.begin() - 1, 0));
    if (i < rows.size() && tops[i] > 0.0) {
        ImGui::SetCursorPosY(startY + static_cast<float>(tops[i]));
    }
    for (; i < rows.size() && tops[i] < clipBottom; ++i) {
        rows[i]->draw();
    }
    ImGui::SetCursorPosY(startY + static_cast<float>(tops.back()));
    endSkippedRows();
}
