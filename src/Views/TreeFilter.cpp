#include "Views/TreeFilter.hpp"

#include "Views/TreeItem.hpp"

#include <limits>
#include <utility>

RowSearch::RowSearch(const zoltc_logix_tag_info& record, std::string rowPath, std::string text)
    : path(std::move(rowPath)), needle_(std::move(text)) {
    push(record);
}

void RowSearch::push(const zoltc_logix_tag_info& record) {
    Level level{};
    level.record = &record;
    level.dimensions = zoltc_logix_type_dimensions(record.type);
    level.count = level.dimensions == 0 ? record.members.count : shownElementCount(record);
    if (level.dimensions != 0) {
        level.element = elementRecord(record);
    }
    level.mark = path.size();
    stack.push_back(level);
}

RowSearch::State RowSearch::run(std::size_t& budget) {
    while (!stack.empty()) {
        Level& top = stack.back();
        path.resize(top.mark);
        if (top.next == top.count) {
            stack.pop_back();
            continue;
        }
        if (budget == 0) {
            return State::Running;
        }
        --budget;
        const zoltc_logix_tag_info* child = nullptr;
        std::size_t nameStart = top.mark;
        if (top.dimensions == 0) {
            child = &top.record->members.items[top.next];
            if (top.mark > 0) {
                path += '.';
                ++nameStart;
            }
            path += child->name != nullptr ? child->name : "";
        } else {
            child = &top.element;
            appendElementName(path, top.index, top.dimensions);
            advanceElementIndex(top.index, *top.record, top.dimensions);
        }
        ++top.next;
        if (rowMatches(std::string_view(path).substr(nameStart), path, needle_)) {
            stack.clear();
            return State::Found;
        }
        if (hasTreeChildRows(*child)) {
            push(*child);
        }
    }
    return State::NotFound;
}

void TreeFilter::begin(std::string newText) {
    if (newText != openedFor) {
        // The rows opened for the earlier text close again, unless they went meanwhile.
        for (const auto& [row, alive] : opened) {
            if (!alive.expired()) {
                row->setOpen(false);
            }
        }
        forgetOpened();
        openedFor = newText;
    }
    text = std::move(newText);
    roots.clear();
    nextRoot = 0;
    stack.clear();
    running = true;
    decidedRows = 0;
    stepWork = 0;
    totalWork = 0;
}

void TreeFilter::forgetOpened() {
    opened.clear();
    openedSet.clear();
    openedRows = 0;
}

void TreeFilter::openForMatchesBelow(TreeItem& row) {
    if (text.empty() || !row.isVisible() || row.isOpen() || !row.canOpen() || row.matchesItself(text)) {
        return;
    }
    const std::size_t rows = row.childRowCount();
    if (openedRows + rows > maxOpenedRows || !openedSet.insert(&row).second) {
        return; // a row the user closed after this text opened it stays closed
    }
    row.setOpen(true); // builds the rows below: the tree runs the filter again over them
    opened.emplace_back(&row, row.lifetime());
    openedRows += rows;
}

bool TreeFilter::step(std::size_t budget) {
    std::size_t left = budget;
    // Deciding a row costs one check, and a search what it checks.
    while (running && left > 0) {
        if (stack.empty()) {
            if (nextRoot == roots.size()) {
                running = false;
                break;
            }
            stack.push_back(Visit{roots[nextRoot++]});
        }
        Visit& top = stack.back();
        if (top.nextChild < top.row->getChildCount()) {
            TreeItem* child = top.row->getChild(top.nextChild++);
            stack.push_back(Visit{child});
            continue;
        }
        --left;
        if (!top.row->filterStep(text, left)) {
            break;
        }
        ++decidedRows;
        TreeItem& row = *top.row;
        stack.pop_back();
        openForMatchesBelow(row);
    }
    stepWork = budget - left;
    totalWork += stepWork;
    return !running;
}

void TreeItem::applyFilter(const std::string& text) {
    TreeFilter filter;
    filter.start(text, std::vector<TreeItem*>{this});
    while (!filter.step(std::numeric_limits<std::size_t>::max())) {
    }
}
