#include "Views/TopBarView.hpp"

#include "AppState.hpp"
#include "AppTextures.hpp"
#include "AppTheme.hpp"
#include "Background.hpp"
#include "Logger.hpp"
#include "Views/DefaultButton.hpp"

#include <QuillonVersion.hpp>

#include <zolt/ui/Application.hpp>
#include <zolt/ui/ImGuiPanel.hpp>
#include <zolt/ui/Rectangle.hpp>
#include <zolt/ui/Stack.hpp>
#include <zolt/ui/TextElement.hpp>

#include <imgui.h>
#include <imgui_stdlib.h>

#include <fmt/format.h>

#include <exception>

namespace {

constexpr float barHeight = 50.0f;
constexpr float rightWidth = 482.0f;

zolt::ui::TextElement* addLabel(zolt::ui::Widget* parent, const AppTheme& theme, const std::string& text) {
    auto* label = parent->addChild<zolt::ui::TextElement>(theme.defaultFont(), text);
    label->setFontSize(theme.smallFontSize());
    label->setColor(theme.textColor());
    return label;
}

} // namespace

TopBarView::TopBarView(zolt::ui::Widget* parent)
    : zolt::ui::Widget(parent), appState(&AppState::instance()) {
    const AppTheme& theme = AppTheme::instance();

    background = addChild<zolt::ui::Rectangle>();
    background->setColor(theme.surfaceColor());

    mainStack = addChild<zolt::ui::Stack>();
    mainStack->setOrientation(zolt::ui::Orientation::Horizontal);
    mainStack->setDistribution(zolt::ui::Distribution::Fill);
    mainStack->setAlignment(zolt::ui::Alignment::Stretch);

    auto* left = mainStack->addChild<zolt::ui::Stack>();
    left->setOrientation(zolt::ui::Orientation::Horizontal);
    left->setAlignment(zolt::ui::Alignment::Center);
    left->setDistribution(zolt::ui::Distribution::Start);
    left->setSpacing(32.0f);

    auto* logo = left->addChild<zolt::ui::Rectangle>(zolt::ui::Vec2{0.0f, 0.0f}, zolt::ui::Vec2{64.0f, 64.0f});
    logo->setTexture(AppTextures::instance().getSvg("icons/zolt.svg", 256, 256));
    logo->setColor(zolt::ui::Color{0, 0, 0, 255});

    addressPanel = left->addChild<zolt::ui::ImGuiPanel>(zolt::ui::Vec2{0.0f, 0.0f}, zolt::ui::Vec2{384.0f, 25.0f});
    theme.applyImGuiStyle(addressPanel->getImGuiContext());
    addressPanel->setDefaultFont(theme.defaultFont(), theme.smallFontSize() * theme.imguiFontScale(), nullptr);
    addressPanel->setBuildImGuiFunction([this] { buildImGui(); });

    connectButton = left->addChild<DefaultButton>(0.0f, 0.0f, 140.0f, theme.buttonHeight());
    connectButton->getText()->setText("Connect");
    connectButton->setOnClick([this] { connect(); });

    auto* right = mainStack->addChild<zolt::ui::Stack>();
    right->setOrientation(zolt::ui::Orientation::Horizontal);
    right->setAlignment(zolt::ui::Alignment::Stretch);
    right->setDistribution(zolt::ui::Distribution::End);
    right->setSpacing(32.0f);
    right->setMinSize(zolt::ui::Vec2{rightWidth, barHeight});
    right->setMaxSize(zolt::ui::Vec2{rightWidth, barHeight});

    auto* status = right->addChild<zolt::ui::Stack>(zolt::ui::Vec2{0.0f, 0.0f}, zolt::ui::Vec2{300.0f, barHeight});
    status->setOrientation(zolt::ui::Orientation::Vertical);
    status->setAlignment(zolt::ui::Alignment::Start);
    status->setDistribution(zolt::ui::Distribution::SpaceEvenly);
    status->setPadding(8.0f);
    statusLabel = status->addChild<zolt::ui::TextElement>(theme.defaultFont(), std::string());
    statusLabel->setFontSize(theme.smallFontSize());
    plcTypeLabel = addLabel(status, theme, std::string());

    auto* maker = right->addChild<zolt::ui::Stack>(zolt::ui::Vec2{0.0f, 0.0f}, zolt::ui::Vec2{150.0f, barHeight});
    maker->setOrientation(zolt::ui::Orientation::Vertical);
    maker->setAlignment(zolt::ui::Alignment::Start);
    maker->setDistribution(zolt::ui::Distribution::SpaceEvenly);
    addLabel(maker, theme, "Zolt Software GmbH");
    addLabel(maker, theme, fmt::format("Version: {}", quillonVersion));
}

