#pragma once

// The application's single window: the top bar across the top and, below it, the tag
// tree on the left, a thin separator and the tag inspector on the right; the device
// finder the bar's Find button opens lies over them, below the address. The root layout
// follows the window's size every frame.

namespace zolt::ui {
class Stack;
class Window;
} // namespace zolt::ui

class DeviceFinderView;
class TopBarView;
class TreeView;

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
    DeviceFinderView* getDeviceFinder() const { return deviceFinder; }

private:
    zolt::ui::Window* window = nullptr;
    zolt::ui::Stack* rootStack = nullptr;
    TopBarView* topBar = nullptr;
    TreeView* treeView = nullptr;
    DeviceFinderView* deviceFinder = nullptr;
};
