#pragma once

// The left pane: the controller's tags as a tree. On every new connection (but not a
// reconnect to the same controller after a loss: AppState::tagEpoch) it empties the
// inspector (or, when another controller answered a reconnect, keeps the watched paths
// that controller has) and loads the controller-scope list on the pool worker behind a spinner,
// then shows one row per tag and per program (program rows fill as their own loads
// finish). A filter box above the rows narrows them by text, a bounded share of the rows
// each frame, with a hint while it runs, and opens the rows that lead to a match. Beside
// it, Reload reads the list again on the same connection, keeping the rows that were open.
// A listing that fails shows no rows, its reason and a Retry button: never the rows of an
// earlier controller. A communication module reached without a route path says that one
// is probably needed.
//
// The rows scroll inside the panel (with a scroll bar). One row is selected: a click
// selects it, and while the tree has the keyboard focus Up/Down, Home/End and Page
// Up/Down move the selection (keeping it in view), Right opens the row or goes to its
// first child, Left closes it or goes to its parent, Enter or Space does what a click
// does, and Ctrl+F or a typed character moves to the filter box (with the character).

#include "TagList.hpp"
#include "Views/TreeFilter.hpp"

#include <zolt/ui/Widget.hpp>

#include "Views/TreeItem.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace zolt::ui {
class ImGuiPanel;
class Stack;
} // namespace zolt::ui

class AppState;
class TagInspector;

class TreeView : public zolt::ui::Widget {
public:
    explicit TreeView(zolt::ui::Widget* parent);
    ~TreeView() override;

    void update() override;
    void resized() override;

    // Read access for tests and tools.
    const std::vector<std::unique_ptr<TreeItem>>& getItems() const { return items; }
    bool isLoading() const { return loading; }
    const std::string& getFilterText() const { return filterText; }
    // Why the last listing failed, as the tree shows it; empty when it did not.
    const std::string& getLoadFailure() const { return loadFailure; }
    const TreeFilter& getFilter() const { return filter; }
    // Loads the list again (the Retry button).
    void retry();
    // Whether Reload can run: connected, and no listing under way.
    bool canReload() const;
    // Reads the list again on the same connection (the Reload button): the rows open now
    // open again where the same paths exist, the selection too, and the watch list keeps
    // the tags the new list has.
    void reload();
    // The selected row, or null.
    TreeItem* getSelected() const;
    // Selects the row (null: none) and scrolls it into view in the next frames.
    void select(TreeItem* row);
    // The rows' scroll position and extent, in pixels, as of the last frame; a new
    // position applies in the next.
    float getScrollY() const { return scrollY; }
    float getScrollMaxY() const { return scrollMaxY; }
    void setScrollY(float y) { scrollRequest = y; }
    zolt::ui::Stack* getSpinnerStack() const { return spinnerStack; }
    zolt::ui::ImGuiPanel* getTreePanel() const { return treePanel; }
    zolt::ui::ImGuiPanel* getFilterPanel() const { return filterPanel; }

private:
    struct Loaded; // what the background listing hands over
    // Loads the controller-scope list on the worker; the rows follow on the UI thread.
    // `watched`: paths of the watch list to look up on the new list (another controller
    // answered a reconnect); those it lacks leave the list.
    void load(std::vector<std::string> watched = {});
    // UI thread: the new list replaces the rows, which are made over the next frames
    // (a bounded share a frame: TreeItem::takeRowBudget) behind the spinner.
    void adoptList(TagList list);
    void buildRows();
    // Drops the rows (and the list they point into).
    void clearRows();
    void startFilter();
    void buildFailure();
    void buildImGui();
    void buildRowsPane();
    void buildFilter();
    // The tree's keys (its panel has the focus), before the rows are drawn.
    void handleKeys();
    void handleClick();
    // Keeps the selected row in view, after the rows are drawn.
    void scrollToSelected(float rowsTop);
    // Opens the row again when it was open before a reload (and selects it when it was).
    void restoreRow(TreeItem& row);
    void rememberOpenRows(const TreeItem& row);
    // The paths of the watch list, to look up on a new list.
    std::vector<std::string> watchedPaths() const;

    AppState* appState;
    TagInspector* inspector;
    zolt::ui::Stack* spinnerStack = nullptr;
    zolt::ui::ImGuiPanel* treePanel = nullptr;
    zolt::ui::ImGuiPanel* filterPanel = nullptr;
    RowOffsets offsets;
    TreeItem* selected = nullptr;
    std::weak_ptr<int> selectedAlive;
    bool scrollSelected = false;
    float scrollY = 0.0f;
    float scrollMaxY = 0.0f;
    float scrollRequest = -1.0f;
    // Ctrl+F or a typed character: the filter box takes the focus, then the characters.
    bool filterFocusWanted = false;
    bool focusFilter = false;
    bool selectFilterText = false;
    std::string typedAhead;
    // Before a reload: the keys of the open rows and of the selected one.
    std::unordered_set<std::string> reopenKeys;
    std::string reselectKey;
    std::vector<DatablockItem*> restoring; // programs whose rows are still to restore
    std::string filterText;
    std::string appliedFilter;
    std::uint64_t loadedEpoch = 0;
    std::string loadFailure;
    TreeFilter filter;
    bool programsWereLoading = false;
    std::uint64_t filteredBuilds = 0;
    TagList tagList;
    std::vector<std::unique_ptr<TreeItem>> items;
    std::vector<DatablockItem*> programs; // the program rows among items
    std::size_t builtRecords = 0;         // records of tagList made rows so far
    bool building = false;
    bool loading = false;                 // listing or building
};
