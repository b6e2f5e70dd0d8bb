#include "TagInspector.hpp"

#include "AppState.hpp"
#include "Printable.hpp"
#include "TagDisplay.hpp"
#include "TagValues.hpp"
#include "ThreadPool.hpp"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <optional>
#include <limits>

namespace {

std::int64_t wallClockNow() {
    auto since = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(since).count();
}

} // namespace

TagInspector& TagInspector::instance() {
    static TagInspector inspector;
    return inspector;
}

TagInspector::TagInspector()
    : appState(&AppState::instance()), pool(&ThreadPool::instance()), clock(wallClockNow) {}

void TagInspector::setClock(Clock replacement) {
    clock = replacement ? std::move(replacement) : Clock(wallClockNow);
}

void TagInspector::addTag(const zoltc_logix_tag_info& info, std::string_view path, bool boolBit) {
    const bool isString = zoltc_logix_tag_is_string(&info);
    Entry entry;
    entry.name = path.empty() ? std::string(info.name ? info.name : "") : std::string(path);
    entry.typeName = isString ? std::string("STRING") : std::string(tagTypeName(info));
    entry.type = info.type;
    entry.isString = isString;
    entry.boolBit = boolBit;
    add(std::move(entry));
}

bool TagInspector::addResolved(std::string path, const ResolvedTag& tag) {
    Entry entry;
    entry.name = std::move(path);
    entry.typeName = tag.isString ? std::string("STRING") : tag.typeName;
    entry.type = tag.type;
    entry.isString = tag.isString;
    entry.boolBit = tag.boolBit;
    return add(std::move(entry));
}

bool TagInspector::add(Entry entry) {
    // A STRING array is taken: its reads say why it has no value.
    if (!zoltc_logix_type_is_atomic(entry.type) && !entry.isString) {
        return false;
    }
    auto same = [&entry](const Entry& other) { return other.name == entry.name; };
    if (std::any_of(entries_.begin(), entries_.end(), same)) {
        return false;
    }
    ++generation;
    entries_.push_back(std::move(entry));
    return true;
}

void TagInspector::removeTag(const char* name) {
    // The name may live inside the entry that goes.
    const std::string key(name ? name : "");
    const std::size_t before = entries_.size();
    std::erase_if(entries_, [&key](const Entry& entry) { return entry.name == key; });
    if (entries_.size() != before) {
        ++generation;
    }
}

void TagInspector::moveTag(std::size_t from, std::size_t to) {
    if (from >= entries_.size() || to >= entries_.size() || from == to) {
        return;
    }
    Entry moved = std::move(entries_[from]);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(from));
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(to), std::move(moved));
    ++generation; // a read in flight holds its values in the earlier order
}

namespace {

// Ascending by value, numbers come first, then texts, then rows without a value.
int valueRank(const TagInspector::Entry& entry, std::optional<long double>& number) {
    if (entry.value.empty()) {
        return 2;
    }
    if (!entry.isString) {
        number = tagNumber(entry.raw, zoltc_logix_type_atomic_code(entry.rawType));
    }
    return number ? 0 : 1;
}

// -1, 0 or 1 as a is before, with or after b in ascending order.
int compareValues(const TagInspector::Entry& a, const TagInspector::Entry& b) {
    std::optional<long double> x;
    std::optional<long double> y;
    const int rankA = valueRank(a, x);
    const int rankB = valueRank(b, y);
    if (rankA != rankB) {
        return rankA < rankB ? -1 : 1;
    }
    if (x && y) {
        return *x < *y ? -1 : (*y < *x ? 1 : 0);
    }
    return a.value.compare(b.value) < 0 ? -1 : (b.value.compare(a.value) < 0 ? 1 : 0);
}

} // namespace

void TagInspector::sortBy(SortKey key, bool descending) {
    auto order = [key](const Entry& a, const Entry& b) {
        switch (key) {
        case SortKey::Name:
            return a.name.compare(b.name);
        case SortKey::Type:
            return a.typeName.compare(b.typeName);
        case SortKey::Value:
            return compareValues(a, b);
        }
        return 0;
    };
    std::stable_sort(entries_.begin(), entries_.end(), [&](const Entry& a, const Entry& b) {
        const int c = order(a, b);
        return descending ? c > 0 : c < 0;
    });
    ++generation;
}

void TagInspector::setFormat(std::string_view name, const ValueFormat& format) {
    for (Entry& entry : entries_) {
        if (entry.name == name) {
            entry.format = format;
        }
    }
}

std::string TagInspector::shownValue(const Entry& entry) {
    if (entry.isString) {
        return printable(entry.value);
    }
    if (entry.value.empty() || entry.format == ValueFormat{}) {
        return entry.value;
    }
    return formatTagValue(entry.raw, zoltc_logix_type_atomic_code(entry.rawType), entry.format);
}

