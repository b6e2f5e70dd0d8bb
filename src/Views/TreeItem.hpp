#pragma once

// The rows of the tag tree. A DatablockItem is one program: its tags are browsed in the
// background as soon as the row is made. A TagItem is a tag, a structure member or an
// array element: its member and element rows come from the record it was given, with no
// further request. Rows draw themselves with Dear ImGui inside the tree panel, follow the
// filter text, and a click on a tag row hands the tag to the inspector. UI thread only.
//
// Two things keep huge trees fast. A tag row builds its child rows only when they are
// first needed (the row is opened, or asked to with loadChildren): a controller of a
// hundred thousand records can describe millions of rows (every array of structures
// repeats its members), and building them all would stall the window for seconds. The filter still sees every row: a row whose
// children are not built yet matches against its records directly. And drawing skips
// rows outside the visible part of the panel: their height is added to the cursor
// instead, so the layout keeps its full height while only the rows that can be seen
// build ImGui items; at the top, RowOffsets finds them without walking every row.

#include "TagList.hpp"

#include "zoltc_logix.h"

#include <imgui.h>
#include <zolt/ui/Texture.hpp>
#include <zolt/ui/Types.hpp>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class AppTheme;
class RowSearch;
class TagInspector;
class TagItem;

class TreeItem {
public:
    // Where a row was drawn in its last frame, in the panel's pixels: the start of its
    // tree node (the arrow) and its hover/click area (from the icon to the right edge).
    struct RowGeometry {
        zolt::ui::Vec2 origin;
        zolt::ui::Vec4 hitRect; // x, y = min corner, z, w = max corner
        int frame = -1;         // the panel's ImGui frame count then (-1: never drawn)
    };

    TreeItem();
    virtual ~TreeItem();
    TreeItem(const TreeItem&) = delete;
    TreeItem& operator=(const TreeItem&) = delete;

    // True while the row loads its children (only a program's rows do).
    bool isLoading() const { return loading; }
    virtual void draw() = 0;
    // Filters this row and the rows below it at once (TreeFilter spreads it over frames).
    void applyFilter(const std::string& text);
    // Counts the rows built under a filter text not applied to them yet (they show until
    // it is): the tree runs its filter again when the count changes.
    static std::uint64_t unfilteredBuilds() { return unfilteredBuildCount; }
    // Changes whenever a shown row's height may have changed (a row opened, closed, shown,
    // hidden or given children under open rows): the tree keeps its row offsets until then.
    static std::uint64_t layoutVersion() { return layoutVersionCount; }
    // The row clicked in the last frame drawn, once (null when none was).
    static TreeItem* takeClickedRow();
    // Rows made from listed records are bounded per frame, so that a large listing (or
    // many program listings arriving together) spreads over frames instead of stalling
    // one: takes `rows` from the current frame's share and returns true, or returns false
    // when the share does not hold them (the first take of a frame always succeeds).
    static bool takeRowBudget(std::size_t rows);
    // Decides whether the row stays for the filter text, its built children being
    // decided already; takes the rows it checks from `budget`. False when the budget ran
    // out first: the next call goes on.
    virtual bool filterStep(const std::string& text, std::size_t& budget) = 0;
    // Whether the row itself matches the filter text (not only a row below it).
    virtual bool matchesItself(const std::string& text) const = 0;

    bool isVisible() const { return visible; }
    void setVisible(bool value);
    void setLoading(bool value) { loading = value; }
    bool isSelected() const { return selected; }
    void setSelected(bool value) { selected = value; }

    virtual std::size_t getChildCount() const = 0;
    virtual TreeItem* getChild(std::size_t index) const = 0;
    // The row this one is a child of; null for a row at the top.
    TreeItem* getParent() const { return parent; }
    // The row's text as shown.
    virtual std::string_view getLabel() const = 0;
    // What names the row across reloads of the list: a tag's path, a program's name.
    virtual std::string_view getKey() const = 0;
    // Whether the row can be opened (it has or will have rows below it).
    virtual bool canOpen() const = 0;
    // The rows directly below it, built or not.
    virtual std::size_t childRowCount() const { return getChildCount(); }
    // What a click on the row, Enter or Space does: a tag goes to the inspector.
    virtual void activate() {}
    // Whether the row is open (its children are drawn below it when it is visible).
    bool isOpen() const { return open; }
    // Opens (building the children first) or closes the row.
    void setOpen(bool value);
    const RowGeometry& getGeometry() const { return geometry; }
    // A weak reference to the row, for work that may end after the row is gone. The token
    // is made on first use: most rows never need one.
    std::weak_ptr<int> lifetime();