TopBarView::~TopBarView() = default;

void TopBarView::resized() {
    const zolt::ui::Vec2 size = getActualSize();
    mainStack->setPreferredSize(size);
    background->setPreferredSize(size);
    zolt::ui::Widget::resized();
}

void TopBarView::update() {
    ConnectionState state = ConnectionState::Disconnected;
    if (connecting) {
        state = ConnectionState::Connecting;
    } else if (appState->isConnected()) {
        state = ConnectionState::Connected;
    }
    if (state != lastState) {
        lastState = state;
        showState(state);
    }
    if (isPortValid() != portWasValid) {
        portWasValid = isPortValid();
        showPortNote();
    }
    // Connect needs an address; Disconnect is always possible.
    connectButton->setLocked(state != ConnectionState::Connected && (ipText.empty() || !isPortValid()));
    zolt::ui::Widget::update();
}

void TopBarView::showState(ConnectionState state) {
    const AppTheme& theme = AppTheme::instance();
    zolt::ui::TextElement* buttonText = connectButton->getText();
    switch (state) {
    case ConnectionState::Connected:
        statusLabel->setText("PLC-Status: CONNECTED");
        statusLabel->setColor(theme.successColor());
        buttonText->setText("Disconnect");
        plcTypeLabel->setText(fmt::format("PLC-Type: {}", appState->plcType()));
        break;
    case ConnectionState::Disconnected:
        statusLabel->setText("PLC-Status: DISCONNECTED");
        statusLabel->setColor(theme.errorColor());
        buttonText->setText("Connect");
        break;
    case ConnectionState::Connecting:
        statusLabel->setText("PLC-Status: CONNECTING");
        statusLabel->setColor(theme.warningColor());
        buttonText->setText("Connect");
        break;
    }
}

void TopBarView::showPortNote() {
    // The status column has the room the address panel lacks; the note takes the place of
    // the product name line until the port is valid again.
    const AppTheme& theme = AppTheme::instance();
    if (!portWasValid) {
        plcTypeLabel->setText("Port: 1 to 65535");
        plcTypeLabel->setColor(theme.errorColor());
        return;
    }
    plcTypeLabel->setColor(theme.textColor());
    plcTypeLabel->setText(appState->isConnected() ? fmt::format("PLC-Type: {}", appState->plcType()) : std::string());
}

void TopBarView::connect() {
    if (appState->isConnected()) {
        try {
            appState->disconnect();
        } catch (const std::exception& error) {
            logError("failed to disconnect from PLC: {}", error.what());
        }
        return;
    }
    connecting = true;
    // The inputs are disabled while connecting, so the address is taken now. The outcome
    // shows on the UI thread, and only while the bar still exists.
    const bool started = runInBackground(
        lifetime(),
        [state = appState, ip = ipText, address = static_cast<std::uint16_t>(port)] {
            const zoltc_logix_result result = state->connect(ip, address);
            if (result != ZOLTC_LOGIX_OK) {
                logError("failed to connect to PLC: {}", static_cast<unsigned>(result));
            }
            return result;
        },
        [this](std::optional<zoltc_logix_result> result) {
            if (!result || *result != ZOLTC_LOGIX_OK) {
                plcTypeLabel->setText("Connection failed");
            }
            connecting = false;
        },
        IfOwnerGone::StillWork);
    if (!started) {
        connecting = false;
        return;
    }
    // Shown at once: a connect that fails before the next frame would otherwise never
    // leave the state shown before it, and the status would not change at all.
    lastState = ConnectionState::Connecting;
    showState(lastState);
}

void TopBarView::connectTo(const std::string& host, std::uint16_t address) {
    ipText = host;
    port = address;
    connect();
}

void TopBarView::buildImGui() {
    if (connecting) {
        ImGui::BeginDisabled();
    }
    ImGui::TextUnformatted("IP:");
    ImGui::SameLine(28.0f);
    ImGui::SetNextItemWidth(160.0f);
    ImGui::InputText("##IP", &ipText);
    ImGui::SameLine(220.0f);
    ImGui::TextUnformatted("Port:");
    ImGui::SameLine(264.0f);
    ImGui::SetNextItemWidth(120.0f);
    ImGui::InputInt("##Port", &port, 1, 100);
    if (connecting) {
        ImGui::EndDisabled();
    }

}
