#pragma once

// The device finder that the top bar's Find button opens below the address: a broadcast
// address to ask (255.255.255.255 by default; one device's address asks only that one),
// the devices that answered ListIdentity with their product names, addresses and device
// types, and an honest line on the search ("Searching…", "No device answered"). Picking
// a device fills the top bar's IP and port and closes the finder. The search runs on a
// thread of its own (DeviceSearch); the UI thread only polls it.

#include "DeviceSearch.hpp"

#include <zolt/ui/Widget.hpp>

#include <cstdint>
#include <functional>
#include <string>

namespace zolt::ui {
class ImGuiPanel;
class Rectangle;
} // namespace zolt::ui

class DeviceFinderView : public zolt::ui::Widget {
public:
    static constexpr float width = 540.0f;
    static constexpr float height = 240.0f;
    static constexpr const char* defaultAddress = "255.255.255.255";

    // Hidden until open(); `pick` receives the chosen device's host and port.
    DeviceFinderView(zolt::ui::Widget* parent, std::function<void(const std::string&, std::uint16_t)> pick);
    ~DeviceFinderView() override;

    // Shows the finder and starts a search of its address on `port` (the top bar's).
    void open(std::uint16_t port);
    void close();
    // Starts a search of the address text unless one runs (the Search button, Enter).
    void search();

    void update() override;
    void resized() override;

    // Read access for tests and tools.
    const std::string& getStatusText() const { return statusText; }
    const DeviceSearch::Outcome& getFound() const { return found; }
    zolt::ui::ImGuiPanel* getPanel() const { return panel; }
    // Sets the address to ask, as typed.
    void setAddressText(std::string text) { addressText = std::move(text); }
private:
    void buildImGui();
    // Fills the bar in with the n-th device found and closes (a click on its row).
    void pickDevice(std::size_t index);

    std::function<void(const std::string&, std::uint16_t)> onPick;
    zolt::ui::Rectangle* background = nullptr;
    zolt::ui::ImGuiPanel* panel = nullptr;
    std::string addressText = defaultAddress;
    std::uint16_t searchPort = 44818;
    std::string statusText;
    std::string target; // host:port of the search shown
    bool awaiting = false;
    DeviceSearch::Outcome found;
    DeviceSearch finder; // last: its thread is joined before the rest goes
};
