#include "Views/TreeItem.hpp"

#include "AppTextures.hpp"
#include "AppTheme.hpp"
#include "TagDisplay.hpp"
#include "Views/TagInspector.hpp"

#include <imgui.h>

#include <array>

namespace {

// Open on the arrow; hit box and highlight span the label only; no arrow without children.
constexpr int tagNodeFlags = ImGuiTreeNodeFlags_OpenOnArrow | ImGuiTreeNodeFlags_SpanLabelWidth;
constexpr int leafNodeFlags = tagNodeFlags | ImGuiTreeNodeFlags_Leaf;
static_assert(tagNodeFlags == 0x2080 && leafNodeFlags == 0x2180);

// An array element's record is the array's without its dimensions.
constexpr std::uint16_t withoutDimensions = 0x9FFF;

std::string elementName(const std::array<std::uint32_t, 3>& index, unsigned dimensions) {
    std::string text = "[";
    for (unsigned d = 0; d < dimensions; ++d) {
        if (d > 0) {
            text += ',';
        }
        text += std::to_string(index[d]);
    }
    text += ']';
    return text;
}

} // namespace

TagItem::TagItem(const std::string& parentPath, const zoltc_logix_tag_info* record, const std::string& element)
    : theme(&AppTheme::instance()), inspector(&TagInspector::instance()),
      icon(AppTextures::instance().getSvg("icons/tag.svg", 256, 256)), info(record) {
    name = element.empty() ? std::string(record->name != nullptr ? record->name : "") : element;
    if (parentPath.empty()) {
        path = name;
    } else {
        path.reserve(parentPath.size() + 1 + name.size());
        path = parentPath;
        if (element.empty()) {
            path += '.';
        }
        path += name;
    }
    if (!element.empty()) {
        // Borrowed type name and members; the name is this row's own.
        ownInfo = *record;
        ownInfo.type = static_cast<std::uint16_t>(record->type & withoutDimensions);
        ownInfo.dims[0] = ownInfo.dims[1] = ownInfo.dims[2] = 0;
        ownInfo.name = name.data();
        info = &ownInfo;
    }
    typeName = tagTypeName(*info);
}

TagItem::~TagItem() {
    endLifetime();
    children.clear();
}

TreeItem* TagItem::getChild(std::size_t index) const {
    return children.at(index).get();
}

void TagItem::addChild(const zoltc_logix_tag_info* record, const std::string& element) {
    auto child = std::make_unique<TagItem>(path, record, element);
    child->loadChildren();
    children.push_back(std::move(child));
}

void TagItem::loadChildren() {
    if (!children.empty()) {
        return;
    }
    const unsigned dimensions = zoltc_logix_type_dimensions(info->type);
    if (dimensions == 0) {
        for (std::uint32_t i = 0; i < info->members.count; ++i) {
            addChild(&info->members.items[i], std::string());
        }
        return;
    }
    loadElements(dimensions);
}

void TagItem::loadElements(unsigned dimensions) {
    std::uint64_t total = 1;
    for (unsigned d = 0; d < dimensions; ++d) {
        total *= info->dims[d];
        if (total == 0) {
            return;
        }
        total = std::min<std::uint64_t>(total, maxElementRows);
    }
    children.reserve(static_cast<std::size_t>(total));
    // The first index runs slowest: count up the last one and carry to the left.
    std::array<std::uint32_t, 3> index{};
    for (std::uint64_t n = 0; n < total; ++n) {
        addChild(info, elementName(index, dimensions));
        for (unsigned d = dimensions; d-- > 0;) {
            if (++index[d] < info->dims[d]) {
                break;
            }
            index[d] = 0;
        }
    }
}

void TagItem::draw() {
    drawRow(path, name, icon, children.empty() ? leafNodeFlags : tagNodeFlags, *theme);
}

void TagItem::onRowDrawn(bool hovered, bool clicked) {
    if (hovered) {
        ImGui::SetTooltip("Datatype: %.*s", static_cast<int>(typeName.size()), typeName.data());
    }
    if (clicked) {
        // The inspector decides whether the tag can be watched.
        inspector->addTag(*info, path);
    }
}

void TagItem::applyFilter(const std::string& text) {
    bool anyChild = false;
    for (auto& child : children) {
        child->applyFilter(text);
        anyChild = anyChild || child->isVisible();
    }
    setVisible(anyChild || containsIgnoreCase(name, text) || containsIgnoreCase(path, text));
}
