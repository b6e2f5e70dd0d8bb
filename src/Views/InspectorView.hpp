#pragma once

// The right-hand pane: the watched tags as a table of name, type and value, each row with
// a button that stops watching the tag. Draws TagInspector's list every frame: a stale
// value dimmed, with its reason and age on hover; texts too long for their column end in
// an ellipsis and show whole on hover. The header stays while the rows scroll; a header
// click sorts, a row dragged onto another moves there.
//
// Rows are selected with click, Ctrl+click, Shift+click and Ctrl+A. A right click opens
// the rows' menu (InspectorViewMenu.cpp): copy paths, values or "path = value" lines
// (Ctrl+C) through the window's clipboard, the display format of the selected rows,
// remove them (Delete), and the watch list's Open (Ctrl+O) and Save (Ctrl+S).

#include "Views/WatchListDialog.hpp"

#include <zolt/ui/Texture.hpp>
#include <zolt/ui/Types.hpp>
#include <zolt/ui/Widget.hpp>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace zolt::ui {
class ImGuiPanel;
} // namespace zolt::ui

#include "TagInspector.hpp"

class InspectorView : public zolt::ui::Widget {
public:
    explicit InspectorView(zolt::ui::Widget* parent);
    ~InspectorView() override;

    void resized() override;
    void update() override;

    zolt::ui::ImGuiPanel* getPanel() const { return panel; }
    const WatchListDialog& getDialog() const { return dialog; }

    // Where a drawn row was in the last frame, in panel pixels (x, y = min corner, z, w =
    // max corner): the whole row, its value text and its delete button.
    struct RowGeometry {
        std::size_t index = 0; // in TagInspector's list
        zolt::ui::Vec4 row;
        zolt::ui::Vec4 value;
        zolt::ui::Vec4 remove;
        bool valueCut = false; // the value ended in an ellipsis
    };
    const std::vector<RowGeometry>& drawnRows() const { return rows; }
    // Where the labelled header, menu item or button was drawn in the last frame; a zero
    // rectangle when it was not.
    zolt::ui::Vec4 itemRect(std::string_view label) const;
    // Whether the row of this name is selected.
    bool isSelected(const std::string& name) const { return selected.contains(name); }

private:
    void buildImGui();
    void drawTable();
    void drawRow(std::size_t index, std::int64_t now);
    // Returns whether the text was cut.
    bool drawValue(const TagInspector::Entry& entry, std::int64_t now);
    void applySort();
    void note(std::string_view label);

    // InspectorViewMenu.cpp: the selection's actions.
    void handleShortcuts();
    void drawMenu();
    // A submenu that sets one part of the selected rows' format to one of the choices.
    template <typename T, typename Choices>
    void formatMenu(const char* label, const Choices& choices, T ValueFormat::*part);
    void copySelection(bool paths, bool values);
    void removeSelection();
    template <typename Change>
    void changeFormat(Change change);
    template <typename Test>
    bool allSelected(Test test) const;

    TagInspector* inspector;
    zolt::ui::ImGuiPanel* panel = nullptr;
    const zolt::ui::Texture* removeIcon = nullptr;
    std::unordered_set<std::string> selected;
    std::size_t seenRows = 0; // the list's length in the last frame
    bool openMenu = false;
    bool clearSort = false;
    std::pair<std::size_t, std::size_t> move{0, 0}; // a drop's from and to, applied after the table
    bool moveDropped = false;
    std::vector<std::size_t> removed;
    WatchListDialog dialog;
    std::vector<RowGeometry> rows;
    std::vector<std::pair<std::string, zolt::ui::Vec4>> items;
};
