#pragma once

// The watched tags: the list the user picked in the tree, with type and value texts, and
// the background reads that refresh the values about once a second while connected.
// The model knows nothing of ImGui; InspectorView draws it. One per process; every
// operation runs on the UI thread except the read itself, which runs on the pool worker
// on the batch's own copy of the list.

#include "zoltc_logix.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class AppState;
class ThreadPool;

class TagInspector {
public:
    struct Entry {
        std::string name;     // full tag path text, unique within the list
        std::string typeName; // text of the "Type" column
        std::string value;    // text of the "Value" column; empty until the first read
        std::uint16_t type = 0;
        bool isString = false;
    };

    // One background read, shared by the inspector and the task that performs it. The
    // task writes entries and succeeded, then sets finished (release); the UI thread reads
    // them only after it has seen finished (acquire).
    struct ReadBatch {
        std::vector<Entry> entries;
        std::uint64_t generation = 0;
        std::uint64_t connectionGeneration = 0;
        std::atomic<bool> finished{false};
        bool succeeded = false;
    };

    // Nanoseconds of the system wall clock since 1970; tests substitute their own.
    using Clock = std::function<std::int64_t()>;

    static constexpr std::int64_t readInterval = 1'000'000'000;

    static TagInspector& instance();

    TagInspector(const TagInspector&) = delete;
    TagInspector& operator=(const TagInspector&) = delete;

    // Watches the tag when it is an atomic scalar or a "STRING" (any dimensions) and no
    // entry has its name yet. The name is `path`, or the record's name when it is empty.
    void addTag(const zoltc_logix_tag_info& info, std::string_view path);
    // Removes the entry with this name, if any.
    void removeTag(const char* name);
    // Removes every entry (and discards a read in flight when it ends).
    void clear();
    const std::vector<Entry>& entries() const { return entries_; }

    // Per frame: adopts a finished read when it is still current, and starts the next one
    // when connected, the list is not empty and a second has passed since the last start.
    void update();

    // Whether a read batch has been started and not yet collected by update().
    bool isReading() const { return batch != nullptr; }
    // Replaces the wall clock (null restores it).
    void setClock(Clock clock);

private:
    TagInspector();
    static void readBatch(AppState* appState, const std::shared_ptr<ReadBatch>& batch);
    void startBatch(std::int64_t now);

    AppState* appState;
    ThreadPool* pool;
    std::vector<Entry> entries_;
    std::shared_ptr<ReadBatch> batch;
    std::uint64_t generation = 0;
    std::int64_t lastReadTime = 0;
    Clock clock;
};
