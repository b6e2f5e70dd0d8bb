#include "Views/TreeView.hpp"

#include "AppState.hpp"
#include "AppTheme.hpp"
#include "Background.hpp"
#include "Logger.hpp"
#include "Route.hpp"
#include "TagInspector.hpp"
#include "TagValues.hpp"
#include "Views/Spinner.hpp"
#include "Views/TreeNavigation.hpp"

#include <zolt/ui/Application.hpp>
#include <zolt/ui/ImGuiPanel.hpp>
#include <zolt/ui/Stack.hpp>
#include <zolt/ui/Window.hpp>

#include <imgui.h>
#include <imgui_internal.h>
#include <imgui_stdlib.h>

#include <fmt/format.h>

#include <algorithm>
#include <exception>
#include <string>
#include <utility>

namespace {

// The filter box's height; the rows always start below it.
constexpr float filterHeight = 50.0f;
constexpr float reloadButtonWidth = 64.0f;
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

    treePanel = addChild<zolt::ui::ImGuiPanel>(zolt::ui::Vec2{0.0f, filterHeight},
                                               zolt::ui::Vec2{size.x, size.y - filterHeight});
    treePanel->setDefaultFont(theme.defaultFont(), fontSize, nullptr);
    theme.applyImGuiStyle(treePanel->getImGuiContext());
    // The tree's keys are its own (handleKeys), not ImGui's moves between widgets.
    treePanel->getImGuiContext()->IO.ConfigFlags &= ~ImGuiConfigFlags_NavEnableKeyboard;
    treePanel->setBuildImGuiFunction([this] { buildImGui(); });
}

TreeView::~TreeView() {
    inspector->clear();
    filter.forgetOpened();
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
    // After a reload, a program's rows open again once they are in.
    std::erase_if(restoring, [this](DatablockItem* program) {
        if (program->isLoading()) {
            return false;
        }
        restoreRow(*program);
        return true;
    });
    if (filterFocusWanted) {
        filterFocusWanted = false;
        focusFilter = true;
        getWindow()->setFocusedWidget(filterPanel);
        zolt::ui::Application::requestFrame();
    }
    const bool isLoadingNow = loading;
    treePanel->setVisible(!isLoadingNow);
    spinnerStack->setVisible(isLoadingNow);
    filterPanel->setVisible(!isLoadingNow && !items.empty());

    // A new listing for each new connection, except a reconnect to the same controller
    // after a lost connection, which keeps the rows and the watch list. Another
    // controller after a loss keeps the watched paths it also has.
    if (appState->isConnected() && appState->tagEpoch() != loadedEpoch && !isLoadingNow) {
        loadedEpoch = appState->tagEpoch();
        std::vector<std::string> watched;
        if (appState->tagEpochAfterLoss()) {
            watched = watchedPaths();
        } else {
            inspector->clear();
        }
        clearRows();
        load(std::move(watched));
    }

    // Program rows fill after the list: the filter applies to their tags once they are in.
    const bool programsLoading =
        std::any_of(programs.begin(), programs.end(), [](const DatablockItem* program) { return program->isLoading(); });
    if (!programsLoading && !isLoadingNow) {
        reopenKeys.clear(); // every row a reload restores is there
        reselectKey.clear();
    }
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
    restoring.clear();
    filter.forgetOpened();
    filter.start(appliedFilter, std::vector<TreeItem*>{});
    select(nullptr);
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

bool TreeView::canReload() const {
    return appState->isConnected() && !loading &&
           std::none_of(programs.begin(), programs.end(), [](const DatablockItem* program) { return program->isLoading(); });
}

void TreeView::reload() {
    if (!canReload()) {
        return;
    }
    reopenKeys.clear();
    for (const auto& item : items) {
        rememberOpenRows(*item);
    }
    const TreeItem* current = getSelected();
    reselectKey = current != nullptr ? std::string(current->getKey()) : std::string();
    std::vector<std::string> watched = watchedPaths();
    clearRows();
    load(std::move(watched));
}

std::vector<std::string> TreeView::watchedPaths() const {
    std::vector<std::string> paths;
    for (const TagInspector::Entry& entry : inspector->entries()) {
        paths.push_back(entry.name);
    }
    return paths;
}

void TreeView::rememberOpenRows(const TreeItem& row) {
    if (!row.isOpen()) {
        return;
    }
    reopenKeys.emplace(row.getKey());
    for (std::size_t i = 0; i < row.getChildCount(); ++i) {
        rememberOpenRows(*row.getChild(i));
    }
}

void TreeView::restoreRow(TreeItem& row) {
    if (!reselectKey.empty() && row.getKey() == reselectKey) {
        select(&row);
    }
    if (reopenKeys.count(std::string(row.getKey())) == 0) {
        return;
    }
    row.setOpen(true);
    for (std::size_t i = 0; i < row.getChildCount(); ++i) {
        restoreRow(*row.getChild(i));
    }
}

TreeItem* TreeView::getSelected() const {
    return selectedAlive.expired() ? nullptr : selected;
}

void TreeView::select(TreeItem* row) {
    if (TreeItem* previous = getSelected()) {
        previous->setSelected(false);
    }
    selected = row;
    selectedAlive = row != nullptr ? row->lifetime() : std::weak_ptr<int>();
    if (row != nullptr) {
        row->setSelected(true);
        scrollSelected = true;
        zolt::ui::Application::requestFrame();
    }
}

void TreeView::resized() {
    zolt::ui::Widget::resized();
    const zolt::ui::Vec2 size = getActualSize();
    treePanel->setPreferredSize(zolt::ui::Vec2{size.x, size.y - filterHeight});
    spinnerStack->setPreferredSize(size);
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
    restoring.clear();
    filter.forgetOpened();
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
                offsets.extend(items);
                zolt::ui::Application::requestFrame(); // the rest in the next frames
                return;
            }
            for (; builtRecords < end; ++builtRecords) {
                const zoltc_logix_tag_info& record = records[builtRecords];
                if (zoltc_logix_type_is_program(record.type)) {
                    auto program = std::make_unique<DatablockItem>(&record);
                    program->loadChildren();
                    programs.push_back(program.get());
                    if (!reopenKeys.empty() || !reselectKey.empty()) {
                        restoring.push_back(program.get());
                    }
                    items.push_back(std::move(program));
                } else {
                    // Its member and element rows follow when first needed.
                    std::string name = record.name != nullptr ? record.name : "";
                    std::string path = name;
                    items.push_back(std::make_unique<TagItem>(std::move(name), std::move(path), &record));
                }
                if (!reopenKeys.empty() || !reselectKey.empty()) {
                    restoreRow(*items.back());
                }
            }
        }
    } catch (const std::exception& error) {
        logError("failed to build the tag tree: {}", error.what());
    }
    offsets.extend(items);
    building = false;
    loading = false;
    // The filter typed before (an earlier connection's included) applies to the new rows;
    // new rows show already when there is none.
    if (filterText.empty() && appliedFilter.empty()) {
        filteredBuilds = TreeItem::unfilteredBuilds();
    } else {
        startFilter();
    }
}

