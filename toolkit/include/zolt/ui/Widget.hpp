#pragma once
// Widget: a node of the retained widget tree.
//
// Children are created with addChild<T>(args...), which constructs T(this, args...), hands
// ownership to this widget and marks the layout dirty; callers keep plain pointers. A
// widget is destroyed with its parent (or removeChild); lifetime() expires then, so work
// that outlives a widget can check whether it is still there.
//
// Geometry: the position is relative to the parent's top-left corner; a Stack or a Button
// overwrites its children's positions when it lays them out. Sizes:
//   - preferred size: the size asked for; a component of 0 means "no preference", and the
//     widget's natural size (text extent, stacked children) is used instead;
//   - min / max size: bounds every layout respects (max FLT_MAX = unbounded; a min of
//     FLT_MAX sets no minimum, so (4, FLT_MAX) as min and max means "4 wide, any height");
//   - actual size: what the last layout gave the widget; resized() runs when it changes.
// A parent that is not a Stack gives each child its preferred-or-natural size clamped to
// the bounds, at the child's own position. Hidden widgets are neither drawn, hit, nor given
// room in a Stack; updates still run for them.
// Rotation (degrees, clockwise on screen) turns the widget's own drawing about its origin
// (relative to its top-left corner); children add their rotation to the parent's world angle.
//
// Frames call update() (every widget, parents first), then lay out, then draw() (visible
// widgets, parents first, so children paint over their parent).

