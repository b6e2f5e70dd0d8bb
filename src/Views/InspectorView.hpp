#pragma once

// The right-hand pane: the watched tags as a table of name, type and value, each row with
// a button that stops watching the tag. Draws TagInspector's list every frame: a stale
// value dimmed, with its reason and age on hover.

#include <zolt/ui/Texture.hpp>
#include <zolt/ui/Types.hpp>
#include <zolt/ui/Widget.hpp>

#include <cstdint>
#include <vector>

namespace zolt::ui {
class ImGuiPanel;
class ScrollView;
} // namespace zolt::ui

#include "TagInspector.hpp"

class InspectorView : public zolt::ui::Widget {
public:
    explicit InspectorView(zolt::ui::Widget* parent);
    ~InspectorView() override;

    void resized() override;
    void update() override;

    zolt::ui::ImGuiPanel* getPanel() const { return panel; }
    zolt::ui::ScrollView* getScrollView() const { return scrollView; }
    // Where each row's delete button was drawn in the last frame, in panel pixels
    // (x, y = min corner, z, w = max corner), in row order.
    const std::vector<zolt::ui::Vec4>& deleteButtonRects() const { return deleteButtons; }

private:
    void buildImGui();
    void drawValue(const TagInspector::Entry& entry, std::int64_t now) const;

    TagInspector* inspector;
    zolt::ui::ImGuiPanel* panel = nullptr;
    zolt::ui::ScrollView* scrollView = nullptr;
    const zolt::ui::Texture* removeIcon = nullptr;
    std::vector<zolt::ui::Vec4> deleteButtons;
};
