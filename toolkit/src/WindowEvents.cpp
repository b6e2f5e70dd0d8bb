#include "WindowEvents.hpp"

#include <algorithm>
#include <cstdint>

namespace zolt::ui::detail {

namespace {

bool dispatches(const Widget& parent, const Widget& child, const MouseEvent& event, int kind) {
    switch (kind) {
    case 0: return parent.shouldDispatchMouseMoveToChild(child, event);
    case 1: return parent.shouldDispatchMouseWheelToChild(child, event);
    case 2: return parent.shouldDispatchMouseButtonDownToChild(child, event);
    default: return parent.shouldDispatchMouseButtonUpToChild(child, event);
    }
}

// Decodes one code point; advances `i`. Malformed bytes give U+FFFD.
unsigned int nextCodepoint(std::string_view s, std::size_t& i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned int>(static_cast<unsigned char>(s[k])); };
    unsigned int c = byte(i);
    std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > s.size()) {
        ++i;
        return 0xFFFD;
    }
    unsigned int cp = length == 1 ? c : c & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
        unsigned int next = byte(i + k);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    i += length;
    return cp;
}

} // namespace

bool WindowEvents::hitPath(Widget& widget, const MouseEvent& event, Kind kind,
                           std::vector<Entry>& path) const {
    // Children drawn later lie on top, so they are tried first; a child outside its
    // parent's rectangle can still be hit unless the parent refuses to dispatch to it.
    for (std::size_t i = widget.getChildCount(); i-- > 0;) {
        Widget* child = widget.getChild(i);
        if (!child->isVisible() || !dispatches(widget, *child, event, static_cast<int>(kind))) {
            continue;
        }
        if (hitPath(*child, event, kind, path)) {
            path.push_back(entry(&widget));
            return true;
        }
    }
    if (widget.contains(event.position)) {
        path.push_back(entry(&widget));
        return true;
    }
    return false;
}

std::vector<WindowEvents::Entry> WindowEvents::pathAt(Kind kind) const {
    std::vector<Entry> path;
    if (!mouseInside_) {
        return path;
    }
    MouseEvent event;
    event.position = mouse_;
    event.mods = mods_;
    hitPath(root_, event, kind, path);
    std::reverse(path.begin(), path.end());
    return path;
}

MouseEvent WindowEvents::eventFor(const Widget& widget) const {
    MouseEvent event;
    event.position = mouse_;
    Vec2 origin = widget.getWorldPosition();
    event.local = Vec2{mouse_.x - origin.x, mouse_.y - origin.y};
    event.mods = mods_;
    return event;
}

template <class Hook>
Widget* WindowEvents::bubble(const std::vector<Entry>& path, Hook hook) {
    for (std::size_t i = path.size(); i-- > 0;) {
        if (path[i].alive() && hook(*path[i].widget, eventFor(*path[i].widget))) {
            return path[i].alive() ? path[i].widget : nullptr;
        }
    }
    return nullptr;
}

void WindowEvents::updateHover(const std::vector<Entry>& path) {
    auto contains = [](const std::vector<Entry>& list, const Widget* w) {
        return std::any_of(list.begin(), list.end(), [w](const Entry& e) { return e.widget == w && e.alive(); });
    };
    std::vector<Entry> old = std::move(hovered_);
    hovered_ = path;
    for (std::size_t i = old.size(); i-- > 0;) {
        if (old[i].alive() && !contains(path, old[i].widget)) {
            old[i].widget->onMouseLeave(eventFor(*old[i].widget));
        }
    }
    for (const Entry& e : path) {
        if (e.alive() && !contains(old, e.widget)) {
            e.widget->onMouseEnter(eventFor(*e.widget));
        }
    }
}

void WindowEvents::refreshHover() {
    if (buttons_ == 0) {
        updateHover(pathAt(Kind::Move));
    }
}

void WindowEvents::mouseMove(float x, float y) {
    mouse_ = Vec2{x, y};
    mouseInside_ = true;
    std::vector<Entry> path = pathAt(Kind::Move);
    updateHover(path);
    if (capture_ != nullptr && !captureToken_.expired()) {
        capture_->onMouseMove(eventFor(*capture_));
        return;
    }
    bubble(path, [](Widget& w, const MouseEvent& e) { return w.onMouseMove(e); });
}

