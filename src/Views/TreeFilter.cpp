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
        if (hasChildRows(*child)) {
            push(*child);
        }
    }
    return State::NotFound;
}

void TreeFilter::begin(std::string newText) {
    text = std::move(newText);
    order.clear();
    next = 0;
    stepWork = 0;
    totalWork = 0;
}

void TreeFilter::collect(TreeItem& row) {
    for (std::size_t i = 0; i < row.getChildCount(); ++i) {
        collect(*row.getChild(i));
    }
    order.push_back(&row);
}

bool TreeFilter::step(std::size_t budget) {
    std::size_t left = budget;
    // Deciding a row costs one check, and a search what it checks.
    while (next < order.size() && left > 0) {
        --left;
        if (!order[next]->filterStep(text, left)) {
            break;
        }
        ++next;
    }
    stepWork = budget - left;
    totalWork += stepWork;
    return !isRunning();
}

void TreeItem::applyFilter(const std::string& text) {
    TreeFilter filter;
    filter.start(text, std::vector<TreeItem*>{this});
    while (!filter.step(std::numeric_limits<std::size_t>::max())) {
    }
}