void TreeView::buildImGui() {
    if (!loadFailure.empty()) {
        buildFailure();
        return;
    }
    ImGui::BeginChild("##rows", ImVec2(0.0f, 0.0f));
    buildRowsPane();
    ImGui::EndChild();
}

void TreeView::buildRowsPane() {
    if (scrollRequest >= 0.0f) {
        ImGui::SetScrollY(std::exchange(scrollRequest, -1.0f));
    }
    handleKeys();
    if (filter.isRunning()) {
        ImGui::TextDisabled("Filtering\xE2\x80\xA6 %zu rows checked", filter.checked());
    }
    const float rowsTop = ImGui::GetCursorPosY();
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(ImGui::GetStyle().ItemSpacing.x, rowSpacing));
    offsets.draw(items);
    scrollToSelected(rowsTop);
    ImGui::PopStyleVar();
    handleClick();
    scrollY = ImGui::GetScrollY();
    scrollMaxY = ImGui::GetScrollMaxY();
}

void TreeView::handleClick() {
    if (TreeItem* clicked = TreeItem::takeClickedRow()) {
        select(clicked);
        scrollSelected = false; // it is in view: the pointer is on it
        clicked->activate();
    }
}

void TreeView::handleKeys() {
    const ImGuiIO& io = ImGui::GetIO();
    if (ImGui::IsKeyChordPressed(ImGuiMod_Ctrl | ImGuiKey_F)) {
        filterFocusWanted = true;
    } else if (!io.KeyCtrl && !io.KeyAlt && !io.InputQueueCharacters.empty()) {
        // Type to find: the characters go on into the filter box (Space stays the tree's).
        std::string typed;
        for (const ImWchar c : io.InputQueueCharacters) {
            if (c > ' ' && c != 0x7F) {
                char utf8[5];
                typed.append(utf8, static_cast<std::size_t>(ImTextCharToUtf8(utf8, c)));
            }
        }
        if (!typed.empty()) {
            typedAhead += typed;
            filterFocusWanted = true;
        }
    }
    if (filterFocusWanted) {
        zolt::ui::Application::requestFrame();
        return;
    }

    TreeItem* current = getSelected();
    if (current != nullptr) {
        current = treenav::shownAnchor(*current);
    }
    const int page = std::max(1, static_cast<int>(ImGui::GetWindowHeight() / TreeItem::rowPitch()) - 1);
    TreeItem* target = nullptr;
    if (current == nullptr) {
        // No selection yet: End starts at the last row, any other move at the first.
        for (const ImGuiKey key : {ImGuiKey_DownArrow, ImGuiKey_UpArrow, ImGuiKey_PageDown, ImGuiKey_PageUp, ImGuiKey_Home}) {
            if (ImGui::IsKeyPressed(key)) {
                target = treenav::firstShown(items);
            }
        }
        if (ImGui::IsKeyPressed(ImGuiKey_End)) {
            target = treenav::lastShown(items);
        }
    } else if (ImGui::IsKeyPressed(ImGuiKey_DownArrow)) {
        target = treenav::nextShown(items, *current);
    } else if (ImGui::IsKeyPressed(ImGuiKey_UpArrow)) {
        target = treenav::previousShown(items, *current);
    } else if (ImGui::IsKeyPressed(ImGuiKey_PageDown)) {
        target = treenav::moveShown(items, *current, page);
    } else if (ImGui::IsKeyPressed(ImGuiKey_PageUp)) {
        target = treenav::moveShown(items, *current, -page);
    } else if (ImGui::IsKeyPressed(ImGuiKey_Home)) {
        target = treenav::firstShown(items);
    } else if (ImGui::IsKeyPressed(ImGuiKey_End)) {
        target = treenav::lastShown(items);
    } else if (ImGui::IsKeyPressed(ImGuiKey_RightArrow)) {
        if (current->canOpen() && !current->isOpen()) {
            current->setOpen(true);
        } else if (TreeItem* next = treenav::nextShown(items, *current); next != nullptr && next->getParent() == current) {
            target = next;
        }
    } else if (ImGui::IsKeyPressed(ImGuiKey_LeftArrow)) {
        if (current->isOpen() && current->canOpen()) {
            current->setOpen(false);
        } else {
            target = current->getParent();
        }
    } else if (ImGui::IsKeyPressed(ImGuiKey_Enter) || ImGui::IsKeyPressed(ImGuiKey_KeypadEnter) ||
               ImGui::IsKeyPressed(ImGuiKey_Space)) {
        current->activate();
    }
    if (target != nullptr) {
        select(target);
    }
}

