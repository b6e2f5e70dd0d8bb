#pragma once

// The left pane: the controller's tags as a tree. On every new connection (but not a
// reconnect to the same controller after a loss: AppState::tagEpoch) it empties the
// inspector (or, when another controller answered a reconnect, keeps the watched paths
// that controller has) and loads the controller-scope list on the pool worker behind a spinner,
// then shows one row per tag and per program (program rows fill as their own loads
// finish). A filter box above the rows narrows them by text, a bounded share of the rows
// each frame, with a hint while it runs. A listing that fails shows no rows, its reason
// and a Retry button: never the rows of an earlier controller. A communication module
// reached without a route path says that one is probably needed.

#include "TagList.hpp"
#include "Views/TreeFilter.hpp"

#include <zolt/ui/Widget.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zolt::ui {
class ImGuiPanel;
class ScrollView;
class Stack;
} // namespace zolt::ui

class AppState;
class TagInspector;
class DatablockItem;
class TreeItem;

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
    zolt::ui::Stack* getSpinnerStack() const { return spinnerStack; }
    zolt::ui::ImGuiPanel* getTreePanel() const { return treePanel; }
    zolt::ui::ScrollView* getScrollView() const { return scrollView; }
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
    void buildFilter();

    AppState* appState;
    TagInspector* inspector;
    zolt::ui::Stack* spinnerStack = nullptr;
    zolt::ui::ImGuiPanel* treePanel = nullptr;
    zolt::ui::ScrollView* scrollView = nullptr;
    zolt::ui::ImGuiPanel* filterPanel = nullptr;
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
