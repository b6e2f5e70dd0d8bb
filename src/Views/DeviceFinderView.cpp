#include "Views/DeviceFinderView.hpp"

#include "AppTheme.hpp"
#include "Route.hpp"

#include <zolt/ui/Application.hpp>
#include <zolt/ui/ImGuiPanel.hpp>
#include <zolt/ui/Rectangle.hpp>

#include <imgui.h>
#include <imgui_stdlib.h>

#include <fmt/format.h>

#include <utility>

namespace {

constexpr float padding = 8.0f;
constexpr std::uint16_t controllerType = 14;

std::string deviceTypeText(std::uint16_t type) {
    if (type == controllerType) {
        return "controller";
    }
    if (type == communicationModuleType) {
        return "communication module";
    }
    return fmt::format("device type {}", type);
}

} // namespace

DeviceFinderView::DeviceFinderView(zolt::ui::Widget* parent,
                                   std::function<void(const std::string&, std::uint16_t)> pick)
    : zolt::ui::Widget(parent, zolt::ui::Vec2{0.0f, 0.0f}, zolt::ui::Vec2{width, height}), onPick(std::move(pick)) {
    const AppTheme& theme = AppTheme::instance();
    background = addChild<zolt::ui::Rectangle>(zolt::ui::Vec2{0.0f, 0.0f}, zolt::ui::Vec2{width, height});
    background->setColor(theme.surfaceColor());
    panel = addChild<zolt::ui::ImGuiPanel>(zolt::ui::Vec2{padding, padding},
                                           zolt::ui::Vec2{width - 2 * padding, height - 2 * padding});
    theme.applyImGuiStyle(panel->getImGuiContext());
    panel->setDefaultFont(theme.defaultFont(), theme.smallFontSize() * theme.imguiFontScale(), nullptr);
    panel->setBuildImGuiFunction([this] { buildImGui(); });
    setVisible(false);
}

DeviceFinderView::~DeviceFinderView() = default;

void DeviceFinderView::resized() {
    const zolt::ui::Vec2 size = getActualSize();
    background->setPreferredSize(size);
    panel->setPreferredSize(zolt::ui::Vec2{size.x - 2 * padding, size.y - 2 * padding});
    zolt::ui::Widget::resized();
}

void DeviceFinderView::open(std::uint16_t port) {
    searchPort = port;
    setVisible(true);
    search();
}

void DeviceFinderView::close() {
    setVisible(false);
}

void DeviceFinderView::search() {
    const std::string& host = addressText;
    if (host.empty() || finder.isRunning()) {
        return;
    }
    // The frame request wakes the idle UI loop when the answers are in.
    if (!finder.start(host, searchPort, [] { zolt::ui::Application::requestFrame(); })) {
        statusText = "The search could not start";
        return;
    }
    awaiting = true;
    found = DeviceSearch::Outcome{};
    target = fmt::format("{}:{}", host, searchPort);
    statusText = fmt::format("Searching {}\xE2\x80\xA6", target);
}

void DeviceFinderView::update() {
    if (awaiting && !finder.isRunning()) {
        awaiting = false;
        found = finder.outcome().value_or(DeviceSearch::Outcome{});
        if (found.result == ZOLTC_LOGIX_ERR_CONNECT_FAILED) {
            statusText = fmt::format("{} is not an IPv4 address or a name that resolves to one", target);
        } else if (found.result == ZOLTC_LOGIX_ERR_CONNECTION_LOST) {
            statusText = fmt::format("Nothing could be sent to {} (a broadcast this computer refuses?)", target);
        } else if (found.result != ZOLTC_LOGIX_OK) {
            statusText = fmt::format("The search failed: {}", zoltc_logix_result_name(found.result));
        } else if (found.devices.empty()) {
            statusText = fmt::format("No device answered at {} within {:.1f} s", target,
                                     DeviceSearch::windowMs / 1000.0);
        } else {
            statusText = fmt::format("{} answered; pick one to fill the address in",
                                     found.devices.size() == 1 ? std::string("1 device")
                                                               : fmt::format("{} devices", found.devices.size()));
        }
    }
    zolt::ui::Widget::update();
}

void DeviceFinderView::pickDevice(std::size_t index) {
    if (index >= found.devices.size()) {
        return;
    }
    const DeviceSearch::Device device = found.devices[index];
    close();
    if (onPick) {
        onPick(device.host, device.port);
    }
}

void DeviceFinderView::buildImGui() {
    ImGui::TextUnformatted("Ask:");
    ImGui::SameLine();
    ImGui::SetNextItemWidth(180.0f);
    // An address has no blanks: none can be typed or pasted in.
    const bool enter = ImGui::InputText("##FindAddress", &addressText,
                                        ImGuiInputTextFlags_EnterReturnsTrue | ImGuiInputTextFlags_CharsNoBlank);
    ImGui::SameLine();
    ImGui::BeginDisabled(finder.isRunning());
    if (ImGui::Button("Search") || enter) {
        search();
    }
    ImGui::EndDisabled();
    ImGui::SameLine();
    if (ImGui::Button("Close")) {
        close();
    }
    ImGui::TextUnformatted(statusText.c_str());

    constexpr ImGuiTableFlags flags = ImGuiTableFlags_RowBg | ImGuiTableFlags_ScrollY | ImGuiTableFlags_BordersInnerV;
    if (!found.devices.empty() && ImGui::BeginTable("Devices", 3, flags, ImGui::GetContentRegionAvail())) {
        ImGui::TableSetupColumn("Product name", ImGuiTableColumnFlags_WidthStretch);
        ImGui::TableSetupColumn("Address", ImGuiTableColumnFlags_WidthFixed, 130.0f);
        ImGui::TableSetupColumn("Type", ImGuiTableColumnFlags_WidthFixed, 150.0f);
        ImGui::TableSetupScrollFreeze(0, 1);
        ImGui::TableHeadersRow();
        std::size_t picked = found.devices.size();
        for (std::size_t i = 0; i < found.devices.size(); ++i) {
            const DeviceSearch::Device& device = found.devices[i];
            ImGui::PushID(static_cast<int>(i));
            ImGui::TableNextRow();
            ImGui::TableNextColumn();
            // The names come from the network: shown as text, never as an ImGui label.
            if (ImGui::Selectable("##device", false, ImGuiSelectableFlags_SpanAllColumns)) {
                picked = i;
            }
            ImGui::SameLine();
            ImGui::TextUnformatted(device.productName.c_str());
            ImGui::TableNextColumn();
            ImGui::TextUnformatted(fmt::format("{}:{}", device.host, device.port).c_str());
            ImGui::TableNextColumn();
            ImGui::TextUnformatted(deviceTypeText(device.deviceType).c_str());
            ImGui::PopID();
        }
        ImGui::EndTable();
        if (picked < found.devices.size()) {
            pickDevice(picked); // after the table: the rows are not touched while drawn
        }
    }
}
