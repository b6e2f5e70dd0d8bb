#pragma once

// Where the keyboard moves in the tag tree: the rows a user sees (visible to the filter,
// below open rows), top to bottom, and where such a row sits below the first one. UI
// thread only; rows at the top are `roots`, in their order.

#include <cstddef>
#include <memory>
#include <vector>

class RowOffsets;
class TreeItem;

namespace treenav {

using Rows = std::vector<std::unique_ptr<TreeItem>>;

// Whether the row shows: it and every row above it are visible, and those above are open.
bool isShown(const TreeItem& row);
// The row itself when it shows, else its nearest ancestor that does; null when none does.
TreeItem* shownAnchor(TreeItem& row);
TreeItem* firstShown(const Rows& roots);
TreeItem* lastShown(const Rows& roots);
// The shown row after or before `row` (which shows), or null at the end.
TreeItem* nextShown(const Rows& roots, const TreeItem& row);
TreeItem* previousShown(const Rows& roots, const TreeItem& row);
// The shown row `count` rows after (count > 0) or before (count < 0) `row`, or the last
// one on the way when there are fewer.
TreeItem* moveShown(const Rows& roots, TreeItem& row, int count);
// How far a shown row's top is below the first row's, `offsets` being up to date for `roots`.
double offsetOf(const Rows& roots, const RowOffsets& offsets, const TreeItem& row, float pitch);

} // namespace treenav