    // Draws rows in order inside the current ImGui window, skipping (with their height)
    // those outside its clip rectangle; then ends the run so the window's content extent
    // covers the skipped rows.
    template <class Rows>
    static void drawRows(const Rows& rows);

    // Vertical distance from one row to the next with the current ImGui style.
    static float rowPitch();
    // Height of this row and its open, visible descendants.
    float subtreeHeight(float pitch) const;

protected:
    // Expires the row's token; derived destructors call it before anything else goes.
    void endLifetime() { lifetimeToken.reset(); }
    // Makes this row the parent of `child` (rows that build children call it).
    void adopt(TreeItem& child) { child.parent = this; }

    // The drawing shared by both kinds of row: tree node with the id "##" + key, the
    // icon and the label with its hover colour, onRowDrawn, then the children when open.
    void drawRow(std::string_view key, std::string_view label, const zolt::ui::Texture* icon,
                 ImGuiTreeNodeFlags treeNodeFlags, const AppTheme& theme);
    // Called after the row's own line, before its children: shows the hover text.
    virtual void onRowDrawn(bool hovered);
    // Called before the children of an open row are drawn: they must exist then.
    virtual void prepareChildren();
    // Whether a row below this one is visible (they are decided).
    bool anyChildVisible() const;
    static void noteUnfilteredBuild() { ++unfilteredBuildCount; }
    // Notes that rows below this one changed (were built): the layout changes when it is shown open.
    void noteChildrenChanged() const;

private:
    class RowWalk;
    void drawChildren();
    // Whether this row and every row above it is open.
    bool openToTheTop() const;

    static inline std::uint64_t unfilteredBuildCount = 0; // UI thread only
    static inline std::uint64_t layoutVersionCount = 0;
    static inline TreeItem* clickedRow = nullptr;
    static inline std::uint64_t budgetFrame = ~std::uint64_t{0}; // the frame rowBudgetLeft is for
    static inline std::size_t rowBudgetLeft = 0;
    std::shared_ptr<int> lifetimeToken;
    TreeItem* parent = nullptr;
    bool visible = true;
    bool loading = false;
    bool open = false;
    bool selected = false;
    RowGeometry geometry;
};

// The row of one program; its tags are browsed on the pool worker.
class DatablockItem : public TreeItem {
public:
    // `info` is the program's record in the tree's list; it must outlive the row.
    explicit DatablockItem(const zoltc_logix_tag_info* info);
    ~DatablockItem() override;

    // Starts the background browse of the program's tags (UI thread).
    void loadChildren();
    // Makes rows of a list that arrived when the frame's row budget was spent; the tree
    // calls it every frame. The row shows as loading until then.
    void adoptPending();

    void draw() override;
    bool filterStep(const std::string& text, std::size_t& budget) override;
    // A program's name is not matched: only its tags are.
    bool matchesItself(const std::string&) const override { return false; }
    std::size_t getChildCount() const override { return children.size(); }
    TreeItem* getChild(std::size_t index) const override;
    std::string_view getLabel() const override;
    std::string_view getKey() const override { return getLabel(); }
    bool canOpen() const override { return true; }
    // Opens or closes the row.
    void activate() override { setOpen(!isOpen()); }
    const zoltc_logix_tag_info* getInfo() const { return info; }
    // Why the program's tags could not be listed ("privilege violation", ...), shown on
    // hover; empty when they were.
    const std::string& getFailure() const { return failure; }

protected:
    void onRowDrawn(bool hovered) override;

private:
    // The browse's continuation on the UI thread: the list becomes the rows.
    void adoptChildren(TagList list);

    const AppTheme* theme;
    const zolt::ui::Texture* icon;
    TagList tagList;
    std::vector<std::unique_ptr<TagItem>> children;
    const zoltc_logix_tag_info* info;
    std::string failure;
    std::optional<TagList> pending; // arrived, not made rows yet
};

// The row of a tag, a structure member or an array element.
class TagItem : public TreeItem {
public:
    // A row named `name` at `path` (TagRows.hpp gives both). `info` must outlive the row;
    // for an array element (`element`) it is the array's record.
    TagItem(std::string name, std::string path, const zoltc_logix_tag_info* info, bool element = false);
    ~TagItem() override;

