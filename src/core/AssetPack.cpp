#include "AssetPack.hpp"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <stdexcept>
#include <utility>

namespace {

constexpr std::uint32_t packMagic = 0x4B415054; // "TPAK" read as little-endian
constexpr std::uint32_t packVersion = 1;

std::uint64_t readLittleEndian(const std::uint8_t* at, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;) {
        value = (value << 8) | at[i];
    }
    return value;
}

// offset + length <= size, with a sum that would overflow counting as out of range.
bool fits(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
    return offset <= size && length <= size - offset;
}

[[noreturn]] void outOfRange(const char* region) {
    throw std::runtime_error(std::string("Pak out of range while reading ") + region);
}

} // namespace

AssetPack& AssetPack::instance() {
    static AssetPack pack;
    return pack;
}

void AssetPack::load(const std::string& path) {
    // The text is UTF-8 (what std::filesystem::path::string() gives on Linux and with
    // MinGW). Opened through a path, so that on Windows a folder name outside the ANSI
    // code page still opens: a narrow file name would be read in that code page there.
    const std::filesystem::path filePath(std::u8string(path.begin(), path.end()));
    std::ifstream file(filePath, std::ios::binary | std::ios::ate);
    if (!file) {
        throw std::runtime_error("Failed to open asset file: " + path);
    }
    const std::streamoff fileSize = file.tellg();
    if (fileSize < 1) {
        throw std::runtime_error("Pak file empty or unreadable");
    }
    std::vector<std::uint8_t> fileBytes(static_cast<std::size_t>(fileSize));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(fileBytes.data()), static_cast<std::streamsize>(fileSize));
    if (!file || file.gcount() != static_cast<std::streamsize>(fileSize)) {
        throw std::runtime_error("Failed to read entire asset file");
    }
    parse(std::move(fileBytes));
}

void AssetPack::parse(std::vector<std::uint8_t> fileBytes) {
    const std::uint64_t size = fileBytes.size();
    const std::uint8_t* base = fileBytes.data();
    if (size < headerSize) {
        throw std::runtime_error("asset file too small");
    }
    if (readLittleEndian(base, 4) != packMagic) {
        throw std::runtime_error("Bad magic (not TPAK)");
    }
    if (readLittleEndian(base + 4, 4) != packVersion) {
        throw std::runtime_error("Unsupported pak version");
    }
    const std::uint64_t entryCount = readLittleEndian(base + 8, 8);
    const std::uint64_t entriesOffset = readLittleEndian(base + 16, 8);
    const std::uint64_t namesOffset = readLittleEndian(base + 24, 8);

    // The table's length is entryCount * 24; compare by division so that no product
    // can wrap around.
    if (entriesOffset > size || entryCount > (size - entriesOffset) / entrySize) {
        outOfRange("entries table");
    }
    if (!fits(namesOffset, 1, size)) {
        outOfRange("names blob");
    }
    if (!fits(0, headerSize, size)) {
        outOfRange("header");
    }

    std::vector<AssetEntry> parsed;
    parsed.reserve(static_cast<std::size_t>(entryCount));
    for (std::uint64_t i = 0; i < entryCount; ++i) {
        const std::uint8_t* record = base + entriesOffset + i * entrySize;
        const std::uint64_t nameOffset = readLittleEndian(record, 8);
        const std::uint64_t dataOffset = readLittleEndian(record + 8, 8);
        const std::uint64_t dataSize = readLittleEndian(record + 16, 8);

        if (nameOffset > std::numeric_limits<std::uint64_t>::max() - namesOffset ||
            !fits(namesOffset + nameOffset, 1, size)) {
            outOfRange("name string start");
        }
        if (!fits(dataOffset, dataSize, size)) {
            outOfRange("file data");
        }
        const std::uint64_t nameStart = namesOffset + nameOffset;
        const void* terminator = std::memchr(base + nameStart, 0, static_cast<std::size_t>(size - nameStart));
        if (terminator == nullptr) {
            throw std::runtime_error("Unterminated name in pak");
        }
        const auto* nameBegin = reinterpret_cast<const char*>(base + nameStart);
        const auto nameLength = static_cast<std::size_t>(static_cast<const char*>(terminator) - nameBegin);
        parsed.push_back(AssetEntry{std::string_view(nameBegin, nameLength), base + dataOffset, dataSize});
    }

    // Moving the vector keeps its buffer, so the views built above stay valid.
    bytes = std::move(fileBytes);
    index = std::move(parsed);
}

std::optional<AssetEntry> AssetPack::find(std::string_view name) const {
    // std::string_view compares as unsigned bytes, the order the pack is sorted in.
    const auto candidate = std::lower_bound(index.begin(), index.end(), name,
                                            [](const AssetEntry& entry, std::string_view wanted) {
                                                return entry.name < wanted;
                                            });
    if (candidate == index.end() || candidate->name != name) {
        return std::nullopt;
    }
    return *candidate;
}
