#include "Views/TreeView.hpp"

#include "AppState.hpp"
#include "AppTheme.hpp"
#include "Background.hpp"
#include "Logger.hpp"
#include "Route.hpp"
#include "TagInspector.hpp"
#include "TagValues.hpp"
#include "Views/Spinner.hpp"
#include "Views/TreeItem.hpp"

#include <zolt/ui/Application.hpp>
#include <zolt/ui/ImGuiPanel.hpp>
#include <zolt/ui/ScrollView.hpp>
#include <zolt/ui/Stack.hpp>

#include <imgui.h>
#include <imgui_stdlib.h>

#include <fmt/format.h>

#include <algorithm>
#include <exception>
#include <string>
#include <utility>

namespace {

// The filter box's height; the scroll view always starts below it.
constexpr float filterHeight = 50.0f;
constexpr float rowSpacing = 8.0f;

// Why a listing failed, for a person. A communication module reached directly refuses
// the tag list (it has none): the way on is a route path to a controller in its chassis.
std::string failureSentence(zoltc_logix_client* client, zoltc_logix_result result) {
    const zoltc_logix_identity* identity = zoltc_logix_get_identity(client);
    if (result == ZOLTC_LOGIX_ERR_CIP_STATUS && identity != nullptr &&
        identity->device_type == communicationModuleType && AppState::instance().route().empty()) {
        return fmt::format("This is a communication module ({}): type a route path such as 1,0 to reach the "
                           "controller in slot 0",
                           identity->product_name != nullptr ? identity->product_name : "no product name");
    }
    if (result == ZOLTC_LOGIX_ERR_ROUTE_FAILED) {
        return "The tags could not be loaded: " + routeFailureText(client);
    }
    return "The tags could not be loaded: " + callFailureText(client, result);
}

} // namespace

TreeView::TreeView(zolt::ui::Widget* parent)
    : zolt::ui::Widget(parent), appState(&AppState::instance()), inspector(&TagInspector::instance()) {
    const AppTheme& theme = AppTheme::instance();
    const float fontSize = theme.listFontSize() * theme.imguiFontScale();
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
    programs.clear();
    items.clear();
    tagList.reset();
}

void TreeView::update() {
    zolt::ui::Widget::update();

    if (building) {
        buildRows();
    }
    for (DatablockItem* program : programs) {
        program->adoptPending();
    }
    const bool isLoadingNow = loading;
    treePanel->setVisible(!isLoadingNow);
    scrollView->setVisible(!isLoadingNow);
    spinnerStack->setVisible(isLoadingNow);
    filterPanel->setVisible(!isLoadingNow && !items.empty());

    // A new listing for each new connection, except a reconnect to the same controller
    // after a lost connection, which keeps the rows and the watch list. Another
    // controller after a loss keeps the watched paths it also has.
    if (appState->isConnected() && appState->tagEpoch() != loadedEpoch && !isLoadingNow) {
        loadedEpoch = appState->tagEpoch();
        std::vector<std::string> watched;
        if (appState->tagEpochAfterLoss()) {
            for (const TagInspector::Entry& entry : inspector->entries()) {
                watched.push_back(entry.name);
            }
        } else {
            inspector->clear();
        }
        clearRows();
        load(std::move(watched));
    }

    // Program rows fill after the list: the filter applies to their tags once they are in.
    const bool programsLoading =
        std::any_of(programs.begin(), programs.end(), [](const DatablockItem* program) { return program->isLoading(); });
    const bool rowsUnfiltered = TreeItem::unfilteredBuilds() != filteredBuilds;
    if (filterText != appliedFilter || rowsUnfiltered || (programsWereLoading && !programsLoading && !filterText.empty())) {
        startFilter();
    }
    programsWereLoading = programsLoading;
    if (filter.isRunning()) {
        filter.step();
        // The rest in the next frames, without waiting for input.
        zolt::ui::Application::requestFrame();
    }
}

void TreeView::startFilter() {
    appliedFilter = filterText;
    filteredBuilds = TreeItem::unfilteredBuilds();
    filter.start(filterText, items);
}

void TreeView::clearRows() {
    filter.start(appliedFilter, std::vector<TreeItem*>{});
    programs.clear();
    items.clear();
    tagList.reset();
    loadFailure.clear();
    building = false;
}

