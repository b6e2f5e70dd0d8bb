// Layout of stacks (every distribution and alignment, fill, padding, hidden and nested
// children) and of plain widgets. The program's own layouts are tested with its views.

#include "TestSupport.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zolt::ui;

namespace {

struct Rect {
    float x, y, w, h;
};

Rect worldRect(const Widget* w) {
    const Vec2 p = w->getWorldPosition();
    const Vec2 s = w->getActualSize();
    return Rect{p.x, p.y, s.x, s.y};
}

void expectRect(const Widget* w, Rect expected, const std::string& what) {
    const Rect r = worldRect(w);
    EXPECT_NEAR(r.x, expected.x, 0.01f) << what << " x";
    EXPECT_NEAR(r.y, expected.y, 0.01f) << what << " y";
    EXPECT_NEAR(r.w, expected.w, 0.01f) << what << " width";
    EXPECT_NEAR(r.h, expected.h, 0.01f) << what << " height";
}

// A row of three children (widths 100, 50, 30; heights 20, 40, 10) in a 400 x 60 stack.
struct DistributionCase {
    const char* name;
    int distribution, alignment;
    std::vector<float> xs, ys, heights;
};

void PrintTo(const DistributionCase& row, std::ostream* out) {
    *out << row.name;
}

class StackDistribution : public ::testing::TestWithParam<DistributionCase> {};

TEST_P(StackDistribution, PlacesChildrenAlongAndAcross) {
    const DistributionCase& c = GetParam();
    test::HeadlessApp h(800, 600);
    auto* stack = h.root()->addChild<Stack>(Vec2{10, 20}, Vec2{400, 60});
    stack->setOrientation(0);
    stack->setDistribution(c.distribution);
    stack->setAlignment(c.alignment);
    stack->setSpacing(10);
    const Vec2 sizes[] = {{100, 20}, {50, 40}, {30, 10}};
    std::vector<Widget*> kids;
    for (const Vec2& s : sizes) {
        kids.push_back(stack->addChild<Widget>(Vec2{}, s));
    }
    h.frames();
    for (std::size_t i = 0; i < kids.size(); ++i) {
        const Rect r = worldRect(kids[i]);
        EXPECT_NEAR(r.x - 10, c.xs[i], 0.01f) << c.name << " child " << i;
        EXPECT_NEAR(r.y - 20, c.ys[i], 0.01f) << c.name << " child " << i;
        EXPECT_NEAR(r.h, c.heights[i], 0.01f) << c.name << " child " << i;
    }
}

// Free room along the row: 400 - 180 - 2 * 10 = 200.
INSTANTIATE_TEST_SUITE_P(
    Modes, StackDistribution,
    ::testing::Values(
        DistributionCase{"start_start", 0, 0, {0, 110, 170}, {0, 0, 0}, {20, 40, 10}},
        DistributionCase{"center_center", 1, 1, {100, 210, 270}, {20, 10, 25}, {20, 40, 10}},
        DistributionCase{"end_end", 2, 2, {200, 310, 370}, {40, 20, 50}, {20, 40, 10}},
        DistributionCase{"between_stretch", 3, 3, {0, 210, 370}, {0, 0, 0}, {60, 60, 60}},
        DistributionCase{"around", 4, 0, {33.333f, 210, 336.667f}, {0, 0, 0}, {20, 40, 10}},
        DistributionCase{"evenly", 5, 0, {50, 210, 320}, {0, 0, 0}, {20, 40, 10}}),
    [](const auto& param) { return std::string(param.param.name); });

// Fill shares the room equally up to each child's maximum; padding; a hidden child takes no
// room; a nested stack takes its natural size; a plain parent keeps its children's positions and
// clamps their sizes, and resized() is called on a change only.
TEST(Layout, FillPaddingHiddenNestedAndPlainChildren) {
    test::HeadlessApp h(800, 600);
    EXPECT_THROW(h.root()->addChild<Stack>()->setOrientation(2), std::invalid_argument);
    EXPECT_THROW(h.root()->addChild<Stack>()->setAlignment(4), std::invalid_argument);
    EXPECT_THROW(h.root()->addChild<Stack>()->setDistribution(7), std::invalid_argument);

    auto* fill = h.root()->addChild<Stack>(Vec2{}, Vec2{300, 100});
    fill->setOrientation(0);
    fill->setDistribution(6);
    auto* capped = fill->addChild<Widget>();
    capped->setMaxSize(Vec2{50, kUnbounded});
    auto* floor = fill->addChild<Widget>();
    floor->setMinSize(Vec2{120, 0});
    auto* free = fill->addChild<Widget>();

    auto* padded = h.root()->addChild<Stack>(Vec2{0, 100}, Vec2{100, 200});
    padded->setPadding(5, 6, 7, 8);
    padded->setAlignment(3);
    auto* a = padded->addChild<Widget>(Vec2{}, Vec2{0, 30});
    auto* hidden = padded->addChild<Widget>(Vec2{}, Vec2{0, 1000});
    hidden->setVisible(false);
    auto* b = padded->addChild<Widget>(Vec2{}, Vec2{0, 40});

    auto* outer = h.root()->addChild<Stack>(Vec2{}, Vec2{500, 500});
    outer->setAlignment(0);
    auto* inner = outer->addChild<Stack>();
    inner->setOrientation(0);
    inner->setSpacing(4);
    inner->setPadding(2);
    inner->addChild<Widget>(Vec2{}, Vec2{10, 20});
    inner->addChild<Widget>(Vec2{}, Vec2{30, 5});

    auto* plain = h.root()->addChild<Widget>(Vec2{30, 40}, Vec2{500, 10});
    plain->setMaxSize(Vec2{200, kUnbounded});
    plain->setMinSize(Vec2{0, 25});
    struct Counting : Widget {
        using Widget::Widget;
        void resized() override { ++count; }
        int count = 0;
    };
    auto* counting = h.root()->addChild<Counting>(Vec2{}, Vec2{10, 10});
    h.frames(3);
    // 300: floor starts at 120, 180 is shared: capped takes 50, the other 130 goes 65/65.
    EXPECT_FLOAT_EQ(capped->getActualSize().x, 50);
    EXPECT_FLOAT_EQ(floor->getActualSize().x, 185);
    EXPECT_FLOAT_EQ(free->getActualSize().x, 65);
    EXPECT_FLOAT_EQ(free->getWorldPosition().x, 235);
    expectRect(a, {5, 106, 88, 30}, "first padded");
    expectRect(b, {5, 136, 88, 40}, "second padded (the hidden child takes no room)");
    EXPECT_FLOAT_EQ(inner->getActualSize().x, 2 + 10 + 4 + 30 + 2);
    EXPECT_FLOAT_EQ(inner->getActualSize().y, 2 + 20 + 2);
    expectRect(plain, {30, 40, 200, 25}, "clamped child");
    EXPECT_EQ(counting->count, 1);
    counting->setPreferredSize(Vec2{20, 10});
    h.frames(2);
    EXPECT_EQ(counting->count, 2);
}

} // namespace
