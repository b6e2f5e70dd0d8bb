#pragma once

// The filter of the tag tree, done a bounded number of row checks at a time so that no
// frame waits for it: a controller can describe billions of rows below one tag (100 000
// structures, each with a 65 535-element member), and checking them all at once froze
// the window for half a minute. Rows are decided children first, so that a parent knows
// whether a row below it stays; a row whose children are not built searches the rows
// its record describes with a RowSearch that resumes where the last frame stopped.

#include "TagRows.hpp"

#include "zoltc_logix.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

class TreeItem;

// A resumable search for a row below a record whose name or path contains the needle.
class RowSearch {
public:
    enum class State { Running, Found, NotFound };

    RowSearch(const zoltc_logix_tag_info& record, std::string path, std::string needle);
    // Checks rows until one matches, none is left or `budget` rows were checked (each
    // check takes one from it).
    State run(std::size_t& budget);
    const std::string& needle() const { return needle_; }

private:
    struct Level {
        const zoltc_logix_tag_info* record;
        zoltc_logix_tag_info element; // an array's element record
        unsigned dimensions;
        std::uint64_t next = 0;
        std::uint64_t count;
        ElementIndex index{};
        std::size_t mark; // the path's length at this level
    };
    void push(const zoltc_logix_tag_info& record);

    std::deque<Level> stack; // a deque: a level's element record stays put while others are pushed
    std::string path;
    std::string needle_;
};

// One run of the filter over a tree's rows. It also opens the rows kept only for a match
// below them, so that the matches show, and closes them again when the text changes
// (rows open before stay as they were).
class TreeFilter {
public:
    // Row checks per frame: a few milliseconds of work.
    static constexpr std::size_t rowsPerFrame = 20000;
    // The rows the filter opens show at most this many rows below them (it opens no row
    // that would pass it): a broad text would otherwise build millions of rows, and one
    // 100 000-element array would stall the frame that opens it.
    static constexpr std::size_t maxOpenedRows = 4000;

    // Starts over with this text over these rows (which must outlive the run). Rows are
    // visited as they go, children before their parent, so starting costs nothing per row.
    template <class Rows>
    void start(std::string filterText, const Rows& rows) {
        begin(std::move(filterText));
        roots.reserve(rows.size());
        for (const auto& row : rows) {
            roots.push_back(&*row);
        }
    }
    // Decides rows for at most `budget` checks; true when every row is decided.
    bool step(std::size_t budget = rowsPerFrame);
    bool isRunning() const { return running; }
    // Rows decided so far.
    std::size_t decided() const { return decidedRows; }
    // The checks the last step made, at most its budget, and all steps of this run.
    std::size_t lastStepWork() const { return stepWork; }
    std::size_t checked() const { return totalWork; }
    // Forgets the rows it opened without touching them (they are about to go).
    void forgetOpened();

private:
    struct Visit {
        TreeItem* row;
        std::size_t nextChild = 0;
    };
    void begin(std::string text);
    void openForMatchesBelow(TreeItem& row);

    std::string text;
    std::vector<TreeItem*> roots;
    std::size_t nextRoot = 0;
    std::vector<Visit> stack; // the row being decided and its ancestors
    bool running = false;
    std::size_t decidedRows = 0;
    std::size_t stepWork = 0;
    std::size_t totalWork = 0;
    // The rows opened for the current text (a row may go while it is listed), and how
    // many rows they show.
    std::string openedFor;
    std::vector<std::pair<TreeItem*, std::weak_ptr<int>>> opened;
    std::unordered_set<const TreeItem*> openedSet;
    std::size_t openedRows = 0;
};
