#pragma once

// The 50-pixel bar across the top: logo, controller address (IP text and port), the
// connect/disconnect button, the connection status with the controller's product name,
// and the maker's label with the version. Connecting runs on the pool worker; the bar
// shows the outcome by polling AppState every frame. A connection the library reports
// lost shows as CONNECTION LOST with the reason and is tried again by itself, after 1 s,
// 2 s, 5 s and then every 10 s, until it answers or the user disconnects.

#include <zolt/ui/Widget.hpp>

#include <chrono>
#include <cstdint>
#include <string>

namespace zolt::ui {
class ImGuiPanel;
class Rectangle;
class Stack;
class TextElement;
} // namespace zolt::ui

class AppState;
class DefaultButton;

class TopBarView : public zolt::ui::Widget {
public:
    // What the bar last showed.
    enum class ConnectionState : std::int32_t { Connecting = -1, Disconnected = 0, Connected = 1, Lost = 2 };

    static constexpr std::uint16_t defaultPort = 44818;

    explicit TopBarView(zolt::ui::Widget* parent);
    ~TopBarView() override;

    void resized() override;
    void update() override;
    // Tab on the Connect button goes back to the address fields: IP, or Port with Shift.
    bool onKeyDown(const zolt::ui::KeyEvent& event) override;

    // The button's click: disconnects at once when connected or reconnecting, cancels a
    // connect in progress ("Cancel"), else starts a connect on the pool worker. Never throws.
    void connect();
    // Fills the address in and connects, as if typed and clicked (the command line's
    // address at start).
    void connectTo(const std::string& host, std::uint16_t port);

    // Read access for tests and tools.
    const std::string& getIpText() const { return ipText; }
    std::int32_t getPort() const { return port; }
    // A port the controller can listen on: 1 to 65535. Connect stays locked otherwise.
    bool isPortValid() const { return port >= 1 && port <= 65535; }
    // Whether a connect task (also a cancelled one) has not reported back yet.
    bool isConnecting() const { return connectTasks > 0; }
    ConnectionState getState() const { return lastState; }
    zolt::ui::TextElement* getStatusLabel() const { return statusLabel; }
    zolt::ui::TextElement* getPlcTypeLabel() const { return plcTypeLabel; }
    DefaultButton* getConnectButton() const { return connectButton; }
    zolt::ui::ImGuiPanel* getAddressPanel() const { return addressPanel; }

private:
    void buildImGui();
    void showState(ConnectionState state);
    // Starts a connect to ipText:port on the worker; `afterLoss` for the automatic one.
    void startConnect(bool afterLoss);
    // The lost state's second line: the reason and the time to the next attempt.
    void showReconnectNote();
    // While connected: a small request every few seconds on the worker.
    void probeWhenDue();
    ConnectionState currentState() const;
    // Shows or clears the note on a port outside 1 to 65535.
    void showPortNote();
    // The keyboard focus between the address fields (ImGui) and the Connect button
    // (a toolkit widget, outside ImGui's focus order).
    enum class Focus { None, IpField, PortField, ConnectButton };
    // Moves ImGui's keyboard focus to the next item when `field` was asked for.
    void takeFocusFor(Focus field);

    AppState* appState;
    zolt::ui::Rectangle* background = nullptr;
    zolt::ui::Stack* mainStack = nullptr;
    std::string ipText;
    std::int32_t port = defaultPort;
    int connectTasks = 0;
    bool portWasValid = true;
    bool portActive = false; // the port field was being edited in the last frame
    Focus focusRequest = Focus::None;
    // The automatic reconnect: which wait of the back-off comes next, and when it ends.
    std::size_t backoffStep = 0;
    std::chrono::steady_clock::time_point nextAttempt;
    std::string shownNote;
    bool probing = false;
    std::chrono::steady_clock::time_point nextProbe;
    ConnectionState lastState = ConnectionState::Disconnected;
    zolt::ui::TextElement* plcTypeLabel = nullptr;
    zolt::ui::TextElement* statusLabel = nullptr;
    DefaultButton* connectButton = nullptr;
    zolt::ui::ImGuiPanel* addressPanel = nullptr;
};
