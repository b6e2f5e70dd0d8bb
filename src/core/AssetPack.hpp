#pragma once

// The application's fonts and images, read whole from one pack file ("assets.pak") at
// start-up and handed out as views into that single buffer.
//
// Layout (little-endian): a 40-byte header {"TPAK", version 1, entry count, entries
// offset, names offset, reserved}; entry count records of {name offset (relative to the
// names offset), data offset, data size}, 8 bytes each field; NUL-terminated names. The
// records are sorted by name in byte order, which lookups rely on.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct AssetEntry {
    std::string_view name;
    const std::uint8_t* data;
    std::uint64_t size;
};

class AssetPack {
public:
    static constexpr std::size_t headerSize = 40;
    static constexpr std::size_t entrySize = 24;

    // The process-wide pack of the application, created on first use.
    static AssetPack& instance();

    AssetPack() = default;
    AssetPack(const AssetPack&) = delete;
    AssetPack& operator=(const AssetPack&) = delete;

    // Reads and indexes the pack file. Throws std::runtime_error on any failure and
    // then keeps what it held before.
    void load(const std::string& path);

    // Validates and indexes a pack held in memory; the pack takes the bytes over.
    // Throws std::runtime_error as load() does for a malformed pack.
    void parse(std::vector<std::uint8_t> fileBytes);

    // The entry with exactly this name, or nothing. Views stay valid as long as the
    // pack holds its bytes (for the application: until process exit).
    std::optional<AssetEntry> find(std::string_view name) const;

    // Every entry in file order.
    const std::vector<AssetEntry>& entries() const { return index; }

private:
    std::vector<std::uint8_t> bytes;
    std::vector<AssetEntry> index;
};
