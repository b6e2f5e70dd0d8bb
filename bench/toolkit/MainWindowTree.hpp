#pragma once
// A widget tree shaped like the main window, for the toolkit's benchmarks: a top bar of
// stacks, texts, a textured logo, a button and an address panel; a tree pane with a filter
// panel and a scrolled panel of tree rows; a separator; an inspector panel with a table.

#include <QuillonVersion.hpp>
#include <zolt/ui.hpp>

#include <imgui.h>
#include <imgui_stdlib.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace bench {

using namespace zolt::ui;

inline std::vector<std::uint8_t> readFont() {
    std::ifstream in(QUILLON_UI_FONT, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct MainWindowTree {
    explicit MainWindowTree(int rows, int backend = kBackendHeadless)
        : fontBytes(readFont()), font(fontBytes.data(), fontBytes.size()),
          app(std::make_unique<Application>(RenderContext::create(backend, "bench"), "bench")),
          window(Application::createWindow("bench", 1200, 800, kWindowDefault)) {
        std::vector<std::uint8_t> pixels(64 * 64 * 4, 200);
        logoTexture = std::make_unique<Texture>(Texture::fromPixels(pixels.data(), 64, 64));
        for (int i = 0; i < rows; ++i) {
            names.push_back("Program:MainProgram.Tag_" + std::to_string(i));
        }
        root = window->getRootWidget()->addChild<Stack>(Vec2{0, 0}, Vec2{1200, 800});
        root->setDistribution(6);
        root->setAlignment(3);
        buildTopBar();
        auto* content = root->addChild<Stack>();
        content->setDistribution(6);
        content->setAlignment(3);
        content->setOrientation(0);
        buildTree(content);
        auto* separator = content->addChild<Rectangle>();
        separator->setMinSize(Vec2{4, kUnbounded});
        separator->setMaxSize(Vec2{4, kUnbounded});
        buildInspector(content);
        app->runFrames(3); // fonts baked, layout settled
    }

    ImGuiPanel* panel(Widget* parent, Vec2 position, Vec2 size, float fontSize) {
        auto* p = parent->addChild<ImGuiPanel>(position, size);
        p->setDefaultFont(&font, fontSize, nullptr);
        return p;
    }

    TextElement* label(Widget* parent, const std::string& text) {
        auto* t = parent->addChild<TextElement>(&font, text);
        t->setFontSize(14);
        return t;
    }

    void buildTopBar() {
        auto* bar = root->addChild<Stack>();
        bar->setPreferredSize(Vec2{0, 50});
        bar->setMaxSize(Vec2{1200, 50});
        bar->setOrientation(0);
        bar->setDistribution(6);
        bar->setAlignment(3);
        auto* left = bar->addChild<Stack>();
        left->setOrientation(0);
        left->setAlignment(1);
        left->setSpacing(32);
        left->addChild<Rectangle>(Vec2{}, Vec2{64, 64})->setTexture(logoTexture.get());
        auto* address = panel(left, Vec2{}, Vec2{384, 25}, 16.8f);
        address->setBuildImGuiFunction([this] {
            ImGui::TextUnformatted("IP:");
            ImGui::SameLine(28);
            ImGui::SetNextItemWidth(160);
            ImGui::InputText("##IP", &ip);
            ImGui::SameLine(220);
            ImGui::TextUnformatted("Port:");
            ImGui::SameLine(264);
            ImGui::SetNextItemWidth(120);
            ImGui::InputInt("##Port", &port, 1, 100);
        });
        auto* button = left->addChild<Button>(Vec2{}, Vec2{140, 28});
        button->getText()->setFont(&font);
        button->getText()->setFontSize(18);
        button->getText()->setText("Connect");
        auto* right = bar->addChild<Stack>();
        right->setOrientation(0);
        right->setAlignment(3);
        right->setDistribution(2);
        right->setSpacing(32);
        right->setMinSize(Vec2{482, 50});
        right->setMaxSize(Vec2{482, 50});
        auto* status = right->addChild<Stack>(Vec2{}, Vec2{300, 50});
        status->setOrientation(1);
        status->setAlignment(0);
        status->setDistribution(5);
        status->setPadding(8);
        label(status, "PLC-Status: CONNECTED");
        label(status, "PLC-Type: 1756-L83E/B");
        auto* maker = right->addChild<Stack>(Vec2{}, Vec2{150, 50});
        maker->setOrientation(1);
        maker->setAlignment(0);
        maker->setDistribution(5);
        label(maker, "Maker");
        label(maker, std::string("Version: ") + quillonVersion);
    }

    void buildTree(Widget* content) {
        auto* tree = content->addChild<Widget>();
        tree->setMaxSize(Vec2{600, kUnbounded});
        auto* filter = panel(tree, Vec2{0, 0}, Vec2{600, 50}, 21.6f);
        filter->setBuildImGuiFunction([this] {
            ImGui::SetNextItemWidth(ImGui::GetContentRegionAvail().x);
            ImGui::InputTextWithHint("##TagFilter", "Search tags...", &filterText);
        });
        auto* view = tree->addChild<ScrollView>(Vec2{0, 50}, Vec2{600, 700});
        treePanel = panel(view, Vec2{0, 0}, Vec2{600, 700}, 21.6f);
        treePanel->setBuildImGuiFunction([this] {
            ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(ImGui::GetStyle().ItemSpacing.x, 8));
            const ImTextureRef icon = toImTextureRef(logoTexture.get());
            for (const std::string& name : names) {
                const bool open = ImGui::TreeNodeEx(name.c_str(), 0x2180, "%s", "");
                ImGui::SameLine(0, -1);
                const ImVec2 pos = ImGui::GetCursorScreenPos();
                ImGui::InvisibleButton("##hit", ImVec2(200, 20));
                ImGui::GetWindowDrawList()->AddImage(icon, pos, ImVec2(pos.x + 20, pos.y + 20));
                ImGui::GetWindowDrawList()->AddText(ImVec2(pos.x + 24, pos.y + 2), IM_COL32_WHITE, name.c_str());
                if (open) {
                    ImGui::TreePop();
                }
            }
            ImGui::PopStyleVar();
            treePanel->setPreferredSize(Vec2{600, ImGui::GetCursorPosY()});
        });
    }

    void buildInspector(Widget* content) {
        auto* inspector = content->addChild<Widget>();
        auto* view = inspector->addChild<ScrollView>(Vec2{0, 0}, Vec2{596, 750});
        auto* table = panel(view, Vec2{0, 0}, Vec2{596, 750}, 16.8f);
        table->setBuildImGuiFunction([this] {
            if (ImGui::BeginTable("Variables", 4, 0x7C1)) {
                ImGui::TableSetupColumn("Name", ImGuiTableColumnFlags_WidthStretch, 1.5f);
                ImGui::TableSetupColumn("Type", ImGuiTableColumnFlags_WidthFixed, 96);
                ImGui::TableSetupColumn("Value", ImGuiTableColumnFlags_WidthStretch, 1.0f);
                ImGui::TableSetupColumn("", ImGuiTableColumnFlags_WidthFixed, 24);
                ImGui::TableHeadersRow();
                for (int i = 0; i < 20; ++i) {
                    ImGui::TableNextRow();
                    ImGui::PushID(i);
                    ImGui::TableSetColumnIndex(0);
                    ImGui::TextUnformatted(names[static_cast<std::size_t>(i) % names.size()].c_str());
                    ImGui::TableSetColumnIndex(1);
                    ImGui::TextUnformatted("DINT");
                    ImGui::TableSetColumnIndex(2);
                    ImGui::Text("%d", i * 37);
                    ImGui::TableSetColumnIndex(3);
                    ImGui::SmallButton("x");
                    ImGui::PopID();
                }
                ImGui::EndTable();
            }
        });
    }

    std::vector<std::uint8_t> fontBytes;
    Font font;
    std::unique_ptr<Application> app;
    Window* window;
    std::unique_ptr<Texture> logoTexture;
    Stack* root = nullptr;
    ImGuiPanel* treePanel = nullptr;
    std::vector<std::string> names;
    std::string ip = "192.168.1.10";
    int port = 44818;
    std::string filterText;
};

} // namespace bench
