#pragma once
// Input routing of one window: from window-system callbacks or injected input to the
// widgets' hooks (hover, capture, focus, bubbling). See Window.hpp for the rules.

#include "zolt/ui/Widget.hpp"

#include <memory>
#include <string_view>
#include <vector>

namespace zolt::ui::detail {

class WindowEvents {
public:
    explicit WindowEvents(Widget& root) : root_(root) {}

    void mouseMove(float x, float y);
    void mouseButton(int button, bool pressed);
    void mouseWheel(float dx, float dy);
    void mouseLeave();
    void key(int imguiKey, bool pressed, int mods, bool repeat);
    void character(unsigned int codepoint);
    void text(std::string_view utf8);
    // The window gained or lost the system's keyboard focus.
    void windowFocus(bool focused);
    // Modifier keys held, as reported with mouse events.
    void setMods(int mods) { mods_ = mods; }

    Vec2 mousePosition() const { return mouse_; }
    bool mouseInside() const { return mouseInside_; }
    Widget* focused() const { return focus_; }
    void setFocus(Widget* widget);
    // A widget is being destroyed: drop every reference to it.
    void forget(const Widget* widget);
    // Sends enter/leave events for the widgets under the pointer now (after layout changes
    // or releases).
    void refreshHover();

private:
    enum class Kind { Move, Wheel, Down, Up };
    struct Entry {
        Widget* widget;
        std::weak_ptr<void> token;
        bool alive() const { return !token.expired(); }
    };
    static Entry entry(Widget* widget) { return Entry{widget, widget->lifetime()}; }
    bool hitPath(Widget& widget, const MouseEvent& event, Kind kind, std::vector<Entry>& path) const;
    std::vector<Entry> pathAt(Kind kind) const;
    MouseEvent eventFor(const Widget& widget) const;
    void updateHover(const std::vector<Entry>& path);
    // Calls `hook` on the widgets from the deepest up until one returns true; returns it.
    template <class Hook>
    Widget* bubble(const std::vector<Entry>& path, Hook hook);

    Widget& root_;
    Vec2 mouse_{-1.0f, -1.0f};
    bool mouseInside_ = false;
    int mods_ = 0;
    int buttons_ = 0;
    std::vector<Entry> hovered_; // root first
    Widget* capture_ = nullptr;
    std::weak_ptr<void> captureToken_;
    Widget* focus_ = nullptr;
    std::weak_ptr<void> focusToken_;
};

} // namespace zolt::ui::detail
