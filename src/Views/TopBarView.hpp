#pragma once

// The 50-pixel bar across the top: logo, controller address (IP text with a Find button,
// port, and a route path to a controller behind the device at the address), the
// connect/disconnect button, the connection status with the product name of the
// controller at the end of the path, and the maker's label with the version. Connecting runs on the pool worker; the bar
// shows the outcome by polling AppState every frame. A connection the library reports
// lost shows as CONNECTION LOST with the reason and is tried again by itself, after 1 s,
// 2 s, 5 s and then every 10 s, until it answers or the user disconnects.

#include <zolt/ui/Types.hpp>
#include <zolt/ui/Widget.hpp>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

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

    // Where the address panel's inputs start, in panel pixels (tests click them).
    static constexpr float ipFieldX = 26.0f;
    static constexpr float findButtonX = 164.0f;
    static constexpr float portFieldX = 262.0f;
    static constexpr float pathFieldX = 378.0f;

    explicit TopBarView(zolt::ui::Widget* parent);
    ~TopBarView() override;

    void resized() override;
    void update() override;

    // The button's click: disconnects at once when connected or reconnecting, cancels a
    // connect in progress ("Cancel"), else starts a connect on the pool worker. Never throws.
    void connect();
    // Fills the address and the route path in and, with a host, connects, as if typed and
    // clicked (the command line's address at start).
    void connectTo(const std::string& host, std::uint16_t port, const std::string& path = {});
    // Fills IP and port in (a device the finder found); ignored while the address is
    // locked (connecting or connected).
    void fillAddress(const std::string& host, std::uint16_t port);
    // What the Find button does (the main window opens the device finder).
    void setOnFind(std::function<void()> handler) { onFind = std::move(handler); }

    // Read access for tests and tools.
    const std::string& getIpText() const { return ipText; }
    std::int32_t getPort() const { return port; }
    const std::string& getPathText() const { return pathText; }
    // Why the path text is not a route path (the parser's words); empty when it is one.
    const std::string& getPathProblem() const { return pathProblem; }
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
    // The status column's two lines, kept whole and shown as far as the column allows.
    void setStatus(const std::string& text, zolt::ui::Color color);
    void setDetail(const std::string& text, zolt::ui::Color color);
    // Shows both lines as far as the column's width allows.
    void fitStatus();
    // "PLC-Status: CONNECTED" and the messaging the connection uses.
    std::string connectedStatus() const;
    // The status column's full texts below it while the pointer is over it.
    void showHover();
    // Starts a connect to ipText:port on the worker; `afterLoss` for the automatic one.
    void startConnect(bool afterLoss);
    // The lost state's second line: the reason and the time to the next attempt.
    void showReconnectNote();
    // While connected: a small request every few seconds on the worker.
    void probeWhenDue();
    ConnectionState currentState() const;
    // The note on a bad input (a port outside 1 to 65535, a path that does not parse),
    // or "" when the inputs are fine.
    std::string inputNote() const;
    // Shows or clears the input note in the product name's line.
    void showInputNote();
    // Checks the path text with the library's parser when it changed.
    void checkPath();
    // Whether the inputs are complete and good enough to connect with.
    bool canConnect() const;
    // Keyboard focus from the Connect button back into the address panel.
    void focusField(bool path);

    AppState* appState;
    zolt::ui::Rectangle* background = nullptr;
    zolt::ui::Stack* mainStack = nullptr;
    std::string ipText;
    std::int32_t port = defaultPort;
    std::string pathText;
    std::string pathProblem;
    std::string checkedPath; // the text pathProblem belongs to
    int connectTasks = 0;
    std::string shownInputNote;
    std::function<void()> onFind;
    // Keyboard focus wanted: the IP or Path field (from the Connect button), the button.
    enum class FocusRequest { None, Ip, Path, Connect };
    FocusRequest focusRequest = FocusRequest::None;
    bool pathWasActive = false;
    // The automatic reconnect: which wait of the back-off comes next, and when it ends.
    std::size_t backoffStep = 0;
    std::chrono::steady_clock::time_point nextAttempt;
    std::string shownNote;
    bool probing = false;
    std::chrono::steady_clock::time_point nextProbe;
    ConnectionState lastState = ConnectionState::Disconnected;
    zolt::ui::TextElement* plcTypeLabel = nullptr;
    zolt::ui::Stack* rightSide = nullptr;
    zolt::ui::Stack* statusColumn = nullptr;
    zolt::ui::Stack* makerColumn = nullptr;
    float statusTextWidth = 0.0f;
    std::string statusText;
    std::string detailText;
    std::string shownMessaging;
    zolt::ui::Rectangle* hoverBox = nullptr; // made on first hover, a child of the window's root
    zolt::ui::TextElement* hoverLabel = nullptr;
    zolt::ui::TextElement* statusLabel = nullptr;
    DefaultButton* connectButton = nullptr;
    zolt::ui::ImGuiPanel* addressPanel = nullptr;
};