#include "zolt/ui/Types.hpp"

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace zolt::ui {

class Renderer;
class Window;
class WindowContext;

namespace detail {
class WindowAccess;
}

// A mouse event. `position` is in window pixels, `local` relative to the widget that
// receives the event (its unrotated top-left corner).
struct MouseEvent {
    Vec2 position;
    Vec2 local;
    int button = 0;   // MouseButton of presses and releases
    Vec2 wheel;       // wheel steps (x horizontal, y vertical; positive y = away from the user)
    int mods = 0;     // KeyMods held
};

// A key event; `key` is an ImGuiKey value.
struct KeyEvent {
    int key = 0;
    int mods = 0;
    bool repeat = false;
};

class Widget {
public:
    // `parent` must not be null (the window creates the root itself).
    explicit Widget(Widget* parent, const Vec2& position = {}, const Vec2& size = {});

    // ---- virtual operations, in this order ----
    // The actual size changed (also on the first layout). The base does nothing.
    virtual void resized();
    // Input hooks. The bool ones return true when the event was handled; false passes it on
    // to the parent. The base implementations handle nothing.
    virtual void onMouseEnter(const MouseEvent& event);
    virtual void onMouseLeave(const MouseEvent& event);
    virtual bool onMouseMove(const MouseEvent& event);
    virtual bool onMouseButtonDown(const MouseEvent& event);
    virtual bool onMouseButtonUp(const MouseEvent& event);
    virtual bool onMouseWheel(const MouseEvent& event);
    virtual bool onKeyDown(const KeyEvent& event);
    virtual bool onKeyUp(const KeyEvent& event);
    virtual bool onTextInput(unsigned int codepoint);
    virtual void onFocusGained();
    virtual void onFocusLost();
    // Whether a press on this widget (or a child that does not take focus) focuses it.
    virtual bool acceptsFocus() const;
    // Whether an event at `event.position` may go on to `child` (true in the base; a
    // ScrollView refuses points outside its viewport).
    virtual bool shouldDispatchMouseMoveToChild(const Widget& child, const MouseEvent& event) const;
    virtual bool shouldDispatchMouseWheelToChild(const Widget& child, const MouseEvent& event) const;
    virtual bool shouldDispatchMouseButtonDownToChild(const Widget& child, const MouseEvent& event) const;
    virtual bool shouldDispatchMouseButtonUpToChild(const Widget& child, const MouseEvent& event) const;
    // Draws the widget, then (base) its visible children with the same arguments.
    // `z` is the depth given to primitives of this pass; `opacity` (0..1) scales the alpha
    // of everything drawn. The window draws its root with (0, 1).
    virtual void draw(Renderer& renderer, float z, float opacity);
    // Once per frame before layout; the base updates every child.
    virtual void update();
    virtual ~Widget();
    // Whether a point in window pixels lies inside the widget (rotation included).
    virtual bool contains(const Vec2& point) const;

    Widget(const Widget&) = delete;
    Widget& operator=(const Widget&) = delete;

    // ---- tree ----
    template <class T, class... Args>
    T* addChild(Args&&... args) {
        auto child = std::make_unique<T>(this, std::forward<Args>(args)...);
        T* raw = child.get();
        adopt(std::move(child));
        return raw;
    }
    // Destroys a child and its subtree at once. Not from inside that child's own handlers.
    void removeChild(Widget* child);
    Widget* getParent() const { return parent_; }
    std::size_t getChildCount() const { return children_.size(); }
    Widget* getChild(std::size_t index) const { return children_.at(index).get(); }
    Window* getWindow() const { return window_; }
    WindowContext& getWindowContext() const;

    // ---- geometry ----
    void setPosition(const Vec2& position);
    Vec2 getPosition() const { return position_; }
    void setPreferredSize(const Vec2& size);
    Vec2 getPreferredSize() const { return preferredSize_; }
    void setMinSize(const Vec2& size);
    Vec2 getMinSize() const { return minSize_; }
    void setMaxSize(const Vec2& size);
    Vec2 getMaxSize() const { return maxSize_; }
    Vec2 getActualSize() const { return actualSize_; }
    void setVisible(bool visible);
    bool isVisible() const { return visible_; }
    // Visible, and every ancestor visible too.
    bool isEffectivelyVisible() const;
    void setRotation(float degrees);
    float getRotation() const { return rotation_; }
    void setOrigin(const Vec2& origin);
    Vec2 getOrigin() const { return origin_; }
    // Top-left corner in window pixels.
    Vec2 getWorldPosition() const;
    // Sum of this widget's and its ancestors' rotations, in degrees.
    float getWorldAngle() const;
    // The size the widget would take: preferred, or natural where a component is 0,
    // clamped to the bounds.
    Vec2 getDesiredSize() const;
    // The part of the widget not cut away by clipping ancestors (ScrollViews), in window
    // pixels: x, y = min corner, z, w = max corner (empty: max <= min).
    Vec4 getVisibleRect() const;

    // A token that expires when this widget is destroyed.
    std::weak_ptr<void> lifetime() const { return lifetimeToken_; }

    // Asks for a new layout of the window before the next draw.
    void markLayoutDirty() const;

protected:
    // The size of the content when no preferred size is set (base: 0 x 0).
    virtual Vec2 naturalSize() const;
    // Positions and sizes the children (base: each child at its own position with its
    // desired size). Runs during layout, after this widget's own size is final.
    virtual void layoutChildren();

    // Gives a child its rectangle; calls the child's resized() when its size changed.
    static void placeChild(Widget& child, const Vec2& position, const Vec2& size);
    // Offset added to every child's position (a ScrollView's scroll).
    void setContentOffset(const Vec2& offset);
    Vec2 getContentOffset() const { return contentOffset_; }
    // Children are visible only inside this widget's rectangle.
    void setClipsChildren(bool clips) { clipsChildren_ = clips; }

private:
    friend class Window;
    friend class detail::WindowAccess;
    struct RootTag {};
    Widget(RootTag, Window* window);
    void adopt(std::unique_ptr<Widget> child);
    // Layout of the subtree below this widget.
    void layoutTree();

    std::shared_ptr<char> lifetimeToken_;
    Widget* parent_ = nullptr;
    Window* window_ = nullptr;
    std::vector<std::unique_ptr<Widget>> children_;
    Vec2 position_;
    Vec2 preferredSize_;
    Vec2 minSize_;
    Vec2 maxSize_{kUnbounded, kUnbounded};
    Vec2 actualSize_;
    Vec2 origin_;
    Vec2 contentOffset_;
    float rotation_ = 0.0f;
    bool visible_ = true;
    bool clipsChildren_ = false;
    bool sized_ = false; // resized() has run at least once
};

} // namespace zolt::ui
