#include "Views/TopBarView.hpp"

#include "AppState.hpp"
#include "AppTextures.hpp"
#include "AppTheme.hpp"
#include "Background.hpp"
#include "Logger.hpp"
#include "Route.hpp"
#include "Views/DefaultButton.hpp"

#include <QuillonVersion.hpp>

#include <zolt/ui/Application.hpp>
#include <zolt/ui/ImGuiPanel.hpp>
#include <zolt/ui/Rectangle.hpp>
#include <zolt/ui/Stack.hpp>
#include <zolt/ui/TextElement.hpp>
#include <zolt/ui/Window.hpp>

#include <imgui.h>
#include <imgui_stdlib.h>

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <exception>

namespace {

constexpr float barHeight = 50.0f;
// The logo with 5 pixels above and below it.
constexpr float logoSize = 40.0f;
constexpr float leftSpacing = 12.0f;
constexpr float addressWidth = 474.0f;
constexpr float connectWidth = 120.0f;
// Logo, address panel and Connect, and a gap before the status: always shown whole.
constexpr float leftWidth = logoSize + addressWidth + connectWidth + 3.0f * leftSpacing;
// The right side at its widest: the status column, a gap, the maker's column. Narrower
// windows drop the maker's column first, then the status column shrinks and its texts
// shorten (the full texts are in its hover text).
constexpr float statusWidth = 300.0f;
constexpr float rightSpacing = 32.0f;
constexpr float makerWidth = 150.0f;
constexpr float rightWidth = statusWidth + rightSpacing + makerWidth;
constexpr float statusPadding = 6.0f;
constexpr const char* statusPrefix = "PLC-Status: ";

zolt::ui::TextElement* addLabel(zolt::ui::Widget* parent, const AppTheme& theme, const std::string& text) {
    auto* label = parent->addChild<zolt::ui::TextElement>(theme.defaultFont(), text);
    label->setFontSize(theme.smallFontSize());
    label->setColor(theme.textColor());
    return label;
}

// The waits of the automatic reconnect; the last one repeats.
constexpr std::array<std::chrono::seconds, 4> backoff{std::chrono::seconds(1), std::chrono::seconds(2),
                                                      std::chrono::seconds(5), std::chrono::seconds(10)};

// How often an otherwise quiet connection is checked; a loss shows within this.
constexpr std::chrono::seconds probeInterval{2};

// The text, cut with an ellipsis where it would run past `width` pixels in the label's
// font (whole UTF-8 characters only).
void setFittedText(zolt::ui::TextElement* label, const std::string& text, float width) {
    label->setText(text);
    if (label->getDesiredSize().x > width && text.starts_with(statusPrefix)) {
        // The state word matters more than its label.
        setFittedText(label, text.substr(std::char_traits<char>::length(statusPrefix)), width);
        return;
    }
    std::string cut = text;
    while (!cut.empty() && label->getDesiredSize().x > width) {
        do {
            cut.pop_back();
        } while (!cut.empty() && (static_cast<unsigned char>(cut.back()) & 0xC0) == 0x80);
        if (!cut.empty()) {
            cut.pop_back(); // the lead byte of the character cut
        }
        label->setText(cut + "\xE2\x80\xA6");
    }
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
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
    left->setSpacing(leftSpacing);

    auto* logo =
        left->addChild<zolt::ui::Rectangle>(zolt::ui::Vec2{0.0f, 0.0f}, zolt::ui::Vec2{logoSize, logoSize});
    logo->setTexture(AppTextures::instance().getSvg(AppTextures::logoAsset, 128, 128));
    logo->setColor(zolt::ui::Color{0, 0, 0, 255});

    addressPanel = left->addChild<zolt::ui::ImGuiPanel>(zolt::ui::Vec2{0.0f, 0.0f}, zolt::ui::Vec2{addressWidth, 25.0f});
    theme.applyImGuiStyle(addressPanel->getImGuiContext());
    addressPanel->setDefaultFont(theme.defaultFont(), theme.smallFontSize() * theme.imguiFontScale(), nullptr);
    addressPanel->setBuildImGuiFunction([this] { buildImGui(); });

    connectButton = left->addChild<DefaultButton>(0.0f, 0.0f, connectWidth, theme.buttonHeight());
    connectButton->getText()->setText("Connect");
    connectButton->setOnClick([this] { connect(); });
    // Tab order: IP, Port, Path, Connect, and round again.
    connectButton->setKeyboardHandlers([this] { connect(); }, [this](bool backwards) { focusField(backwards); });

    rightSide = mainStack->addChild<zolt::ui::Stack>();
    rightSide->setOrientation(zolt::ui::Orientation::Horizontal);
    rightSide->setAlignment(zolt::ui::Alignment::Stretch);
    rightSide->setDistribution(zolt::ui::Distribution::End);
    rightSide->setSpacing(rightSpacing);

    statusColumn =
        rightSide->addChild<zolt::ui::Stack>(zolt::ui::Vec2{0.0f, 0.0f}, zolt::ui::Vec2{statusWidth, barHeight});
    statusColumn->setOrientation(zolt::ui::Orientation::Vertical);
    statusColumn->setAlignment(zolt::ui::Alignment::Start);
    statusColumn->setDistribution(zolt::ui::Distribution::SpaceEvenly);
    statusColumn->setPadding(statusPadding);
    statusLabel = statusColumn->addChild<zolt::ui::TextElement>(theme.defaultFont(), std::string());
    statusLabel->setFontSize(theme.smallFontSize());
    plcTypeLabel = addLabel(statusColumn, theme, std::string());

    makerColumn = rightSide->addChild<zolt::ui::Stack>(zolt::ui::Vec2{0.0f, 0.0f}, zolt::ui::Vec2{makerWidth, barHeight});
    auto* maker = makerColumn;
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
    const float room = std::clamp(size.x - leftWidth, 0.0f, rightWidth);
    makerColumn->setVisible(room >= rightWidth);
    const float status = room >= rightWidth ? statusWidth : room;
    rightSide->setMinSize(zolt::ui::Vec2{room, barHeight});
    rightSide->setMaxSize(zolt::ui::Vec2{room, barHeight});
    statusColumn->setMinSize(zolt::ui::Vec2{status, barHeight});
    statusColumn->setMaxSize(zolt::ui::Vec2{status, barHeight});
    statusTextWidth = std::max(status - 2.0f * statusPadding, 0.0f);
    fitStatus();
    zolt::ui::Widget::resized();
}

void TopBarView::setStatus(const std::string& text, zolt::ui::Color color) {
    statusText = text;
    statusLabel->setColor(color);
    fitStatus();
}

void TopBarView::setDetail(const std::string& text, zolt::ui::Color color) {
    detailText = text;
    plcTypeLabel->setColor(color);
    fitStatus();
}

void TopBarView::fitStatus() {
    // A narrow column shows the state and the messaging; the product name is in the hover.
    const bool narrow = statusTextWidth < statusWidth - 2.0f * statusPadding;
    if (narrow && lastState == ConnectionState::Connected && !shownMessaging.empty()) {
        setFittedText(statusLabel, "PLC-Status: CONNECTED", statusTextWidth);
        setFittedText(plcTypeLabel, shownMessaging, statusTextWidth);
        return;
    }
    setFittedText(statusLabel, statusText, statusTextWidth);
    setFittedText(plcTypeLabel, detailText, statusTextWidth);
}

std::string TopBarView::connectedStatus() const {
    const std::string brief = appState->messaging().brief;
    return brief.empty() ? "PLC-Status: CONNECTED" : "PLC-Status: CONNECTED · " + brief;
}

void TopBarView::showHover() {
    const zolt::ui::Vec2 mouse = getWindow()->getMousePosition();
    const zolt::ui::Vec2 at = statusColumn->getWorldPosition();
    const zolt::ui::Vec2 size = statusColumn->getActualSize();
    const bool over = mouse.x >= at.x && mouse.x < at.x + size.x && mouse.y >= at.y && mouse.y < at.y + size.y;
    std::string text;
    if (over && !statusText.empty()) {
        text = statusText + (detailText.empty() ? std::string() : "\n" + detailText);
        const std::string detail = appState->messaging().detail;
        if (lastState == ConnectionState::Connected && !detail.empty()) {
            text += "\n" + detail;
        }
    }
    if (hoverBox == nullptr) {
        if (text.empty()) {
            return;
        }
        // Over the panes below the bar: a child of the window's root, drawn after them.
        const AppTheme& theme = AppTheme::instance();
        hoverBox = getWindow()->getRootWidget()->addChild<zolt::ui::Rectangle>();
        hoverBox->setColor(theme.surfaceColor());
        hoverLabel = addLabel(hoverBox, theme, std::string());
        hoverLabel->setPosition(zolt::ui::Vec2{statusPadding, statusPadding});
    }
    hoverBox->setVisible(!text.empty());
    if (text.empty() || text == hoverLabel->getText()) {
        return;
    }
    hoverLabel->setText(text);
    const zolt::ui::Vec2 wanted = hoverLabel->getDesiredSize();
    const zolt::ui::Vec2 box{wanted.x + 2.0f * statusPadding, wanted.y + 2.0f * statusPadding};
    const float window = static_cast<float>(getWindow()->getWidth());
    hoverBox->setPreferredSize(box);
    hoverBox->setPosition(zolt::ui::Vec2{std::max(std::min(at.x, window - box.x), 0.0f), at.y + size.y});
}

TopBarView::ConnectionState TopBarView::currentState() const {
    switch (appState->link()) {
    case AppState::Link::Connected:
        return ConnectionState::Connected;
    case AppState::Link::Lost:
        return ConnectionState::Lost;
    case AppState::Link::Connecting:
        // A reconnect after a loss still shows the loss, with "reconnecting…".
        return lastState == ConnectionState::Lost ? ConnectionState::Lost : ConnectionState::Connecting;
    case AppState::Link::Disconnected:
        break;
    }
    return ConnectionState::Disconnected;
}

void TopBarView::update() {
    const ConnectionState state = currentState();
    if (state != lastState) {
        if (state == ConnectionState::Connected) {
            nextProbe = std::chrono::steady_clock::now() + probeInterval;
        }
        if (state == ConnectionState::Lost) {
            backoffStep = 0;
            nextAttempt = std::chrono::steady_clock::now() + backoff[0];
        }
        lastState = state;
        showState(state);
    }
    if (state == ConnectionState::Connected) {
        probeWhenDue();
        if (appState->messaging().brief != shownMessaging) {
            // The probe found the connection lost, or back.
            shownMessaging = appState->messaging().brief;
            setStatus(connectedStatus(), AppTheme::instance().successColor());
        }
    }
    showHover();
    if (state == ConnectionState::Lost) {
        if (connectTasks == 0 && std::chrono::steady_clock::now() >= nextAttempt) {
            startConnect(true);
        }
        showReconnectNote();
    }
    checkPath();
    if (inputNote() != shownInputNote) {
        showInputNote();
    }
    // Connect needs an address; Disconnect and Cancel are always possible.
    connectButton->setLocked(state == ConnectionState::Disconnected && !canConnect());
    if (focusRequest == FocusRequest::Connect) {
        focusRequest = FocusRequest::None;
        getWindow()->setFocusedWidget(connectButton);
    }
    zolt::ui::Widget::update();
}

void TopBarView::probeWhenDue() {
    const auto now = std::chrono::steady_clock::now();
    if (probing || now < nextProbe) {
        return;
    }
    nextProbe = now + probeInterval;
    zolt::ui::Application::requestFrameAt(nextProbe);
    probing = runInBackground(
        lifetime(), [state = appState] { return state->probe(); },
        [this](std::optional<zoltc_logix_result>) {
            probing = false;
            zolt::ui::Application::requestFrame(); // a loss it found shows now
        });
}

void TopBarView::showReconnectNote() {
    std::string note;
    const std::string reason = appState->lostReason();
    if (appState->link() == AppState::Link::Connecting) {
        note = fmt::format("{}, reconnecting…", reason.empty() ? "connection lost" : reason);
    } else {
        const auto left = std::chrono::ceil<std::chrono::seconds>(nextAttempt - std::chrono::steady_clock::now());
        note = fmt::format("{}, reconnecting in {} s", reason, std::max<std::int64_t>(left.count(), 0));
        // The countdown moves on by itself: the loop sleeps until the next second's text.
        zolt::ui::Application::requestFrameAt(nextAttempt - (left - std::chrono::seconds(1)));
    }
    if (note != shownNote) {
        shownNote = note;
        setDetail(note, AppTheme::instance().textColor());
    }
}

void TopBarView::showState(ConnectionState state) {
    const AppTheme& theme = AppTheme::instance();
    zolt::ui::TextElement* buttonText = connectButton->getText();
    switch (state) {
    case ConnectionState::Connected:
        shownMessaging = appState->messaging().brief;
        setStatus(connectedStatus(), theme.successColor());
        buttonText->setText("Disconnect");
        setDetail(fmt::format("PLC-Type: {}", appState->plcType()), theme.textColor());
        break;
    case ConnectionState::Disconnected:
        setStatus("PLC-Status: DISCONNECTED", theme.errorColor());
        buttonText->setText("Connect");
        if (!shownNote.empty()) {
            // The reconnect note goes; the product name of the lost controller shows again.
            shownNote.clear();
            setDetail(fmt::format("PLC-Type: {}", appState->plcType()), theme.textColor());
        }
        break;
    case ConnectionState::Connecting:
        setStatus("PLC-Status: CONNECTING", theme.warningColor());
        buttonText->setText("Cancel");
        // The outcome of an earlier attempt is no news about this one.
        setDetail(std::string(), theme.textColor());
        break;
    case ConnectionState::Lost:
        setStatus("PLC-Status: CONNECTION LOST", theme.errorColor());
        buttonText->setText("Disconnect");
        shownNote.clear();
        break;
    }
}

void TopBarView::checkPath() {
    if (pathText != checkedPath) {
        checkedPath = pathText;
        pathProblem = routeProblem(trimmed(pathText));
    }
}

bool TopBarView::canConnect() const {
    return !trimmed(ipText).empty() && isPortValid() && pathProblem.empty();
}

std::string TopBarView::inputNote() const {
    if (!isPortValid()) {
        return "Port: 1 to 65535";
    }
    return pathProblem.empty() ? std::string() : "Path: " + pathProblem;
}

void TopBarView::showInputNote() {
    // The status column has the room the address panel lacks; the note takes the place of
    // the product name line until the input is good again.
    const AppTheme& theme = AppTheme::instance();
    shownInputNote = inputNote();
    if (!shownInputNote.empty()) {
        setDetail(shownInputNote, theme.errorColor());
        return;
    }
    setDetail(appState->isConnected() ? fmt::format("PLC-Type: {}", appState->plcType()) : std::string(),
              theme.textColor());
}

void TopBarView::connect() {
    if (lastState != ConnectionState::Disconnected) {
        // Disconnect, Cancel, or the end of reconnecting: at once, whatever the worker
        // waits for (the library call is cut).
        try {
            appState->disconnect();
            if (lastState == ConnectionState::Connecting) {
                logInfo("connect cancelled");
            } else {
                logInfo("disconnected from PLC");
            }
        } catch (const std::exception& error) {
            logError("failed to disconnect from PLC: {}", error.what());
        }
        lastState = currentState();
        showState(lastState);
        return;
    }
    if (connectButton->isLocked()) {
        return;
    }
    startConnect(false);
}

void TopBarView::startConnect(bool afterLoss) {
    ipText = trimmed(ipText);
    pathText = trimmed(pathText);
    ++connectTasks;
    const std::uint64_t attempt = appState->beginConnect(afterLoss);
    // The inputs are disabled while connecting, so the address is taken now. The outcome
    // shows on the UI thread, and only while the bar still exists.
    const bool started = runInBackground(
        lifetime(),
        [state = appState, ip = ipText, address = static_cast<std::uint16_t>(port), attempt, route = pathText] {
            return state->connect(ip, address, attempt, route);
        },
        [this, attempt, afterLoss](std::optional<zoltc_logix_result> result) {
            --connectTasks;
            if (appState->connectionGeneration() != attempt) {
                return; // cancelled, or a newer attempt: that one reports
            }
            if (result && *result == ZOLTC_LOGIX_OK) {
                return;
            }
            const unsigned code = result ? static_cast<unsigned>(*result) : static_cast<unsigned>(ZOLTC_LOGIX_ERR_UNKNOWN);
            // A router's words in full: the bar has room for their start only.
            const std::string where = appState->routeFailure();
            logError("failed to connect to PLC: {}{}", code, where.empty() ? std::string() : ", " + where);
            if (afterLoss) {
                backoffStep = std::min(backoffStep + 1, backoff.size() - 1);
                nextAttempt = std::chrono::steady_clock::now() + backoff[backoffStep];
            } else {
                // A router along the path says where it gave up ("no module answers at slot 3").
                setDetail(where.empty() ? "Connection failed" : "Connection failed: " + where,
                          AppTheme::instance().textColor());
            }
            zolt::ui::Application::requestFrame();
        },
        IfOwnerGone::StillWork);
    if (!started) {
        --connectTasks;
        appState->disconnect();
        return;
    }
    if (!afterLoss) {
        // Shown at once: a connect that fails before the next frame would otherwise never
        // leave the state shown before it, and the status would not change at all.
        lastState = ConnectionState::Connecting;
        showState(lastState);
    }
}

void TopBarView::connectTo(const std::string& host, std::uint16_t address, const std::string& path) {
    ipText = host;
    port = address;
    pathText = path;
    checkPath();
    if (!host.empty()) {
        connect();
    }
}

void TopBarView::fillAddress(const std::string& host, std::uint16_t address) {
    if (lastState != ConnectionState::Disconnected || connectTasks > 0) {
        return;
    }
    ipText = host;
    port = address;
}

void TopBarView::focusField(bool path) {
    focusRequest = path ? FocusRequest::Path : FocusRequest::Ip;
    getWindow()->setFocusedWidget(addressPanel);
}

void TopBarView::buildImGui() {
    // The address is the connected one for as long as a connection exists or is wanted.
    const bool locked = lastState != ConnectionState::Disconnected;
    if (locked) {
        ImGui::BeginDisabled();
    }
    // Enter ends the edit (the field deactivates) in the frame the key goes down.
    const bool enterKey = ImGui::IsKeyPressed(ImGuiKey_Enter, false) || ImGui::IsKeyPressed(ImGuiKey_KeypadEnter, false);
    // Tab in the path field goes on to the Connect button, outside this panel.
    if (pathWasActive && ImGui::IsKeyPressed(ImGuiKey_Tab, false) && !ImGui::GetIO().KeyShift) {
        focusRequest = FocusRequest::Connect;
    }
    const auto takeFocus = [this](FocusRequest field) {
        if (focusRequest == field) {
            focusRequest = FocusRequest::None;
            ImGui::SetKeyboardFocusHere();
        }
    };

    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted("IP:");
    ImGui::SameLine(ipFieldX);
    ImGui::SetNextItemWidth(findButtonX - ipFieldX - 6.0f);
    takeFocus(FocusRequest::Ip);
    ImGui::InputText("##IP", &ipText);
    bool enter = enterKey && ImGui::IsItemDeactivated();

    ImGui::SameLine(findButtonX);
    // A mouse tool: Tab goes from the IP field straight to the port.
    ImGui::PushItemFlag(ImGuiItemFlags_NoTabStop, true);
    if (ImGui::Button("Find") && onFind) {
        onFind();
    }
    ImGui::PopItemFlag();

    ImGui::SameLine(portFieldX - 40.0f);
    ImGui::TextUnformatted("Port:");
    ImGui::SameLine(portFieldX);
    ImGui::SetNextItemWidth(pathFieldX - portFieldX - 54.0f);
    // No step buttons: a port is typed, and Tab goes from the port to the path.
    ImGui::InputInt("##Port", &port, 0, 0);
    enter = (enterKey && ImGui::IsItemDeactivated()) || enter;

    ImGui::SameLine(pathFieldX - 40.0f);
    ImGui::TextUnformatted("Path:");
    ImGui::SameLine(pathFieldX);
    ImGui::SetNextItemWidth(addressWidth - pathFieldX);
    takeFocus(FocusRequest::Path);
    ImGui::InputTextWithHint("##Path", "direct", &pathText);
    pathWasActive = ImGui::IsItemActive();
    enter = (enterKey && ImGui::IsItemDeactivated()) || enter;
    if (locked) {
        ImGui::EndDisabled();
        return;
    }
    // Enter in any field connects, as the button would (it is locked without a good address);
    // a path typed in this very frame is checked first.
    checkPath();
    if (enter && canConnect()) {
        startConnect(false);
    }
}
