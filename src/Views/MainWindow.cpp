#include "Views/MainWindow.hpp"

#include "AppTheme.hpp"
#include "Views/DeviceFinderView.hpp"
#include "Views/InspectorView.hpp"
#include "Views/TopBarView.hpp"
#include "Views/TreeView.hpp"

#include <zolt/ui/Application.hpp>
#include <zolt/ui/ImGuiPanel.hpp>
#include <zolt/ui/Rectangle.hpp>
#include <zolt/ui/Stack.hpp>
#include <zolt/ui/Window.hpp>

namespace {

constexpr float barHeight = 50.0f;
constexpr float treeMaxWidth = 600.0f;
constexpr float separatorWidth = 4.0f;
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

    content->addChild<InspectorView>();

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
    const zolt::ui::Vec2 address = topBar->getAddressPanel()->getWorldPosition();
    deviceFinder->setPosition(zolt::ui::Vec2{address.x, barHeight});
}
