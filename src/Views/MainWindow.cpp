#include "Views/MainWindow.hpp"

#include "AppTheme.hpp"
#include "Views/DeviceFinderView.hpp"
#include "Views/InspectorView.hpp"
#include "Views/LogView.hpp"
#include "Views/StatusLineView.hpp"
#include "Views/TopBarView.hpp"
#include "Views/TrendView.hpp"
#include "Views/TreeView.hpp"

#include <zolt/ui/Application.hpp>
#include <zolt/ui/ImGuiPanel.hpp>
#include <zolt/ui/Rectangle.hpp>
#include <zolt/ui/Stack.hpp>
#include <zolt/ui/Window.hpp>

#include <algorithm>

namespace {

constexpr float barHeight = 50.0f;
constexpr float treeMaxWidth = 600.0f;
constexpr float separatorWidth = 4.0f;
constexpr float statusLineHeight = 30.0f;
// The bottom panes' share of the window's height, and their bounds.
constexpr float trendShare = 0.34f;
constexpr float trendMinHeight = 160.0f;
constexpr float trendMaxHeight = 360.0f;
constexpr float logShare = 0.2f;
constexpr float logMinHeight = 90.0f;
constexpr float logMaxHeight = 240.0f;

// A fixed height for a child of the root column.
void setHeight(zolt::ui::Widget& widget, float height) {
    widget.setMinSize(zolt::ui::Vec2{0.0f, height});
    widget.setMaxSize(zolt::ui::Vec2{zolt::ui::kUnbounded, height});
}
// Resizable, decorated, visible, focused, centred, scaled to the monitor.
constexpr std::uint32_t windowFlags = zolt::ui::kWindowDefault;

} // namespace

MainWindow::MainWindow() {
    const AppTheme& theme = AppTheme::instance();
    window = zolt::ui::Application::createWindow("Quillon", width, height, windowFlags);
    window->setClearColor(theme.backgroundColor());
    window->setMinSize(minWidth, minHeight);

    const auto w = static_cast<float>(width);
    rootStack = window->getRootWidget()->addChild<zolt::ui::Stack>(zolt::ui::Vec2{0.0f, 0.0f},
                                                                     zolt::ui::Vec2{w, static_cast<float>(height)});
    rootStack->setDistribution(zolt::ui::Distribution::Fill);
    rootStack->setAlignment(zolt::ui::Alignment::Stretch);

    topBar = rootStack->addChild<TopBarView>();
    topBar->setPreferredSize(zolt::ui::Vec2{0.0f, barHeight});
    topBar->setMaxSize(zolt::ui::Vec2{w, barHeight});

    auto* content = rootStack->addChild<zolt::ui::Stack>();
    content->setDistribution(zolt::ui::Distribution::Fill);
    content->setAlignment(zolt::ui::Alignment::Stretch);
    content->setOrientation(zolt::ui::Orientation::Horizontal);

    treeView = content->addChild<TreeView>();
    treeView->setMaxSize(zolt::ui::Vec2{treeMaxWidth, zolt::ui::kUnbounded});

    auto* separator = content->addChild<zolt::ui::Rectangle>();
    separator->setMinSize(zolt::ui::Vec2{separatorWidth, zolt::ui::kUnbounded});
    separator->setMaxSize(zolt::ui::Vec2{separatorWidth, zolt::ui::kUnbounded});
    separator->setColor(theme.surfaceColor());

    inspectorView = content->addChild<InspectorView>();

    // Both start hidden, so the tree keeps its height for browsing until a pane is asked for.
    trendView = rootStack->addChild<TrendView>();
    trendView->setVisible(false);
    logView = rootStack->addChild<LogView>();
    logView->setVisible(false);
    statusLine = rootStack->addChild<StatusLineView>();
    setHeight(*statusLine, statusLineHeight);
    statusLine->addPaneToggle("Trend", trendView);
    statusLine->addPaneToggle("Log", logView);

    // Added after the root stack, so it is drawn over the views and hit first.
    deviceFinder = window->getRootWidget()->addChild<DeviceFinderView>(
        [bar = topBar](const std::string& host, std::uint16_t port) { bar->fillAddress(host, port); });
    topBar->setOnFind([this] {
        if (deviceFinder->isVisible()) {
            deviceFinder->close();
        } else {
            const bool portValid = topBar->isPortValid();
            deviceFinder->open(portValid ? static_cast<std::uint16_t>(topBar->getPort()) : TopBarView::defaultPort);
        }
    });

    zolt::ui::Application::registerTickCallback(this, [this] { tick(); });
}

MainWindow::~MainWindow() {
    zolt::ui::Application::unregisterTickCallback(this);
}

void MainWindow::tick() {
    const auto w = static_cast<float>(window->getWidth());
    const auto h = static_cast<float>(window->getHeight());
    rootStack->setPreferredSize(zolt::ui::Vec2{w, h});
    topBar->setMaxSize(zolt::ui::Vec2{w, barHeight});
    setHeight(*trendView, std::clamp(h * trendShare, trendMinHeight, trendMaxHeight));
    setHeight(*logView, std::clamp(h * logShare, logMinHeight, logMaxHeight));
    const zolt::ui::Vec2 address = topBar->getAddressPanel()->getWorldPosition();
    deviceFinder->setPosition(zolt::ui::Vec2{address.x, barHeight});
}
