#include "Views/TreeView.hpp"

#include "AppState.hpp"
#include "AppTheme.hpp"
#include "Background.hpp"
#include "Logger.hpp"
#include "TagInspector.hpp"
#include "Views/Spinner.hpp"
#include "Views/TreeItem.hpp"

#include <zolt/ui/ImGuiPanel.hpp>
#include <zolt/ui/ScrollView.hpp>
#include <zolt/ui/Stack.hpp>

#include <imgui.h>
#include <imgui_stdlib.h>

#include <exception>
#include <utility>

namespace {

// The filter box's height; the scroll view always starts below it.
constexpr float filterHeight = 50.0f;
constexpr float rowSpacing = 8.0f;

} // namespace

TreeView::TreeView(zolt::ui::Widget* parent)
    : zolt::ui::Widget(parent), appState(&AppState::instance()), inspector(&TagInspector::instance()) {
    const AppTheme& theme = AppTheme::instance();
    const float fontSize = theme.normalFontSize() * theme.imguiFontScale();
    const zolt::ui::Vec2 size = getActualSize();

    spinnerStack = addChild<zolt::ui::Stack>();
    spinnerStack->setDistribution(zolt::ui::Distribution::Center);
    spinnerStack->setAlignment(zolt::ui::Alignment::Center);
    spinnerStack->addChild<Spinner>(zolt::ui::Vec2{0.0f, 0.0f}, zolt::ui::Vec2{64.0f, 64.0f});

    filterPanel = addChild<zolt::ui::ImGuiPanel>(zolt::ui::Vec2{0.0f, 0.0f}, zolt::ui::Vec2{size.x, filterHeight});
    filterPanel->setVisible(false);
    filterPanel->setDefaultFont(theme.defaultFont(), fontSize, nullptr);
    theme.applyImGuiStyle(filterPanel->getImGuiContext());
    filterPanel->setBuildImGuiFunction([this] { buildFilter(); });

    scrollView = addChild<zolt::ui::ScrollView>(zolt::ui::Vec2{0.0f, filterHeight},
                                                zolt::ui::Vec2{size.x, size.y - filterHeight});
    scrollView->setVisible(false);

    treePanel = scrollView->addChild<zolt::ui::ImGuiPanel>(zolt::ui::Vec2{0.0f, 0.0f}, size);
    treePanel->setDefaultFont(theme.defaultFont(), fontSize, nullptr);
    theme.applyImGuiStyle(treePanel->getImGuiContext());
    treePanel->setBuildImGuiFunction([this] { buildImGui(); });
}

TreeView::~TreeView() {
    inspector->clear();
    items.clear();
    tagList.reset();
}

void TreeView::update() {
    zolt::ui::Widget::update();

    const bool isLoadingNow = loading;
    treePanel->setVisible(!isLoadingNow);
    scrollView->setVisible(!isLoadingNow);
    spinnerStack->setVisible(isLoadingNow);
    filterPanel->setVisible(!isLoadingNow && !items.empty());

    // A new listing for each new connection, except a reconnect to the same controller
    // after a lost connection, which keeps the rows and the watch list.
    if (appState->isConnected() && appState->tagEpoch() != loadedEpoch && !isLoadingNow) {
        loadedEpoch = appState->tagEpoch();
        inspector->clear();
        load();
    }

    if (filterText != appliedFilter) {
        appliedFilter = filterText;
        for (auto& item : items) {
            item->applyFilter(filterText);
        }
    }
}

void TreeView::resized() {
    zolt::ui::Widget::resized();
    const zolt::ui::Vec2 size = getActualSize();
    treePanel->setPreferredSize(zolt::ui::Vec2{size.x, treePanel->getPreferredSize().y});
    spinnerStack->setPreferredSize(size);
    scrollView->setPreferredSize(zolt::ui::Vec2{size.x, size.y - filterHeight});
    filterPanel->setPreferredSize(zolt::ui::Vec2{size.x, filterHeight});
}

void TreeView::load() {
    loading = runInBackground(
        lifetime(),
        [] {
            TagListResult loaded;
            AppState::instance().withClient(
                [&](zoltc_logix_client* client) { return loaded.result = loaded.list.browse(client, ""); });
            return loaded;
        },
        [this](std::optional<TagListResult> loaded) {
            // On failure the earlier rows show again; the next attempt comes with the next
            // connection.
            if (loaded && loaded->result == ZOLTC_LOGIX_OK) {
                adoptList(std::move(loaded->list));
            } else if (!appState->isConnected()) {
                loadedEpoch = 0; // cut by a lost connection: the reconnect lists again
            }
            loading = false;
        });
    if (!loading) {
        logError("failed to start loading the tag list: the worker is stopping");
    }
}

void TreeView::adoptList(TagList list) {
    try {
        items.clear();
        tagList = std::move(list);
        items.reserve(tagList.records().size());
        for (const zoltc_logix_tag_info& record : tagList.records()) {
            if (zoltc_logix_type_is_program(record.type)) {
                auto program = std::make_unique<DatablockItem>(&record);
                program->loadChildren();
                items.push_back(std::move(program));
            } else {
                // Its member and element rows follow when first needed.
                std::string name = record.name != nullptr ? record.name : "";
                std::string path = name;
                items.push_back(std::make_unique<TagItem>(std::move(name), std::move(path), &record));
            }
        }
    } catch (const std::exception& error) {
        logError("failed to build the tag tree: {}", error.what());
    }
}

void TreeView::buildImGui() {
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(ImGui::GetStyle().ItemSpacing.x, rowSpacing));
    TreeItem::drawRows(items);
    ImGui::PopStyleVar();
    treePanel->setPreferredSize(zolt::ui::Vec2{getActualSize().x, ImGui::GetCursorPosY()});
}

void TreeView::buildFilter() {
    ImGui::SetNextItemWidth(ImGui::GetContentRegionAvail().x);
    ImGui::InputTextWithHint("##TagFilter", "Search tags...", &filterText);
}