    // Builds the member or element rows (once), and a last note row when the array has
    // more elements than rows; each of them builds its own when needed.
    void loadChildren();
    // Whether the record gives the row children (members, or elements of an array whose
    // dimensions are not 0; a STRING has none), built or not.
    bool hasChildren() const;
    bool areChildrenBuilt() const { return childrenBuilt; }

    void draw() override;
    bool filterStep(const std::string& text, std::size_t& budget) override;
    bool matchesItself(const std::string& text) const override;
    std::size_t getChildCount() const override;
    TreeItem* getChild(std::size_t index) const override;
    std::string_view getLabel() const override { return name; }
    std::string_view getKey() const override { return path; }
    bool canOpen() const override { return hasChildren(); }
    std::size_t childRowCount() const override;
    // Hands the tag to the inspector, which decides whether it can be watched.
    void activate() override;

    const std::string& getName() const { return name; }
    const std::string& getPath() const { return path; }
    // The data type as the hover text gives it: "DINT[10,4]", "MOTOR_UDT[20]", "STRING".
    std::string getTypeName() const;
    const zoltc_logix_tag_info* getInfo() const { return info; }
    // An element of a BOOL array: a bit of a word the controller serves.
    bool isBoolBit() const { return boolBit; }

protected:
    void onRowDrawn(bool hovered) override;
    void prepareChildren() override;

private:
    const AppTheme* theme;
    TagInspector* inspector;
    const zolt::ui::Texture* icon;
    const zoltc_logix_tag_info* info;
    zoltc_logix_tag_info ownInfo{};
    bool boolBit = false; // an element of a BOOL array: one bit of a word the controller serves
    std::string name;
    std::string path;
    std::vector<std::unique_ptr<TagItem>> children;
    std::unique_ptr<TreeItem> moreRow; // "… 400 000 more elements" after the last element
    bool childrenBuilt = false;
    // The last filter text applied while the children were not built: when they are, the
    // tree filters them (a bounded share a frame: each can describe millions of rows).
    std::string pendingFilter;
    std::unique_ptr<RowSearch> search; // the filter's search below the record, under way
};

// A row of text without children, such as the note after an array's last element row.
class NoteItem : public TreeItem {
public:
    explicit NoteItem(std::string text);

    void draw() override;
    // The note shows as long as its parent does.
    bool filterStep(const std::string& text, std::size_t& budget) override;
    bool matchesItself(const std::string&) const override { return true; }
    std::size_t getChildCount() const override { return 0; }
    TreeItem* getChild(std::size_t) const override { return nullptr; }
    std::string_view getLabel() const override { return label; }
    std::string_view getKey() const override { return label; }
    bool canOpen() const override { return false; }

private:
    const AppTheme* theme;
    std::string label;
};

// Walks rows in order with a running position, drawing those that meet the visible part
// of the window and collecting the height of the others.
class TreeItem::RowWalk {
public:
    RowWalk();
    void visit(TreeItem& row);
    void finish();

private:
    void flush();
    float pitch;
    float clipTop;
    float clipBottom;
    float y;
    float pending = 0.0f;
};

// The offsets of a list of rows from the first one's top, kept while the layout version
// and the pitch stay the same: a frame then finds the rows it can see by a binary search
// instead of walking every row (a controller of 150 000 tags is 150 000 rows at the top).
class RowOffsets {
public:
    using Rows = std::span<const std::unique_ptr<TreeItem>>;
    // Draws the rows that meet the visible part of the current ImGui window, and the
    // height of the others, as TreeItem::drawRows does.
    void draw(Rows rows);
    // Brings the offsets up to date: those of rows added at the end since the last call
    // only, when nothing else changed.
    void update(Rows rows, float pitch);
    // The same with the pitch of the last draw (none before one), for rows added outside
    // a frame: the offsets of a list being built are summed batch by batch, while its
    // rows are fresh, instead of all in the first frame that draws them.
    void extend(Rows rows);
    // The offset of the row at `index`, and of the end of the rows (index = their count).
    double offsetOf(std::size_t index) const { return tops.at(index); }

private:
    std::vector<double> tops; // tops[i]: the height of the rows before row i
    std::uint64_t version = ~std::uint64_t{0};
    float pitch = -1.0f;
    const void* first = nullptr;
};

template <class Rows>
void TreeItem::drawRows(const Rows& rows) {
    RowWalk walk;
    for (const auto& row : rows) {
        walk.visit(*row);
    }
    walk.finish();
}
