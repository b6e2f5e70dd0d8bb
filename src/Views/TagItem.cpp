#include "Views/TreeItem.hpp"

#include "AppTextures.hpp"
#include "AppTheme.hpp"
#include "TagDisplay.hpp"
#include "Views/TagInspector.hpp"

#include <imgui.h>

#include <algorithm>
#include <array>
#include <charconv>

namespace {

// Open on the arrow; hit box and highlight span the label only; no arrow without children.
constexpr int tagNodeFlags = ImGuiTreeNodeFlags_OpenOnArrow | ImGuiTreeNodeFlags_SpanLabelWidth;
constexpr int leafNodeFlags = tagNodeFlags | ImGuiTreeNodeFlags_Leaf;
static_assert(tagNodeFlags == 0x2080 && leafNodeFlags == 0x2180);

// An array element's record is the array's without its dimensions.
constexpr std::uint16_t withoutDimensions = 0x9FFF;

using Index = std::array<std::uint32_t, 3>;

// "[i]", "[i,j]" or "[i,j,k]" appended to `text`.
void appendElementName(std::string& text, const Index& index, unsigned dimensions) {
    text += '[';
    for (unsigned d = 0; d < dimensions; ++d) {
        if (d > 0) {
            text += ',';
        }
        char digits[16];
        const auto written = std::to_chars(digits, digits + sizeof digits, index[d]);
        text.append(digits, written.ptr);
    }
    text += ']';
}

// The number of element rows of an array (0 when a dimension is 0), capped.
std::uint64_t elementCount(const zoltc_logix_tag_info& info, unsigned dimensions) {
    std::uint64_t total = 1;
    for (unsigned d = 0; d < dimensions; ++d) {
        total = std::min<std::uint64_t>(total * info.dims[d], TagItem::maxElementRows);
    }
    return total;
}

// The next index, the first one running slowest.
void advance(Index& index, const zoltc_logix_tag_info& info, unsigned dimensions) {
    for (unsigned d = dimensions; d-- > 0;) {
        if (++index[d] < info.dims[d]) {
            return;
        }
        index[d] = 0;
    }
}

zoltc_logix_tag_info elementRecord(const zoltc_logix_tag_info& array) {
    zoltc_logix_tag_info element = array;
    element.type = static_cast<std::uint16_t>(array.type & withoutDimensions);
    element.dims[0] = element.dims[1] = element.dims[2] = 0;
    return element;
}

bool matches(std::string_view name, std::string_view path, std::string_view needle) {
    return containsIgnoreCase(name, needle) || containsIgnoreCase(path, needle);
}

// Whether any row that would be built below a row of this record, at `path`, matches:
// the same rows, names and paths that building them would give. `path` is restored.
bool descendantMatches(const zoltc_logix_tag_info& info, std::string& path, std::string_view needle) {
    const std::size_t mark = path.size();
    const unsigned dimensions = zoltc_logix_type_dimensions(info.type);
    if (dimensions == 0) {
        for (std::uint32_t i = 0; i < info.members.count; ++i) {
            const zoltc_logix_tag_info& member = info.members.items[i];
            const std::string_view name = member.name != nullptr ? member.name : "";
            path += '.';
            path += name;
            const bool hit = matches(name, path, needle) || descendantMatches(member, path, needle);
            path.resize(mark);
            if (hit) {
                return true;
            }
        }
        return false;
    }
    const zoltc_logix_tag_info element = elementRecord(info);
    const std::uint64_t total = elementCount(info, dimensions);
    Index index{};
    for (std::uint64_t n = 0; n < total; ++n) {
        appendElementName(path, index, dimensions);
        const std::string_view name = std::string_view(path).substr(mark);
        const bool hit = matches(name, path, needle) || descendantMatches(element, path, needle);
        path.resize(mark);
        if (hit) {
            return true;
        }
        advance(index, info, dimensions);
    }
    return false;
}

// Every tag row shows the same icon: looked up once it exists (the cache keeps it for
// the process), again while it does not.
const zolt::ui::Texture* tagIcon() {
    static const zolt::ui::Texture* icon = nullptr;
    if (icon == nullptr) {
        icon = AppTextures::instance().getSvg("icons/tag.svg", 256, 256);
    }
    return icon;
}

} // namespace

TagItem::TagItem(const std::string& parentPath, const zoltc_logix_tag_info* record, const std::string& element)
    : theme(&AppTheme::instance()), inspector(&TagInspector::instance()), icon(tagIcon()), info(record) {
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
        ownInfo = elementRecord(*record);
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

bool TagItem::hasChildren() const {
    const unsigned dimensions = zoltc_logix_type_dimensions(info->type);
    return dimensions == 0 ? info->members.count > 0 : elementCount(*info, dimensions) > 0;
}

void TagItem::addChild(const zoltc_logix_tag_info* record, const std::string& element) {
    children.push_back(std::make_unique<TagItem>(path, record, element));
}

void TagItem::loadChildren() {
    if (childrenBuilt) {
        return;
    }
    childrenBuilt = true;
    const unsigned dimensions = zoltc_logix_type_dimensions(info->type);
    if (dimensions == 0) {
        children.reserve(info->members.count);
        for (std::uint32_t i = 0; i < info->members.count; ++i) {
            addChild(&info->members.items[i], std::string());
        }
    } else {
        loadElements(dimensions);
    }
    if (!pendingFilter.empty()) {
        for (auto& child : children) {
            child->applyFilter(pendingFilter);
        }
        pendingFilter.clear();
    }
}

void TagItem::loadElements(unsigned dimensions) {
    const std::uint64_t total = elementCount(*info, dimensions);
    children.reserve(static_cast<std::size_t>(total));
    Index index{};
    std::string element;
    for (std::uint64_t n = 0; n < total; ++n) {
        element.clear();
        appendElementName(element, index, dimensions);
        addChild(info, element);
        advance(index, *info, dimensions);
    }
}

void TagItem::prepareChildren() {
    loadChildren();
}

void TagItem::draw() {
    drawRow(path, name, icon, hasChildren() ? tagNodeFlags : leafNodeFlags, *theme);
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
    if (childrenBuilt) {
        bool anyChild = false;
        for (auto& child : children) {
            child->applyFilter(text);
            anyChild = anyChild || child->isVisible();
        }
        setVisible(anyChild || matches(name, path, text));
        return;
    }
    // Rows not built yet match against the records they would come from.
    pendingFilter = text;
    if (matches(name, path, text)) {
        setVisible(true);
        return;
    }
    std::string scratch = path;
    setVisible(descendantMatches(*info, scratch, text));
}
