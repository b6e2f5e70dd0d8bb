// Layout of stacks: every distribution and alignment, and the trees of the main window and
// its top bar built from plain toolkit widgets.

#include "TestSupport.hpp"

#include <QuillonVersion.hpp>

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
    int distribution;
    int alignment;
    std::vector<float> xs;
    std::vector<float> ys;
    std::vector<float> heights;
};

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
        DistributionCase{"start/start", 0, 0, {0, 110, 170}, {0, 0, 0}, {20, 40, 10}},
        DistributionCase{"center/center", 1, 1, {100, 210, 270}, {20, 10, 25}, {20, 40, 10}},
        DistributionCase{"end/end", 2, 2, {200, 310, 370}, {40, 20, 50}, {20, 40, 10}},
        DistributionCase{"between/stretch", 3, 3, {0, 210, 370}, {0, 0, 0}, {60, 60, 60}},
        DistributionCase{"around", 4, 0, {33.333f, 210, 336.667f}, {0, 0, 0}, {20, 40, 10}},
        DistributionCase{"evenly", 5, 0, {50, 210, 320}, {0, 0, 0}, {20, 40, 10}}),
    [](const auto& param) {
        std::string name = param.param.name;
        for (char& ch : name) {
            ch = (ch == '/') ? '_' : ch;
        }
        return name;
    });

TEST(Stack, FillSharesRoomEquallyUpToEachMaximum) {
    test::HeadlessApp h(800, 600);
    auto* stack = h.root()->addChild<Stack>(Vec2{}, Vec2{300, 100});
    stack->setOrientation(0);
    stack->setDistribution(6);
    auto* capped = stack->addChild<Widget>();
    capped->setMaxSize(Vec2{50, kUnbounded});
    auto* floor = stack->addChild<Widget>();
    floor->setMinSize(Vec2{120, 0});
    auto* free = stack->addChild<Widget>();
    h.frames();
    // 300: floor starts at 120, 180 is shared: capped takes 50, the other 130 goes 65/65.
    EXPECT_FLOAT_EQ(capped->getActualSize().x, 50);
    EXPECT_FLOAT_EQ(floor->getActualSize().x, 185);
    EXPECT_FLOAT_EQ(free->getActualSize().x, 65);
    EXPECT_FLOAT_EQ(free->getWorldPosition().x, 235);
}

TEST(Stack, PaddingAndHiddenChildren) {
    test::HeadlessApp h(800, 600);
    auto* stack = h.root()->addChild<Stack>(Vec2{}, Vec2{100, 200});
    stack->setPadding(5, 6, 7, 8);
    stack->setAlignment(3);
    auto* a = stack->addChild<Widget>(Vec2{}, Vec2{0, 30});
    auto* hidden = stack->addChild<Widget>(Vec2{}, Vec2{0, 1000});
    hidden->setVisible(false);
    auto* b = stack->addChild<Widget>(Vec2{}, Vec2{0, 40});
    h.frames();
    expectRect(a, {5, 6, 88, 30}, "first");
    expectRect(b, {5, 36, 88, 40}, "second (the hidden child takes no room)");
}

TEST(Stack, RejectsUnknownEnumeratorValues) {
    test::HeadlessApp h;
    auto* stack = h.root()->addChild<Stack>();
    EXPECT_THROW(stack->setOrientation(2), std::invalid_argument);
    EXPECT_THROW(stack->setAlignment(4), std::invalid_argument);
    EXPECT_THROW(stack->setDistribution(7), std::invalid_argument);
    EXPECT_THROW(stack->setDistribution(-1), std::invalid_argument);
}

TEST(Stack, NestedStacksTakeTheirNaturalSize) {
    test::HeadlessApp h;
    auto* outer = h.root()->addChild<Stack>(Vec2{}, Vec2{500, 500});
    outer->setAlignment(0);
    auto* inner = outer->addChild<Stack>();
    inner->setOrientation(0);
    inner->setSpacing(4);
    inner->setPadding(2);
    inner->addChild<Widget>(Vec2{}, Vec2{10, 20});
    inner->addChild<Widget>(Vec2{}, Vec2{30, 5});
    h.frames();
    EXPECT_FLOAT_EQ(inner->getActualSize().x, 2 + 10 + 4 + 30 + 2);
    EXPECT_FLOAT_EQ(inner->getActualSize().y, 2 + 20 + 2);
}

