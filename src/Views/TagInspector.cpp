#include "Views/TagInspector.hpp"

#include "AppState.hpp"
#include "TagDisplay.hpp"
#include "ThreadPool.hpp"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <limits>
#include <span>

namespace {

std::int64_t wallClockNow() {
    auto since = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(since).count();
}

bool isScalar(std::uint16_t type) {
    return zoltc_logix_type_dimensions(type) == 0;
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

void TagInspector::addTag(const zoltc_logix_tag_info& info, std::string_view path) {
    const bool isString = zoltc_logix_tag_is_string(&info);
    if (!zoltc_logix_type_is_atomic(info.type) && !isString) {
        return;
    }
    std::string name = path.empty() ? std::string(info.name ? info.name : "") : std::string(path);
    auto same = [&name](const Entry& entry) { return entry.name == name; };
    if (std::any_of(entries_.begin(), entries_.end(), same)) {
        return;
    }
    ++generation;
    Entry entry;
    entry.name = std::move(name);
    entry.typeName = isString ? std::string("STRING") : std::string(tagTypeName(info));
    entry.type = info.type;
    entry.isString = isString;
    entries_.push_back(std::move(entry));
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

void TagInspector::clear() {
    entries_.clear();
    ++generation;
}

void TagInspector::update() {
    if (batch) {
        if (!batch->finished.load(std::memory_order_acquire)) {
            return;
        }
        const bool current = batch->succeeded && batch->generation == generation &&
                             appState->isConnected() &&
                             batch->connectionGeneration == appState->connectionGeneration();
        if (current) {
            entries_ = std::move(batch->entries);
        }
        batch.reset();
    }
    const std::int64_t now = clock();
    // A clock set back waits until it has caught up with the last start plus the interval.
    const bool due = now >= lastReadTime && now - lastReadTime >= readInterval;
    if (appState->isConnected() && due && !entries_.empty() &&
        entries_.size() <= std::numeric_limits<std::uint32_t>::max()) {
        startBatch(now);
    }
}

void TagInspector::startBatch(std::int64_t now) {
    try {
        auto next = std::make_shared<ReadBatch>();
        next->entries = entries_;
        next->generation = generation;
        next->connectionGeneration = appState->connectionGeneration();
        lastReadTime = now;
        batch = next;
        pool->submit([state = appState, next] { readBatch(state, next); });
    } catch (const std::exception&) {
        // A refused submission (or no memory for the copy) skips this batch; the next
        // attempt comes after the interval.
        batch.reset();
    }
}

void TagInspector::readBatch(AppState* appState, const std::shared_ptr<ReadBatch>& batch) {
    try {
        std::vector<zoltc_logix_read_item> items;
        std::vector<std::size_t> owners;
        for (std::size_t i = 0; i < batch->entries.size(); ++i) {
            const Entry& entry = batch->entries[i];
            if (isScalar(entry.type) && zoltc_logix_type_is_atomic(entry.type)) {
                zoltc_logix_read_item item{};
                item.tag_name = entry.name.c_str();
                items.push_back(item);
                owners.push_back(i);
            }
        }
        appState->withClient([&](zoltc_logix_client* client) {
            if (!appState->isConnected() || appState->connectionGeneration() != batch->connectionGeneration) {
                return;
            }
            if (!items.empty() &&
                zoltc_logix_read_tags(client, items.data(), static_cast<std::uint32_t>(items.size())) == 0) {
                for (std::size_t k = 0; k < items.size(); ++k) {
                    if (items[k].status != 0) {
                        continue;
                    }
                    Entry& entry = batch->entries[owners[k]];
                    entry.value = formatTagValue(std::span<const std::uint8_t, 8>(items[k].value),
                                                 zoltc_logix_type_atomic_code(entry.type));
                }
            }
            for (Entry& entry : batch->entries) {
                if (!entry.isString || !isScalar(entry.type)) {
                    continue;
                }
                char text[stringBufferSize] = {};
                std::uint32_t length = 0;
                if (zoltc_logix_read_string(client, entry.name.c_str(), text, stringBufferSize, &length) == 0 &&
                    length <= stringBufferSize) {
                    entry.value.assign(text, length);
                }
            }
            batch->succeeded = true;
        });
    } catch (...) {
        // Nothing may leave a pool task; the batch is simply not adopted.
        batch->succeeded = false;
    }
    batch->finished.store(true, std::memory_order_release);
}
