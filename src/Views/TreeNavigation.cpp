#include "Views/TreeNavigation.hpp"

#include "Views/TreeItem.hpp"

namespace treenav {

namespace {

std::size_t siblingCount(const Rows& roots, const TreeItem* parent) {
    return parent != nullptr ? parent->getChildCount() : roots.size();
}

TreeItem* sibling(const Rows& roots, const TreeItem* parent, std::size_t index) {
    return parent != nullptr ? parent->getChild(index) : roots[index].get();
}

// The row's place among its siblings (a linear search: rows know no index of their own).
std::size_t indexOf(const Rows& roots, const TreeItem& row) {
    const TreeItem* parent = row.getParent();
    const std::size_t count = siblingCount(roots, parent);
    for (std::size_t i = 0; i < count; ++i) {
        if (sibling(roots, parent, i) == &row) {
            return i;
        }
    }
    return count;
}

// The last shown row of a shown row's subtree.
TreeItem* lastBelow(TreeItem& row) {
    TreeItem* last = &row;
    while (last->isOpen()) {
        TreeItem* child = nullptr;
        for (std::size_t i = last->getChildCount(); i-- > 0 && child == nullptr;) {
            if (last->getChild(i)->isVisible()) {
                child = last->getChild(i);
            }
        }
        if (child == nullptr) {
            break;
        }
        last = child;
    }
    return last;
}

} // namespace

bool isShown(const TreeItem& row) {
    for (const TreeItem* above = &row; above != nullptr; above = above->getParent()) {
        if (!above->isVisible() || (above != &row && !above->isOpen())) {
            return false;
        }
    }
    return true;
}

TreeItem* shownAnchor(TreeItem& row) {
    for (TreeItem* above = &row; above != nullptr; above = above->getParent()) {
        if (isShown(*above)) {
            return above;
        }
    }
    return nullptr;
}

TreeItem* firstShown(const Rows& roots) {
    for (const auto& row : roots) {
        if (row->isVisible()) {
            return row.get();
        }
    }
    return nullptr;
}

TreeItem* lastShown(const Rows& roots) {
    for (std::size_t i = roots.size(); i-- > 0;) {
        if (roots[i]->isVisible()) {
            return lastBelow(*roots[i]);
        }
    }
    return nullptr;
}

TreeItem* nextShown(const Rows& roots, const TreeItem& row) {
    if (row.isOpen()) {
        for (std::size_t i = 0; i < row.getChildCount(); ++i) {
            if (row.getChild(i)->isVisible()) {
                return row.getChild(i);
            }
        }
    }
    for (const TreeItem* from = &row; from != nullptr; from = from->getParent()) {
        const TreeItem* parent = from->getParent();
        const std::size_t count = siblingCount(roots, parent);
        for (std::size_t i = indexOf(roots, *from) + 1; i < count; ++i) {
            if (TreeItem* next = sibling(roots, parent, i); next->isVisible()) {
                return next;
            }
        }
    }
    return nullptr;
}

TreeItem* previousShown(const Rows& roots, const TreeItem& row) {
    TreeItem* parent = row.getParent();
    for (std::size_t i = indexOf(roots, row); i-- > 0;) {
        if (TreeItem* before = sibling(roots, parent, i); before->isVisible()) {
            return lastBelow(*before);
        }
    }
    return parent;
}

TreeItem* moveShown(const Rows& roots, TreeItem& row, int count) {
    TreeItem* at = &row;
    for (; count != 0; count += count > 0 ? -1 : 1) {
        TreeItem* next = count > 0 ? nextShown(roots, *at) : previousShown(roots, *at);
        if (next == nullptr) {
            break;
        }
        at = next;
    }
    return at;
}

double offsetOf(const Rows& roots, const RowOffsets& offsets, const TreeItem& row, float pitch) {
    double offset = 0.0;
    const TreeItem* at = &row;
    for (const TreeItem* parent = at->getParent(); parent != nullptr; at = parent, parent = at->getParent()) {
        offset += static_cast<double>(pitch); // the parent's own line
        for (std::size_t i = 0, end = indexOf(roots, *at); i < end; ++i) {
            offset += static_cast<double>(parent->getChild(i)->subtreeHeight(pitch));
        }
    }
    return offset + offsets.offsetOf(indexOf(roots, *at));
}

} // namespace treenav