// The main window: root stack (fill, stretch), a 50-pixel bar, and the content row of
// tree (max 600), 4-pixel separator and inspector; a tick keeps the root at window size.
struct MainTree {
    explicit MainTree(test::HeadlessApp& h) : window(h.window) {
        window->setMinSize(Vec2{1200, 400});
        root = h.root()->addChild<Stack>(Vec2{0, 0}, Vec2{1200, 800});
        root->setDistribution(6);
        root->setAlignment(3);
        bar = root->addChild<Widget>();
        bar->setPreferredSize(Vec2{0, 50});
        bar->setMaxSize(Vec2{1200, 50});
        content = root->addChild<Stack>();
        content->setDistribution(6);
        content->setAlignment(3);
        content->setOrientation(0);
        tree = content->addChild<Widget>();
        tree->setMaxSize(Vec2{600, kUnbounded});
        separator = content->addChild<Rectangle>();
        separator->setMinSize(Vec2{4, kUnbounded});
        separator->setMaxSize(Vec2{4, kUnbounded});
        inspector = content->addChild<Widget>();
        Application::registerTickCallback(this, [this] {
            const auto w = static_cast<float>(window->getWidth());
            const auto hgt = static_cast<float>(window->getHeight());
            root->setPreferredSize(Vec2{w, hgt});
            bar->setMaxSize(Vec2{w, 50});
        });
    }
    ~MainTree() { Application::unregisterTickCallback(this); }
    Window* window;
    Stack* root;
    Widget* bar;
    Stack* content;
    Widget* tree;
    Rectangle* separator;
    Widget* inspector;
};

TEST(MainWindowLayout, At1200x800) {
    test::HeadlessApp h(1200, 800);
    MainTree t(h);
    h.frames();
    expectRect(t.bar, {0, 0, 1200, 50}, "top bar");
    expectRect(t.content, {0, 50, 1200, 750}, "content");
    // Fill shares equally: 1196 between tree and inspector, each under the tree's 600.
    expectRect(t.tree, {0, 50, 598, 750}, "tree");
    expectRect(t.separator, {598, 50, 4, 750}, "separator");
    expectRect(t.inspector, {602, 50, 598, 750}, "inspector");
}

TEST(MainWindowLayout, FollowsAResizeTo1500x900OnTheNextFrame) {
    test::HeadlessApp h(1200, 800);
    MainTree t(h);
    h.frames();
    h.window->setSize(1500, 900);
    h.frames();
    EXPECT_EQ(t.root->getPreferredSize(), (Vec2{1500, 900}));
    EXPECT_EQ(t.bar->getMaxSize(), (Vec2{1500, 50}));
    expectRect(t.bar, {0, 0, 1500, 50}, "top bar");
    expectRect(t.tree, {0, 50, 600, 850}, "tree");
    expectRect(t.separator, {600, 50, 4, 850}, "separator");
    expectRect(t.inspector, {604, 50, 896, 850}, "inspector");
}

TEST(MainWindowLayout, WindowKeepsItsMinimumSize) {
    test::HeadlessApp h(1200, 800);
    MainTree t(h);
    h.window->setSize(800, 300);
    h.frames();
    EXPECT_EQ(h.window->getWidth(), 1200);
    EXPECT_EQ(h.window->getHeight(), 400);
    expectRect(t.content, {0, 50, 1200, 350}, "content");
}

// The top bar's stacks, as the bar lays them out in a 1200-wide window.
class Bar : public Widget {
public:
    explicit Bar(Widget* parent) : Widget(parent) {
        background = addChild<Rectangle>();
        main = addChild<Stack>();
        main->setOrientation(0);
        main->setDistribution(6);
        main->setAlignment(3);
        left = main->addChild<Stack>();
        left->setOrientation(0);
        left->setAlignment(1);
        left->setDistribution(0);
        left->setSpacing(32);
        logo = left->addChild<Rectangle>(Vec2{0, 0}, Vec2{64, 64});
        panel = left->addChild<ImGuiPanel>(Vec2{0, 0}, Vec2{384, 25});
        button = left->addChild<Button>(Vec2{0, 0}, Vec2{140, 28});
        right = main->addChild<Stack>();
        right->setOrientation(0);
        right->setAlignment(3);
        right->setDistribution(2);
        right->setSpacing(32);
        right->setMinSize(Vec2{482, 50});
        right->setMaxSize(Vec2{482, 50});
        status = right->addChild<Stack>(Vec2{0, 0}, Vec2{300, 50});
        status->setOrientation(1);
        status->setAlignment(0);
        status->setDistribution(5);
        status->setPadding(8);
        statusLabel = status->addChild<TextElement>(nullptr);
        statusLabel->setFontSize(14);
        typeLabel = status->addChild<TextElement>(nullptr);
        typeLabel->setFontSize(14);
        maker = right->addChild<Stack>(Vec2{0, 0}, Vec2{150, 50});
        maker->setOrientation(1);
        maker->setAlignment(0);
        maker->setDistribution(5);
        makerLabel = maker->addChild<TextElement>(nullptr, "Maker");
        makerLabel->setFontSize(14);
        versionLabel = maker->addChild<TextElement>(nullptr, std::string("Version: ") + quillonVersion);
        versionLabel->setFontSize(14);
    }
    void resized() override {
        main->setPreferredSize(getActualSize());
        background->setPreferredSize(getActualSize());
        Widget::resized();
    }
    Rectangle* background;
    Stack* main;
    Stack* left;
    Rectangle* logo;
    ImGuiPanel* panel;
    Button* button;
    Stack* right;
    Stack* status;
    TextElement* statusLabel;
    TextElement* typeLabel;
    Stack* maker;
    TextElement* makerLabel;
    TextElement* versionLabel;
};