void TreeView::retry() {
    if (!loading && appState->isConnected()) {
        clearRows();
        load();
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

struct TreeView::Loaded {
    TagListResult tags;
    std::string reason;                            // why the listing failed
    std::vector<std::string> watched;              // looked up on the new list
    std::vector<std::optional<ResolvedTag>> found; // one per watched path
};

void TreeView::load(std::vector<std::string> watched) {
    loading = runInBackground(
        lifetime(),
        [watched = std::move(watched)] {
            Loaded loaded;
            loaded.watched = watched;
            AppState::instance().withClient([&](zoltc_logix_client* client) {
                loaded.tags.result = loaded.tags.list.browse(client, "");
                if (loaded.tags.result != ZOLTC_LOGIX_OK) {
                    loaded.reason = failureSentence(client, loaded.tags.result);
                } else if (!watched.empty()) {
                    loaded.found = resolveOnController(client, loaded.tags.list.records(), watched);
                }
                return loaded.tags.result;
            });
            return loaded;
        },
        [this](std::optional<Loaded> loaded) {
            if (loaded && loaded->tags.result == ZOLTC_LOGIX_OK) {
                const std::vector<std::string> removed = inspector->keepFound(loaded->watched, loaded->found);
                for (const std::string& name : removed) {
                    logInfo("watched tag '{}' is not on the controller that answered; removed from the watch list", name);
                }
                adoptList(std::move(loaded->tags.list));
                return;
            }
            loading = false;
            // No rows rather than another controller's: the reason and Retry instead.
            loadFailure = loaded ? loaded->reason : std::string("The tags could not be loaded: the worker stopped");
            logError("failed to load the tag list: {}", loadFailure);
            if (!appState->isConnected()) {
                loadedEpoch = 0; // cut by a lost connection: the reconnect lists again
            }
        });
    if (!loading) {
        logError("failed to start loading the tag list: the worker is stopping");
    }
}

void TreeView::adoptList(TagList list) {
    programs.clear();
    items.clear();
    tagList = std::move(list);
    builtRecords = 0;
    building = true;
    loading = true;
    buildRows();
}

void TreeView::buildRows() {
    // Rows a take: small enough that a frame's share is not overrun by much.
    constexpr std::size_t rowsPerTake = 500;
    const auto records = tagList.records();
    try {
        items.reserve(records.size());
        while (builtRecords < records.size()) {
            const std::size_t end = std::min(records.size(), builtRecords + rowsPerTake);
            if (!TreeItem::takeRowBudget(end - builtRecords)) {
                zolt::ui::Application::requestFrame(); // the rest in the next frames
                return;
            }
            for (; builtRecords < end; ++builtRecords) {
                const zoltc_logix_tag_info& record = records[builtRecords];
                if (zoltc_logix_type_is_program(record.type)) {
                    auto program = std::make_unique<DatablockItem>(&record);
                    program->loadChildren();
                    programs.push_back(program.get());
                    items.push_back(std::move(program));
                } else {
                    // Its member and element rows follow when first needed.
                    std::string name = record.name != nullptr ? record.name : "";
                    std::string path = name;
                    items.push_back(std::make_unique<TagItem>(std::move(name), std::move(path), &record));
                }
            }
        }
    } catch (const std::exception& error) {
        logError("failed to build the tag tree: {}", error.what());
    }
    building = false;
    loading = false;
    // The filter typed before (an earlier connection's included) applies to the new rows.
    startFilter();
}

void TreeView::buildImGui() {
    if (!loadFailure.empty()) {
        buildFailure();
        return;
    }
    if (filter.isRunning()) {
        ImGui::TextDisabled("Filtering\xE2\x80\xA6 %zu rows checked", filter.checked());
    }
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(ImGui::GetStyle().ItemSpacing.x, rowSpacing));
    TreeItem::drawRows(items);
    ImGui::PopStyleVar();
    treePanel->setPreferredSize(zolt::ui::Vec2{getActualSize().x, ImGui::GetCursorPosY()});
}

void TreeView::buildFailure() {
    ImGui::TextWrapped("%s", loadFailure.c_str());
    if (ImGui::Button("Retry")) {
        retry();
    }
    treePanel->setPreferredSize(zolt::ui::Vec2{getActualSize().x, ImGui::GetCursorPosY()});
}

void TreeView::buildFilter() {
    ImGui::SetNextItemWidth(ImGui::GetContentRegionAvail().x);
    ImGui::InputTextWithHint("##TagFilter", "Search tags...", &filterText);
}
