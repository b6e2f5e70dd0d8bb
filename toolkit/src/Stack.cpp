#include "zolt/ui/Stack.hpp"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace zolt::ui {

namespace {

// A stack's geometry seen along its main axis (m) and across it (c).
struct Axes {
    bool horizontal;
    float main(const Vec2& v) const { return horizontal ? v.x : v.y; }
    float cross(const Vec2& v) const { return horizontal ? v.y : v.x; }
    Vec2 make(float m, float c) const { return horizontal ? Vec2{m, c} : Vec2{c, m}; }
};

// Fill: every item starts at its minimum; the room left is shared equally by the items
// still below their maximum, again and again until the room or the items run out.
std::vector<float> fillSizes(const std::vector<float>& mins, const std::vector<float>& maxs, float room) {
    std::vector<float> sizes = mins;
    for (float s : sizes) {
        room -= s;
    }
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (maxs[i] > sizes[i]) {
            open.push_back(i);
        }
    }
    while (room > 0.0f && !open.empty()) {
        const float share = room / static_cast<float>(open.size());
        std::vector<std::size_t> still;
        for (std::size_t i : open) {
            const float grow = std::min(share, maxs[i] - sizes[i]);
            sizes[i] += grow;
            room -= grow;
            if (sizes[i] < maxs[i]) {
                still.push_back(i);
            }
        }
        if (still.size() == open.size()) {
            break; // everyone took a full share: the room is used up
        }
        open = std::move(still);
    }
    return sizes;
}

// An unbounded minimum sets no minimum.
float finiteMin(float value) {
    return value >= kUnbounded ? 0.0f : std::max(0.0f, value);
}

template <class E>
E checked(int value, int last, const char* what) {
    if (value < 0 || value > last) {
        throw std::invalid_argument(what);
    }
    return static_cast<E>(value);
}

} // namespace

Stack::Stack(Widget* parent, const Vec2& position, const Vec2& size) : Widget(parent, position, size) {}

void Stack::setOrientation(Orientation orientation) {
    if (orientation != orientation_) {
        orientation_ = orientation;
        markLayoutDirty();
    }
}

void Stack::setOrientation(int value) {
    setOrientation(checked<Orientation>(value, 1, "stack orientation must be 0 or 1"));
}

void Stack::setAlignment(Alignment alignment) {
    if (alignment != alignment_) {
        alignment_ = alignment;
        markLayoutDirty();
    }
}

void Stack::setAlignment(int value) {
    setAlignment(checked<Alignment>(value, 3, "stack alignment must be 0 to 3"));
}

void Stack::setDistribution(Distribution distribution) {
    if (distribution != distribution_) {
        distribution_ = distribution;
        markLayoutDirty();
    }
}

void Stack::setDistribution(int value) {
    setDistribution(checked<Distribution>(value, 6, "stack distribution must be 0 to 6"));
}

void Stack::setSpacing(float spacing) {
    if (spacing != spacing_) {
        spacing_ = spacing;
        markLayoutDirty();
    }
}

void Stack::setPadding(float all) {
    setPadding(Vec4{all, all, all, all});
}

void Stack::setPadding(float left, float top, float right, float bottom) {
    setPadding(Vec4{left, top, right, bottom});
}

void Stack::setPadding(const Vec4& padding) {
    if (padding != padding_) {
        padding_ = padding;
        markLayoutDirty();
    }
}

Vec2 Stack::naturalSize() const {
    const Axes axes{orientation_ == Orientation::Horizontal};
    float main = 0.0f;
    float cross = 0.0f;
    int count = 0;
    for (std::size_t i = 0; i < getChildCount(); ++i) {
        const Widget* child = getChild(i);
        if (!child->isVisible()) {
            continue;
        }
        const Vec2 d = child->getDesiredSize();
        main += axes.main(d);
        cross = std::max(cross, axes.cross(d));
        ++count;
    }
    if (count > 1) {
        main += spacing_ * static_cast<float>(count - 1);
    }
    const Vec2 padded = axes.make(main, cross);
    return Vec2{padded.x + padding_.x + padding_.z, padded.y + padding_.y + padding_.w};
}

void Stack::layoutChildren() {
    const Axes axes{orientation_ == Orientation::Horizontal};
    const Vec2 size = getActualSize();
    const float mainStart = axes.horizontal ? padding_.x : padding_.y;
    const float mainEnd = axes.horizontal ? padding_.z : padding_.w;
    const float crossStart = axes.horizontal ? padding_.y : padding_.x;
    const float crossEnd = axes.horizontal ? padding_.w : padding_.z;
    const float mainRoom = std::max(0.0f, axes.main(size) - mainStart - mainEnd);
    const float crossRoom = std::max(0.0f, axes.cross(size) - crossStart - crossEnd);

    std::vector<Widget*> items;
    std::vector<Vec2> desired;
    for (std::size_t i = 0; i < getChildCount(); ++i) {
        Widget* child = getChild(i);
        if (child->isVisible()) {
            items.push_back(child);
            desired.push_back(child->getDesiredSize());
        } else {
            placeChild(*child, child->getPosition(), child->getDesiredSize());
        }
    }
    if (items.empty()) {
        return;
    }
    const std::size_t n = items.size();
    const float spacing = spacing_ * static_cast<float>(n - 1);

    std::vector<float> mains(n);
    if (distribution_ == Distribution::Fill) {
        std::vector<float> mins(n);
        std::vector<float> maxs(n);
        for (std::size_t i = 0; i < n; ++i) {
            mins[i] = finiteMin(axes.main(items[i]->getMinSize()));
            maxs[i] = std::max(mins[i], axes.main(items[i]->getMaxSize()));
        }
        mains = fillSizes(mins, maxs, mainRoom - spacing);
    } else {
        for (std::size_t i = 0; i < n; ++i) {
            mains[i] = axes.main(desired[i]);
        }
    }

    float used = spacing;
    for (float m : mains) {
        used += m;
    }
    const float free = mainRoom - used;
    float start = 0.0f;
    float gap = spacing_;
    switch (distribution_) {
    case Distribution::Start:
    case Distribution::Fill: break;
    case Distribution::Center: start = free / 2.0f; break;
    case Distribution::End: start = free; break;
    case Distribution::SpaceBetween:
        if (free > 0.0f && n > 1) {
            gap += free / static_cast<float>(n - 1);
        }
        break;
    case Distribution::SpaceAround:
        if (free > 0.0f) {
            const float share = free / static_cast<float>(n);
            start = share / 2.0f;
            gap += share;
        }
        break;
    case Distribution::SpaceEvenly:
        if (free > 0.0f) {
            const float share = free / static_cast<float>(n + 1);
            start = share;
            gap += share;
        }
        break;
    }

    float cursor = mainStart + start;
    for (std::size_t i = 0; i < n; ++i) {
        Widget& item = *items[i];
        float cross = axes.cross(desired[i]);
        float offset = 0.0f;
        switch (alignment_) {
        case Alignment::Start: break;
        case Alignment::Center: offset = (crossRoom - cross) / 2.0f; break;
        case Alignment::End: offset = crossRoom - cross; break;
        case Alignment::Stretch: {
            const float lo = finiteMin(axes.cross(item.getMinSize()));
            cross = std::max(lo, std::min(crossRoom, axes.cross(item.getMaxSize())));
            break;
        }
        }
        placeChild(item, axes.make(cursor, crossStart + offset), axes.make(mains[i], cross));
        cursor += mains[i] + gap;
    }
}

} // namespace zolt::ui