void WindowEvents::mouseLeave() {
    mouseInside_ = false;
    if (buttons_ == 0) {
        updateHover({});
    }
}

void WindowEvents::mouseButton(int button, bool pressed) {
    if (button < 0 || button > 15) {
        return;
    }
    const int bit = 1 << button;
    if (pressed) {
        buttons_ |= bit;
        if (capture_ != nullptr && !captureToken_.expired()) {
            MouseEvent event = eventFor(*capture_);
            event.button = button;
            capture_->onMouseButtonDown(event);
            return;
        }
        std::vector<Entry> path = pathAt(Kind::Down);
        Widget* focusTarget = nullptr;
        for (std::size_t i = path.size(); i-- > 0;) {
            if (path[i].alive() && path[i].widget->acceptsFocus()) {
                focusTarget = path[i].widget;
                break;
            }
        }
        setFocus(focusTarget);
        Widget* handler = bubble(path, [button](Widget& w, MouseEvent e) {
            e.button = button;
            return w.onMouseButtonDown(e);
        });
        capture_ = handler;
        captureToken_ = handler != nullptr ? handler->lifetime() : std::weak_ptr<void>();
        return;
    }
    if ((buttons_ & bit) == 0) {
        return; // a release without its press (the press happened outside the window)
    }
    buttons_ &= ~bit;
    if (capture_ != nullptr && !captureToken_.expired()) {
        Widget* target = capture_;
        if (buttons_ == 0) {
            capture_ = nullptr;
            captureToken_.reset();
        }
        MouseEvent event = eventFor(*target);
        event.button = button;
        target->onMouseButtonUp(event);
    } else {
        capture_ = nullptr;
        std::vector<Entry> path = pathAt(Kind::Up);
        bubble(path, [button](Widget& w, MouseEvent e) {
            e.button = button;
            return w.onMouseButtonUp(e);
        });
    }
    refreshHover();
}

void WindowEvents::mouseWheel(float dx, float dy) {
    std::vector<Entry> path = pathAt(Kind::Wheel);
    bubble(path, [dx, dy](Widget& w, MouseEvent e) {
        e.wheel = Vec2{dx, dy};
        return w.onMouseWheel(e);
    });
}

void WindowEvents::key(int imguiKey, bool pressed, int mods, bool repeat) {
    mods_ = mods;
    if (focus_ == nullptr || focusToken_.expired()) {
        return;
    }
    KeyEvent event{imguiKey, mods, repeat};
    for (Widget* w = focus_; w != nullptr; w = w->getParent()) {
        if (pressed ? w->onKeyDown(event) : w->onKeyUp(event)) {
            return;
        }
    }
}

void WindowEvents::character(unsigned int codepoint) {
    if (focus_ == nullptr || focusToken_.expired()) {
        return;
    }
    for (Widget* w = focus_; w != nullptr; w = w->getParent()) {
        if (w->onTextInput(codepoint)) {
            return;
        }
    }
}

void WindowEvents::text(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size();) {
        character(nextCodepoint(utf8, i));
    }
}

void WindowEvents::windowFocus(bool focused) {
    if (focus_ == nullptr || focusToken_.expired()) {
        return;
    }
    if (focused) {
        focus_->onFocusGained();
    } else {
        focus_->onFocusLost();
    }
}

void WindowEvents::setFocus(Widget* widget) {
    Widget* old = focusToken_.expired() ? nullptr : focus_;
    if (old == widget) {
        return;
    }
    focus_ = widget;
    focusToken_ = widget != nullptr ? widget->lifetime() : std::weak_ptr<void>();
    if (old != nullptr) {
        old->onFocusLost();
    }
    if (widget != nullptr && focus_ == widget && !focusToken_.expired()) {
        widget->onFocusGained();
    }
}

void WindowEvents::forget(const Widget* widget) {
    if (capture_ == widget) {
        capture_ = nullptr;
        captureToken_.reset();
    }
    if (focus_ == widget) {
        focus_ = nullptr;
        focusToken_.reset();
    }
    std::erase_if(hovered_, [widget](const Entry& e) { return e.widget == widget; });
}

} // namespace zolt::ui::detail
