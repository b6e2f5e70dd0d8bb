#include "Views/TreeItem.hpp"

#include "AppState.hpp"
#include "AppTextures.hpp"
#include "AppTheme.hpp"
#include "Background.hpp"
#include "Logger.hpp"
#include "TagRows.hpp"
#include "TagValues.hpp"

#include <imgui.h>
#include <zolt/ui/Application.hpp>

#include <exception>
#include <utility>

namespace {

// Opened by the arrow (a click elsewhere on the row toggles it too). Always with an
// arrow, also while the program has no tags.
constexpr ImGuiTreeNodeFlags programNodeFlags = ImGuiTreeNodeFlags_OpenOnArrow | ImGuiTreeNodeFlags_SpanLabelWidth;

const char* recordName(const zoltc_logix_tag_info* info) {
    return info != nullptr && info->name != nullptr ? info->name : "";
}

} // namespace

DatablockItem::DatablockItem(const zoltc_logix_tag_info* programInfo)
    : theme(&AppTheme::instance()), icon(AppTextures::instance().getSvg("icons/folder.svg", 256, 256)),
      info(programInfo) {}

DatablockItem::~DatablockItem() {
    endLifetime();
    // The children point into tagList.
    children.clear();
    tagList.reset();
    pending.reset();
}

TreeItem* DatablockItem::getChild(std::size_t index) const {
    return children.at(index).get();
}

std::string_view DatablockItem::getLabel() const {
    return recordName(info);
}

void DatablockItem::loadChildren() {
    setLoading(true);
    // The task owns what it uses: the program name is copied, the list is its own until
    // it reaches a row that still exists.
    const bool started = runInBackground(
        lifetime(),
        [program = std::string(recordName(info))] {
            std::pair<TagListResult, std::string> loaded; // the list, or why there is none
            AppState::instance().withClient([&](zoltc_logix_client* client) {
                loaded.first.result = loaded.first.list.browse(client, program);
                if (loaded.first.result != ZOLTC_LOGIX_OK) {
                    loaded.second = callFailureText(client, loaded.first.result);
                }
                return loaded.first.result;
            });
            return loaded;
        },
        [this](std::optional<std::pair<TagListResult, std::string>> loaded) {
            failure = loaded ? std::move(loaded->second) : std::string("the worker stopped");
            if (loaded && loaded->first.result == ZOLTC_LOGIX_OK) {
                pending = std::move(loaded->first.list);
                adoptPending();
                return;
            }
            logError("failed to list the tags of program '{}': {}", recordName(info), failure);
            setLoading(false);
        });
    if (!started) {
        // The pool is stopping: the row shows without tags.
        setLoading(false);
    }
}

void DatablockItem::adoptPending() {
    if (!pending) {
        return;
    }
    if (!takeRowBudget(pending->records().size())) {
        zolt::ui::Application::requestFrame(); // the next frame's share
        return;
    }
    adoptChildren(std::move(*pending));
    pending.reset();
    setLoading(false);
}

void DatablockItem::adoptChildren(TagList list) {
    try {
        children.clear();
        tagList = std::move(list);
        const std::string parentPath = programPath(recordName(info));
        for (const zoltc_logix_tag_info& record : tagList.records()) {
            std::string name = record.name != nullptr ? record.name : "";
            std::string path = memberPath(parentPath, name);
            children.push_back(std::make_unique<TagItem>(std::move(name), std::move(path), &record));
            adopt(*children.back());
        }
    } catch (const std::exception& error) {
        logError("failed to build the rows of program '{}': {}", recordName(info), error.what());
    }
    noteChildrenChanged();
}

void DatablockItem::draw() {
    drawRow(recordName(info), recordName(info), icon, programNodeFlags, *theme);
}

void DatablockItem::onRowDrawn(bool hovered) {
    if (!hovered) {
        return;
    }
    if (!failure.empty()) {
        ImGui::SetTooltip("The tags of this program could not be listed: %s", failure.c_str());
    } else if (isLoading()) {
        ImGui::SetTooltip("Program %s: listing its tags\xE2\x80\xA6", recordName(info));
    } else {
        ImGui::SetTooltip("Program %s: %zu %s", recordName(info), children.size(), children.size() == 1 ? "tag" : "tags");
    }
}

bool DatablockItem::filterStep(const std::string& text, std::size_t&) {
    setVisible(text.empty() || anyChildVisible());
    return true;
}
