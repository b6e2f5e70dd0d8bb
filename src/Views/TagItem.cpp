#include "Views/TreeItem.hpp"

#include "AppTextures.hpp"
#include "AppTheme.hpp"
#include "TagDisplay.hpp"
#include "TagInspector.hpp"
#include "TagRows.hpp"
#include "Views/TreeFilter.hpp"

#include <imgui.h>

namespace {

// Opened by the arrow (a click elsewhere on the row watches the tag); no arrow without children.
constexpr ImGuiTreeNodeFlags tagNodeFlags = ImGuiTreeNodeFlags_OpenOnArrow | ImGuiTreeNodeFlags_SpanLabelWidth;
constexpr ImGuiTreeNodeFlags leafNodeFlags = tagNodeFlags | ImGuiTreeNodeFlags_Leaf;

// Every tag row shows the same icon: looked up once it exists (the cache keeps it for
// the process), again while it does not.
const zolt::ui::Texture* tagIcon() {
    static const zolt::ui::Texture* icon = nullptr;
    if (icon == nullptr) {
        icon = AppTextures::instance().getSvg("icons/tag.svg", 256, 256);
    }
    return icon;
}

// "400 000": groups of three digits apart.
std::string groupedDigits(std::uint64_t count) {
    std::string digits = std::to_string(count);
    for (std::size_t at = digits.size(); at > 3;) {
        at -= 3;
        digits.insert(at, 1, ' ');
    }
    return digits;
}

} // namespace

TagItem::TagItem(std::string rowName, std::string rowPath, const zoltc_logix_tag_info* record, bool element)
    : theme(&AppTheme::instance()), inspector(&TagInspector::instance()), icon(tagIcon()), info(record),
      name(std::move(rowName)), path(std::move(rowPath)) {
    if (element) {
        zoltc_logix_bool_element bit{};
        boolBit = zoltc_logix_bool_array_element(record, 0, &bit);
        // Borrowed type name and members; the name is this row's own.
        ownInfo = elementRecord(*record);
        ownInfo.name = name.data();
        info = &ownInfo;
    }
}

TagItem::~TagItem() {
    endLifetime();
    children.clear();
}

std::size_t TagItem::getChildCount() const {
    return children.size() + (moreRow ? 1 : 0);
}

TreeItem* TagItem::getChild(std::size_t index) const {
    return index == children.size() && moreRow ? moreRow.get() : children.at(index).get();
}

bool TagItem::hasChildren() const {
    return hasTreeChildRows(*info);
}

std::size_t TagItem::childRowCount() const {
    if (childrenBuilt || !hasChildren()) {
        return getChildCount();
    }
    if (zoltc_logix_type_dimensions(info->type) == 0) {
        return info->members.count;
    }
    return static_cast<std::size_t>(shownElementCount(*info)) + (omittedElementCount(*info) > 0 ? 1 : 0);
}

std::string TagItem::getTypeName() const {
    return tagFullTypeName(*info);
}

void TagItem::loadChildren() {
    if (childrenBuilt) {
        return;
    }
    childrenBuilt = true;
    if (!hasChildren()) {
        return;
    }
    const bool array = zoltc_logix_type_dimensions(info->type) != 0;
    children.reserve(array ? static_cast<std::size_t>(shownElementCount(*info)) : info->members.count);
    std::string scratch = path;
    anyChildRow(*info, scratch, [&](std::string_view childName, std::string_view childPath,
                                    const zoltc_logix_tag_info& record) {
        // An element's record is made by the row from the array's.
        children.push_back(std::make_unique<TagItem>(std::string(childName), std::string(childPath),
                                                     array ? info : &record, array));
        adopt(*children.back());
        return false;
    });
    if (const std::uint64_t omitted = omittedElementCount(*info); omitted > 0) {
        moreRow = std::make_unique<NoteItem>("\xE2\x80\xA6 " + groupedDigits(omitted) + " more elements");
        adopt(*moreRow);
    }
    noteChildrenChanged();
    if (!pendingFilter.empty()) {
        noteUnfilteredBuild();
        pendingFilter.clear();
    }
}

void TagItem::prepareChildren() {
    loadChildren();
}

void TagItem::draw() {
    drawRow(path, name, icon, hasChildren() ? tagNodeFlags : leafNodeFlags, *theme);
}

void TagItem::onRowDrawn(bool hovered) {
    if (hovered) {
        ImGui::SetTooltip("%s\nDatatype: %s", path.c_str(), getTypeName().c_str());
    }
}

void TagItem::activate() {
    inspector->addTag(*info, path, boolBit);
}

bool TagItem::matchesItself(const std::string& text) const {
    return rowMatches(name, path, text);
}

bool TagItem::filterStep(const std::string& text, std::size_t& budget) {
    if (childrenBuilt || !hasChildren()) {
        setVisible(anyChildVisible() || rowMatches(name, path, text));
        return true;
    }
    // Rows not built yet match against the records they would come from.
    pendingFilter = text;
    if (rowMatches(name, path, text)) {
        search.reset();
        setVisible(true);
        return true;
    }
    if (!search || search->needle() != text) {
        search = std::make_unique<RowSearch>(*info, path, text);
    }
    const RowSearch::State state = search->run(budget);
    if (state == RowSearch::State::Running) {
        return false;
    }
    search.reset();
    setVisible(state == RowSearch::State::Found);
    return true;
}

NoteItem::NoteItem(std::string text) : theme(&AppTheme::instance()), label(std::move(text)) {}

void NoteItem::draw() {
    drawRow(label, label, nullptr, leafNodeFlags, *theme);
}

bool NoteItem::filterStep(const std::string&, std::size_t&) {
    return true;
}