TEST(TopBarLayout, StacksPlaceTheirChildren) {
    test::HeadlessApp h(1200, 800);
    MainTree t(h);
    auto* bar = t.root->addChild<Bar>();
    // The bar replaces the plain one of the main tree.
    t.root->removeChild(t.bar);
    t.root->removeChild(t.content);
    Application::unregisterTickCallback(&t);
    bar->setPreferredSize(Vec2{0, 50});
    bar->setMaxSize(Vec2{1200, 50});
    h.frames(2);
    expectRect(bar, {0, 0, 1200, 50}, "bar");
    expectRect(bar->background, {0, 0, 1200, 50}, "background");
    expectRect(bar->left, {0, 0, 718, 50}, "left stack");
    expectRect(bar->logo, {0, -7, 64, 64}, "logo (centred, overflowing)");
    expectRect(bar->panel, {96, 12.5f, 384, 25}, "address panel");
    expectRect(bar->button, {512, 11, 140, 28}, "connect button");
    expectRect(bar->right, {718, 0, 482, 50}, "right stack");
    expectRect(bar->status, {718, 0, 300, 50}, "status stack");
    expectRect(bar->maker, {1050, 0, 150, 50}, "maker stack");
    // 34 pixels inside the padding hold two 14-pixel lines: 2 pixels before, between, after.
    expectRect(bar->statusLabel, {726, 10, 0, 14}, "status label (empty)");
    EXPECT_NEAR(bar->typeLabel->getWorldPosition().y, 26, 0.01f);
    EXPECT_NEAR(bar->makerLabel->getWorldPosition().y, 22.0f / 3.0f, 0.01f);
    EXPECT_NEAR(bar->versionLabel->getWorldPosition().y, 14 + 2 * 22.0f / 3.0f, 0.01f);
    EXPECT_GT(bar->versionLabel->getActualSize().x, bar->makerLabel->getActualSize().x);

    // A longer status text widens the label, nothing else moves.
    bar->statusLabel->setText("PLC-Status: CONNECTED");
    h.frames();
    EXPECT_GT(bar->statusLabel->getActualSize().x, 100.0f);
    expectRect(bar->maker, {1050, 0, 150, 50}, "maker stack");

    // A wider window widens the left stack only.
    h.window->setSize(1500, 900);
    t.root->setPreferredSize(Vec2{1500, 900});
    bar->setMaxSize(Vec2{1500, 50});
    h.frames();
    expectRect(bar->left, {0, 0, 1018, 50}, "left stack at 1500");
    expectRect(bar->right, {1018, 0, 482, 50}, "right stack at 1500");
}

TEST(Widget, PlainParentKeepsChildPositionsAndClampsSizes) {
    test::HeadlessApp h;
    auto* child = h.root()->addChild<Widget>(Vec2{30, 40}, Vec2{500, 10});
    child->setMaxSize(Vec2{200, kUnbounded});
    child->setMinSize(Vec2{0, 25});
    h.frames();
    expectRect(child, {30, 40, 200, 25}, "clamped child");
}

TEST(Widget, ResizedRunsWhenTheSizeChanges) {
    struct Counting : Widget {
        using Widget::Widget;
        void resized() override { ++count; }
        int count = 0;
    };
    test::HeadlessApp h;
    auto* w = h.root()->addChild<Counting>(Vec2{}, Vec2{10, 10});
    h.frames(3);
    EXPECT_EQ(w->count, 1);
    w->setPreferredSize(Vec2{20, 10});
    h.frames(2);
    EXPECT_EQ(w->count, 2);
}

} // namespace
