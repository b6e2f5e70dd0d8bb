#pragma once
// Stack: lays its visible children out in a row (orientation 0) or a column (1).
//
// Terms: the main axis runs along the orientation, the cross axis across it. The content
// box is the stack's rectangle minus its padding; `spacing` is put between neighbours.
//
// Orientation (setOrientation):
//   0 Horizontal  children left to right
//   1 Vertical    children top to bottom (the default)
//
// Alignment (setAlignment), where a child sits on the cross axis:
//   0 Start    top (rows) / left (columns), at the child's desired cross size
//   1 Center   centred, at the desired cross size (it may overflow a small stack equally on
//              both sides)
//   2 End      bottom / right, at the desired cross size
//   3 Stretch  the child fills the cross axis, clamped to its min and max; when its max is
//              smaller it sits at the start (the default)
//
// Distribution (setDistribution), how the main axis is shared:
//   0 Start         children at their desired main size, packed at the start (the default)
//   1 Center        packed, centred as a group
//   2 End           packed at the end
//   3 SpaceBetween  desired sizes; the free room goes evenly between children
//   4 SpaceAround   desired sizes; each child gets half a share of free room on each side
//   5 SpaceEvenly   desired sizes; equal free room before, between and after children
//   6 Fill          children share the whole main axis: each starts at its minimum size and
//                   the room left is divided equally among the children that have not
//                   reached their maximum (what one cannot take goes to the others). The
//                   preferred main size is not used.
// When the children do not fit, modes 3 to 5 fall back to Start and 1/2 overflow evenly /
// at the start.
//
// Examples: a column with Fill and Stretch whose first child has max height 50 gives it 50
// and the rest of the height to the second; three Fill children in a 1200-wide row whose
// maxima are 600, 4 (min 4) and unbounded get 598, 4 and 598.

#include "zolt/ui/Widget.hpp"

#include <cstdint>

namespace zolt::ui {

enum class Orientation : std::int32_t { Horizontal = 0, Vertical = 1 };
enum class Alignment : std::int32_t { Start = 0, Center = 1, End = 2, Stretch = 3 };
enum class Distribution : std::int32_t {
    Start = 0, Center = 1, End = 2, SpaceBetween = 3, SpaceAround = 4, SpaceEvenly = 5, Fill = 6,
};

class Stack : public Widget {
public:
    explicit Stack(Widget* parent, const Vec2& position = {}, const Vec2& size = {});

    // The int overloads take the values listed above; others throw std::invalid_argument.
    void setOrientation(Orientation orientation);
    void setOrientation(int value);
    void setAlignment(Alignment alignment);
    void setAlignment(int value);
    void setDistribution(Distribution distribution);
    void setDistribution(int value);
    void setSpacing(float spacing);
    // Padding on all four sides, or per side; as a Vec4: x = left, y = top, z = right,
    // w = bottom.
    void setPadding(float all);
    void setPadding(float left, float top, float right, float bottom);
    void setPadding(const Vec4& padding);

    Orientation getOrientation() const { return orientation_; }
    Alignment getAlignment() const { return alignment_; }
    Distribution getDistribution() const { return distribution_; }
    float getSpacing() const { return spacing_; }
    Vec4 getPadding() const { return padding_; }

protected:
    Vec2 naturalSize() const override;
    void layoutChildren() override;

private:
    Orientation orientation_ = Orientation::Vertical;
    Alignment alignment_ = Alignment::Stretch;
    Distribution distribution_ = Distribution::Start;
    float spacing_ = 0.0f;
    Vec4 padding_;
};

} // namespace zolt::ui
