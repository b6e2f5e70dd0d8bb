#pragma once

// The application's single window: the top bar across the top and, below it, the tag
// tree on the left, a thin separator and the tag inspector on the right; under them the
// trend pane and the log pane across the whole width (the status line's boxes show and
// hide them; both hidden at first), and the status line along the
// bottom. The device finder the bar's Find button opens lies over them, below the
// address. The root layout follows the window's size every frame; the bottom panes take
// a share of its height within bounds, so that the tree and inspector keep the rest.

namespace zolt::ui {
class Stack;
class Window;
} // namespace zolt::ui

class DeviceFinderView;
class InspectorView;
class LogView;
class StatusLineView;
class TopBarView;
class TreeView;
class TrendView;

class MainWindow {
public:
    static constexpr int width = 1200;
    static constexpr int height = 800;
    // Half of a 1920-pixel screen fits; the top bar stays usable down to this width.
    static constexpr int minWidth = 800;
    static constexpr int minHeight = 500;

    // Opens the window and builds its widgets; needs an Application.
    MainWindow();
    // Stops the per-frame tick; the window and its widgets belong to the Application.
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Every frame: the root layout takes the window's size, the top bar its width.
    void tick();

    zolt::ui::Window* getWindow() const { return window; }
    zolt::ui::Stack* getRootStack() const { return rootStack; }
    TopBarView* getTopBar() const { return topBar; }
    TreeView* getTreeView() const { return treeView; }
    InspectorView* getInspectorView() const { return inspectorView; }
    TrendView* getTrendView() const { return trendView; }
    LogView* getLogView() const { return logView; }
    StatusLineView* getStatusLine() const { return statusLine; }
    DeviceFinderView* getDeviceFinder() const { return deviceFinder; }

private:
    zolt::ui::Window* window = nullptr;
    zolt::ui::Stack* rootStack = nullptr;
    TopBarView* topBar = nullptr;
    TreeView* treeView = nullptr;
    InspectorView* inspectorView = nullptr;
    TrendView* trendView = nullptr;
    LogView* logView = nullptr;
    StatusLineView* statusLine = nullptr;
    DeviceFinderView* deviceFinder = nullptr;
};