void TreeView::scrollToSelected(float rowsTop) {
    TreeItem* row = getSelected();
    if (!scrollSelected || row == nullptr || !treenav::isShown(*row)) {
        return;
    }
    scrollSelected = false;
    const float pitch = TreeItem::rowPitch();
    const float top = rowsTop + static_cast<float>(treenav::offsetOf(items, offsets, *row, pitch));
    const float bottom = top + pitch - rowSpacing;
    const float view = ImGui::GetWindowHeight();
    if (top < ImGui::GetScrollY()) {
        ImGui::SetScrollY(top);
    } else if (bottom > ImGui::GetScrollY() + view) {
        ImGui::SetScrollY(bottom - view);
    }
}

void TreeView::buildFailure() {
    ImGui::TextWrapped("%s", loadFailure.c_str());
    if (ImGui::Button("Retry")) {
        retry();
    }
}

void TreeView::buildFilter() {
    const float gap = ImGui::GetStyle().ItemSpacing.x;
    ImGui::SetNextItemWidth(std::max(ImGui::GetContentRegionAvail().x - reloadButtonWidth - gap, 1.0f));
    if (std::exchange(focusFilter, false)) {
        ImGui::ClearActiveID(); // taken again, even while it kept its activation
        ImGui::SetKeyboardFocusHere();
        selectFilterText = true;
    }
    ImGui::InputTextWithHint("##TagFilter", "Search tags...", &filterText);
    if (ImGui::IsItemActivated() && std::exchange(selectFilterText, false)) {
        if (ImGuiInputTextState* state = ImGui::GetInputTextState(ImGui::GetItemID())) {
            state->ReloadUserBufAndSelectAll(); // what is typed next replaces the old text
        }
    }
    if (!typedAhead.empty() && ImGui::IsItemActive()) {
        // The box takes the focus a frame after the request, with its text selected, and
        // ignores characters in that frame: they come in the next and replace the selection.
        ImGui::GetIO().AddInputCharactersUTF8(typedAhead.c_str());
        typedAhead.clear();
        zolt::ui::Application::requestFrame();
    }
    ImGui::SameLine();
    ImGui::BeginDisabled(!canReload());
    if (ImGui::Button("Reload", ImVec2(reloadButtonWidth, 0.0f))) {
        reload();
    }
    ImGui::EndDisabled();
    if (ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled)) {
        ImGui::SetTooltip("Reload tags: read the tag list again without reconnecting");
    }
}
