#pragma once

// The left pane: the controller's tags as a tree. On every new connection it empties the
// inspector and loads the controller-scope list on the pool worker behind a spinner,
// then shows one row per tag and per program (program rows fill as their own loads
// finish). A filter box above the rows narrows them by text. It also drives the
// inspector's per-frame update.

#include "Views/TagList.hpp"

#include <zolt/ui/Widget.hpp>

#include <atomic>
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
class ThreadPool;
class TreeItem;

class TreeView : public zolt::ui::Widget {
public:
    explicit TreeView(zolt::ui::Widget* parent);
    ~TreeView() override;

    void update() override;
    void resized() override;

    // Read access for tests and tools.
    const std::vector<std::unique_ptr<TreeItem>>& getItems() const { return items; }
    bool isLoading() const { return loading->load(); }
    const std::string& getFilterText() const { return filterText; }
    zolt::ui::Stack* getSpinnerStack() const { return spinnerStack; }
    zolt::ui::ImGuiPanel* getTreePanel() const { return treePanel; }
    zolt::ui::ScrollView* getScrollView() const { return scrollView; }
    zolt::ui::ImGuiPanel* getFilterPanel() const { return filterPanel; }

private:
    // Shared with the load task, so the task never touches a view that may be gone.
    using LoadingFlag = std::shared_ptr<std::atomic<bool>>;

    // Pool worker: loads the controller-scope list and hands it to the UI thread.
    static void loadData(TreeView* view, std::weak_ptr<void> viewLifetime, LoadingFlag loading);
    // UI thread: the new list replaces the rows.
    void adoptList(TagList list);
    void buildImGui();
    void buildFilter();

    AppState* appState;
    ThreadPool* pool;
    TagInspector* inspector;
    zolt::ui::Stack* spinnerStack = nullptr;
    zolt::ui::ImGuiPanel* treePanel = nullptr;
    zolt::ui::ScrollView* scrollView = nullptr;
    zolt::ui::ImGuiPanel* filterPanel = nullptr;
    std::string filterText;
    std::string appliedFilter;
    bool wasConnected = false;
    TagList tagList;
    std::vector<std::unique_ptr<TreeItem>> items;
    LoadingFlag loading;
};