std::vector<std::string> TagInspector::keepFound(const std::vector<std::string>& names,
                                                 const std::vector<std::optional<ResolvedTag>>& found) {
    std::vector<std::string> removed;
    for (std::size_t i = 0; i < names.size() && i < found.size(); ++i) {
        const auto entry = std::find_if(entries_.begin(), entries_.end(),
                                        [&](const Entry& candidate) { return candidate.name == names[i]; });
        if (entry == entries_.end()) {
            continue; // removed meanwhile
        }
        const std::optional<ResolvedTag>& tag = found[i];
        if (!tag || (!zoltc_logix_type_is_atomic(tag->type) && !tag->isString)) {
            removed.push_back(entry->name);
            entries_.erase(entry);
            continue;
        }
        entry->type = tag->type;
        entry->typeName = tag->typeName;
        entry->isString = tag->isString;
        entry->boolBit = tag->boolBit;
    }
    if (!names.empty()) {
        ++generation; // a read in flight was planned with the earlier types
    }
    return removed;
}

void TagInspector::clear() {
    entries_.clear();
    ++generation;
}

void TagInspector::update() {
    if (batch) {
        if (!batch->finished.load(std::memory_order_acquire)) {
            return;
        }
        const bool sameConnection = batch->connectionGeneration == appState->connectionGeneration();
        if (sameConnection && batch->ran) {
            connectionFailure = batch->connectionFailure;
            if (batch->generation == generation) {
                adopt(*batch);
            }
            for (const auto& [key, observer] : refreshObservers) {
                observer(*batch);
            }
            if (isConnectionFailure(connectionFailure)) {
                appState->noteConnectionLost(failureText(connectionFailure));
            }
        }
        batch.reset();
    }
    if (!appState->isConnected()) {
        markStale(connectionFailure != ZOLTC_LOGIX_OK ? failureText(connectionFailure) : "not connected");
        return;
    }
    const std::int64_t now = clock();
    // A clock set back waits until it has caught up with the last start plus the interval.
    const bool due = now >= lastReadTime && now - lastReadTime >= readInterval;
    if (due && !entries_.empty() && entries_.size() <= std::numeric_limits<std::uint32_t>::max()) {
        startBatch(now);
    }
}

std::int64_t TagInspector::nextReadTime() const {
    if (batch || entries_.empty() || !appState->isConnected()) {
        return 0;
    }
    return lastReadTime + readInterval;
}

void TagInspector::addRefreshObserver(const void* key, RefreshObserver observer) {
    removeRefreshObserver(key);
    refreshObservers.emplace_back(key, std::move(observer));
}

void TagInspector::removeRefreshObserver(const void* key) {
    std::erase_if(refreshObservers, [key](const auto& observer) { return observer.first == key; });
}

void TagInspector::setWake(std::function<void()> replacement) {
    wake = std::move(replacement);
}

void TagInspector::adopt(const ReadBatch& finished) {
    for (std::size_t i = 0; i < entries_.size() && i < finished.values.size(); ++i) {
        Entry& entry = entries_[i];
        const TagValue& read = finished.values[i];
        entry.problem = read.problem;
        entry.stale = read.result != ZOLTC_LOGIX_OK;
        if (!entry.stale) {
            entry.value = read.value;
            entry.raw = read.raw;
            entry.rawType = read.type;
            entry.typeName = read.typeName;
            entry.readTime = finished.startTime;
        }
    }
}

void TagInspector::markStale(const std::string& reason) {
    for (Entry& entry : entries_) {
        if (!entry.stale) {
            entry.stale = true;
            entry.problem = reason;
        }
    }
}

void TagInspector::startBatch(std::int64_t now) {
    try {
        auto next = std::make_shared<ReadBatch>();
        next->entries = entries_;
        next->generation = generation;
        next->connectionGeneration = appState->connectionGeneration();
        next->startTime = now;
        lastReadTime = now;
        batch = next;
        pool->submit([state = appState, next, wakeUi = wake] {
            readBatch(state, next);
            if (wakeUi) {
                wakeUi();
            }
        });
    } catch (const std::exception&) {
        // A refused submission (or no memory for the copy) skips this batch; the next
        // attempt comes after the interval.
        batch.reset();
    }
}

void TagInspector::readBatch(AppState* appState, const std::shared_ptr<ReadBatch>& batch) {
    // However the task ends, the next update collects the batch.
    struct Finish {
        ReadBatch& batch;
        ~Finish() { batch.finished.store(true, std::memory_order_release); }
    } finish{*batch};
    std::vector<PlannedRead> plan;
    plan.reserve(batch->entries.size());
    for (const Entry& entry : batch->entries) {
        plan.push_back(planRead(entry.name, entry.type, entry.isString, entry.typeName, entry.boolBit));
    }
    appState->withClient([&](zoltc_logix_client* client) {
        if (!appState->isConnected() || appState->connectionGeneration() != batch->connectionGeneration) {
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        batch->values = readValues(client, plan);
        const auto took = std::chrono::steady_clock::now() - start;
        batch->roundTrip = std::chrono::duration_cast<std::chrono::nanoseconds>(took).count();
        batch->ran = true;
        for (const TagValue& value : batch->values) {
            if (isConnectionFailure(value.result)) {
                batch->connectionFailure = value.result;
                break;
            }
        }
    });
}
