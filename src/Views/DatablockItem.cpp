#include "Views/TreeItem.hpp"

#include "AppState.hpp"
#include "AppTextures.hpp"
#include "AppTheme.hpp"
#include "Logger.hpp"
#include "ThreadPool.hpp"

#include <zolt/ui/Application.hpp>

#include <imgui.h>

#include <exception>
#include <utility>

namespace {

// Open on the arrow; hit box and highlight span the label only. Always with an arrow,
// also while the program has no tags.
constexpr int programNodeFlags = ImGuiTreeNodeFlags_OpenOnArrow | ImGuiTreeNodeFlags_SpanLabelWidth;
static_assert(programNodeFlags == 0x2080);

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
}

TreeItem* DatablockItem::getChild(std::size_t index) const {
    return children.at(index).get();
}

std::string_view DatablockItem::getLabel() const {
    return recordName(info);
}

void DatablockItem::loadChildren() {
    setLoading(true);
    // The task owns everything it uses: the program name is copied, the list is its own
    // until the continuation hands it to a row that still exists. A row destroyed in the
    // meantime (a tree reload, the end of the program) is never touched.
    std::weak_ptr<int> row = lifetime();
    DatablockItem* self = this;
    try {
        ThreadPool::instance().submit([row, self, program = std::string(recordName(info))]() mutable {
            if (row.expired()) {
                return;
            }
            TagList list;
            zoltc_logix_result result = ZOLTC_LOGIX_ERR_UNKNOWN;
            try {
                AppState::instance().withClient([&](zoltc_logix_client* client) {
                    result = zoltc_logix_list_program_tags(client, list.out(), program.c_str());
                });
            } catch (const std::exception&) {
                // Like a refused browse: the row shows without tags.
                result = ZOLTC_LOGIX_ERR_UNKNOWN;
            }
            try {
                zolt::ui::Application::dispatchToMainThread(
                    [row, self, result, list = std::move(list)]() mutable {
                        if (!row.expired()) {
                            self->adoptChildren(result, std::move(list));
                        }
                    });
            } catch (...) {
                // Without the hand-over the row stays loading; the list goes with the task.
            }
        });
    } catch (const std::exception&) {
        // The pool refused the task (it is stopping): the row shows without tags.
        setLoading(false);
    }
}

void DatablockItem::adoptChildren(zoltc_logix_result result, TagList list) {
    if (result != ZOLTC_LOGIX_OK) {
        setLoading(false);
        return;
    }
    try {
        children.clear();
        tagList = std::move(list);
        const std::string parentPath = std::string("Program:") + recordName(info);
        for (const zoltc_logix_tag_info& record : tagList.records()) {
            children.push_back(std::make_unique<TagItem>(parentPath, &record, std::string()));
        }
    } catch (const std::exception& error) {
        logError("failed to build the rows of program '{}': {}", recordName(info), error.what());
    }
    setLoading(false);
}

void DatablockItem::draw() {
    drawRow(recordName(info), recordName(info), icon, programNodeFlags, *theme);
}

void DatablockItem::applyFilter(const std::string& text) {
    bool anyChild = false;
    for (auto& child : children) {
        child->applyFilter(text);
        anyChild = anyChild || child->isVisible();
    }
    setVisible(text.empty() || anyChild);
}
