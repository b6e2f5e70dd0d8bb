#pragma once

// The watched tags: the list the user picked in the tree, with type and value texts, and
// the background reads that refresh the values about once a second while connected.
// A row keeps its last good value and when it was read; a read that fails, or a
// connection that is gone, marks it stale with the reason, never as a fresh value.
// The model knows nothing of ImGui; InspectorView draws it. One per process; every
// operation runs on the UI thread except the read itself, which runs on the pool worker
// on the batch's own copy of the list.

#include "TagDisplay.hpp"
#include "TagResolver.hpp"
#include "TagValues.hpp"
#include "zoltc_logix.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class AppState;
class ThreadPool;

class TagInspector {
public:
    struct Entry {
        std::string name;     // full tag path text, unique within the list
        std::string typeName; // text of the "Type" column
        std::string value;    // text of the "Value" column: the last good value, empty before one
        std::uint16_t type = 0;
        bool isString = false;
        bool boolBit = false; // a bit of a BOOL array (name ends in its index)
        std::int64_t readTime = 0; // wall clock of the read that gave `value`; 0 before one
        bool stale = false;        // the latest read failed, or the connection is gone
        // Why the row is stale, or, on a fresh row, typeChangedText.
        std::string problem;
        std::array<std::uint8_t, 8> raw{}; // the value area `value` was decoded from
        std::uint16_t rawType = 0;         // the type it was decoded by
        ValueFormat format;                // how the row shows its value
    };

    enum class SortKey { Name, Type, Value };

    // One background read, shared by the inspector and the task that performs it. The
    // task writes values, ran and connectionFailure, then sets finished (release); the UI
    // thread reads them only after it has seen finished (acquire).
    struct ReadBatch {
        std::vector<Entry> entries;
        std::uint64_t generation = 0;
        std::uint64_t connectionGeneration = 0;
        std::int64_t startTime = 0;
        std::atomic<bool> finished{false};
        bool ran = false; // the read was attempted on the batch's connection
        std::vector<TagValue> values;
        // The first failure of the connection itself (lost, not connected), else OK.
        zoltc_logix_result connectionFailure = ZOLTC_LOGIX_OK;
        std::int64_t roundTrip = 0; // nanoseconds the read took on the worker, when it ran
    };

    // Called by update() with every batch it collects that was read on the present
    // connection, whether or not the list changed meanwhile: the trend and the status line
    // take their figures from it.
    using RefreshObserver = std::function<void(const ReadBatch&)>;

    // Nanoseconds of the system wall clock since 1970; tests substitute their own.
    using Clock = std::function<std::int64_t()>;

    static constexpr std::int64_t readInterval = 1'000'000'000;

    static TagInspector& instance();

    TagInspector(const TagInspector&) = delete;
    TagInspector& operator=(const TagInspector&) = delete;

    // Watches the tag when it is an atomic scalar or a "STRING" (any dimensions) and no
    // entry has its name yet. The name is `path`, or the record's name when it is empty.
    void addTag(const zoltc_logix_tag_info& info, std::string_view path, bool boolBit = false);
    // Watches a path found on the controller (an opened watch list), under the same
    // rules as addTag. Returns whether it was added.
    bool addResolved(std::string path, const ResolvedTag& tag);
    // Removes the entry with this name, if any.
    void removeTag(const char* name);
    // Moves the entry at `from` to index `to` (both below the size).
    void moveTag(std::size_t from, std::size_t to);
    // Orders the rows, ties kept in their order. Ascending by value: numbers by their
    // value, then texts, then rows without a value; descending is the reverse.
    void sortBy(SortKey key, bool descending);
    // The display format of the entry with this name, if any.
    void setFormat(std::string_view name, const ValueFormat& format);
    // The value text in the row's format; a STRING with its control bytes escaped.
    static std::string shownValue(const Entry& entry);
    // Removes every entry (and discards a read in flight when it ends).
    void clear();
    // After another controller answered: each entry named in `names` takes the type
    // `found` gives for it on that controller, or goes when it has none there (or one
    // that cannot be watched). Returns the names that went.
    std::vector<std::string> keepFound(const std::vector<std::string>& names,
                                       const std::vector<std::optional<ResolvedTag>>& found);
    const std::vector<Entry>& entries() const { return entries_; }

    // Per frame: adopts a finished read when it is still current, and starts the next one
    // when connected, the list is not empty and a second has passed since the last start.
    void update();

    // Whether a read batch has been started and not yet collected by update().
    bool isReading() const { return batch != nullptr; }
    // When the next read is due, on the inspector's clock; 0 when none is (nothing to
    // read, not connected, or a read in flight: its end wakes the UI).
    std::int64_t nextReadTime() const;
    // The connection failure of the last collected batch ("connection lost", ...), or OK.
    zoltc_logix_result lastConnectionFailure() const { return connectionFailure; }
    // Called on the worker when a batch ends, so that a sleeping UI collects it.
    void setWake(std::function<void()> wake);
    // The inspector's clock now (readTime and nextReadTime are on it).
    std::int64_t now() const { return clock(); }
    // Replaces the wall clock (null restores it).
    void setClock(Clock clock);
    // Adds (or, under the same key, replaces) an observer of collected batches; removing an
    // unknown key does nothing.
    void addRefreshObserver(const void* key, RefreshObserver observer);
    void removeRefreshObserver(const void* key);

private:
    TagInspector();
    bool add(Entry entry);
    static void readBatch(AppState* appState, const std::shared_ptr<ReadBatch>& batch);
    void startBatch(std::int64_t now);
    void adopt(const ReadBatch& finished);
    void markStale(const std::string& reason);

    AppState* appState;
    ThreadPool* pool;
    std::vector<Entry> entries_;
    std::shared_ptr<ReadBatch> batch;
    std::uint64_t generation = 0;
    std::int64_t lastReadTime = 0;
    Clock clock;
    std::function<void()> wake;
    std::vector<std::pair<const void*, RefreshObserver>> refreshObservers;
    zoltc_logix_result connectionFailure = ZOLTC_LOGIX_OK;
};
