#pragma once

// The rows of the tag tree. A DatablockItem is one program: its tags are browsed in the
// background as soon as the row is made. A TagItem is a tag, a structure member or an
// array element: its member and element rows come from the record it was given, with no
// further request. Rows draw themselves with Dear ImGui inside the tree panel, follow the
// filter text, and a click on a tag row hands the tag to the inspector. UI thread only.
//
// Two things keep huge trees fast. A tag row builds its child rows only when they are
// first needed (the row is opened, or asked to with loadChildren): a controller of a
// hundred thousand records can describe millions of rows (every STRING holds 82
// characters, every array of structures repeats its members), and building them all
// would stall the window for seconds. The filter still sees every row: a row whose
// children are not built yet matches against its records directly. And drawing skips
// rows outside the visible part of the panel: their height is added to the cursor
// instead, so the layout keeps its full height while only the rows that can be seen
// build ImGui items.

#include "TagList.hpp"

#include "zoltc_logix.h"

#include <imgui.h>
#include <zolt/ui/Texture.hpp>
#include <zolt/ui/Types.hpp>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
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
    // tree node (the arrow) and its hover/click area (icon, gap and label).
    struct RowGeometry {
        zolt::ui::Vec2 origin;
        zolt::ui::Vec4 hitRect; // x, y = min corner, z, w = max corner
        int frame = -1;         // the panel's ImGui frame count then (-1: never drawn)
    };

    TreeItem();
    virtual ~TreeItem();
    TreeItem(const TreeItem&) = delete;
    TreeItem& operator=(const TreeItem&) = delete;

    // True while this row or any row below it is loading its children.
    virtual bool isLoading() const;
    virtual void draw() = 0;
    // Filters this row and the rows below it at once (TreeFilter spreads it over frames).
    void applyFilter(const std::string& text);
    // Counts the rows built under a filter text not applied to them yet (they show until
    // it is): the tree runs its filter again when the count changes.
    static std::uint64_t unfilteredBuilds() { return unfilteredBuildCount; }
    // Rows made from listed records are bounded per frame, so that a large listing (or
    // many program listings arriving together) spreads over frames instead of stalling
    // one: takes `rows` from the current frame's share and returns true, or returns false
    // when the share does not hold them (the first take of a frame always succeeds).
    static bool takeRowBudget(std::size_t rows);
    // Decides whether the row stays for the filter text, its built children being
    // decided already; takes the rows it checks from `budget`. False when the budget ran
    // out first: the next call goes on.
    virtual bool filterStep(const std::string& text, std::size_t& budget) = 0;

    bool isVisible() const { return visible; }
    void setVisible(bool value) { visible = value; }
    void setLoading(bool value) { loading = value; }

    virtual std::size_t getChildCount() const = 0;
    virtual TreeItem* getChild(std::size_t index) const = 0;
    // The row's text as shown.
    virtual std::string_view getLabel() const = 0;
    // The open state the row had when it was last drawn.
    bool isOpen() const { return open; }
    const RowGeometry& getGeometry() const { return geometry; }

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
    // A weak reference to the row, for work that may end after the row is gone. The token
    // is made on first use: most rows never need one.
    std::weak_ptr<int> lifetime();
    // Expires the row's token; derived destructors call it before anything else goes.
    void endLifetime() { lifetimeToken.reset(); }

    // The drawing shared by both kinds of row: tree node with the id "##" + key, the
    // icon and the label with its hover colour, onRowDrawn, then the children when open.
    void drawRow(std::string_view key, std::string_view label, const zolt::ui::Texture* icon,
                 ImGuiTreeNodeFlags treeNodeFlags, const AppTheme& theme);
    // Called after the row's own line, before its children.
    virtual void onRowDrawn(bool hovered, bool clicked);
    // Called before the children of an open row are drawn: they must exist then.
    virtual void prepareChildren();
    // Whether a row below this one is visible (they are decided).
    bool anyChildVisible() const;
    static void noteUnfilteredBuild() { ++unfilteredBuildCount; }

private:
    class RowWalk;
    void drawChildren();

    static inline std::uint64_t unfilteredBuildCount = 0; // UI thread only
    static inline std::uint64_t budgetFrame = ~std::uint64_t{0}; // the frame rowBudgetLeft is for
    static inline std::size_t rowBudgetLeft = 0;
    std::shared_ptr<int> lifetimeToken;
    bool visible = true;
    bool loading = false;
    bool open = false;
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
    std::size_t getChildCount() const override { return children.size(); }
    TreeItem* getChild(std::size_t index) const override;
    std::string_view getLabel() const override;
    const zoltc_logix_tag_info* getInfo() const { return info; }
    // Why the program's tags could not be listed ("privilege violation", ...), shown on
    // hover; empty when they were.
    const std::string& getFailure() const { return failure; }

protected:
    void onRowDrawn(bool hovered, bool clicked) override;

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
    // dimensions are not 0), built or not.
    bool hasChildren() const;
    bool areChildrenBuilt() const { return childrenBuilt; }

    void draw() override;
    bool filterStep(const std::string& text, std::size_t& budget) override;
    std::size_t getChildCount() const override;
    TreeItem* getChild(std::size_t index) const override;
    std::string_view getLabel() const override { return name; }

    const std::string& getName() const { return name; }
    const std::string& getPath() const { return path; }
    std::string_view getTypeName() const { return typeName; }
    const zoltc_logix_tag_info* getInfo() const { return info; }
    // An element of a BOOL array: a bit of a word the controller serves.
    bool isBoolBit() const { return boolBit; }

protected:
    void onRowDrawn(bool hovered, bool clicked) override;
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
    std::string_view typeName;
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
    std::size_t getChildCount() const override { return 0; }
    TreeItem* getChild(std::size_t) const override { return nullptr; }
    std::string_view getLabel() const override { return label; }

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

template <class Rows>
void TreeItem::drawRows(const Rows& rows) {
    RowWalk walk;
    for (const auto& row : rows) {
        walk.visit(*row);
    }
    walk.finish();
}
