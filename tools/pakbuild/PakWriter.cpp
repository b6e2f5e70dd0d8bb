#include "PakWriter.hpp"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace pak {
namespace {

constexpr std::uint32_t packMagic = 0x4B415054; // "TPAK" read as little-endian
constexpr std::uint32_t packVersion = 1;
constexpr std::uint64_t headerSize = 40;
constexpr std::uint64_t entrySize = 24;

void putLittleEndian(std::vector<std::uint8_t>& out, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

std::string displayPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string packName(const std::filesystem::path& relative) {
    const std::u8string text = relative.generic_u8string();
    return std::string(text.begin(), text.end());
}

void checkNames(const std::vector<Item>& sortedItems) {
    for (std::size_t i = 0; i < sortedItems.size(); ++i) {
        const std::string& name = sortedItems[i].name;
        if (name.empty()) {
            throw std::runtime_error("an asset has an empty name");
        }
        if (name.find('\0') != std::string::npos) {
            throw std::runtime_error("asset name contains a NUL byte: " + name);
        }
        if (i > 0 && sortedItems[i - 1].name == name) {
            throw std::runtime_error("duplicate asset name: " + name);
        }
    }
}

} // namespace

std::vector<Source> listFolder(const std::filesystem::path& folder) {
    std::vector<Source> sources;
    std::error_code error;
    std::filesystem::recursive_directory_iterator walk(folder, error);
    for (; !error && walk != std::filesystem::recursive_directory_iterator(); walk.increment(error)) {
        if (walk->is_regular_file(error)) {
            sources.push_back(Source{packName(walk->path().lexically_relative(folder)), walk->path()});
        }
    }
    if (error) {
        throw std::runtime_error("cannot list folder " + displayPath(folder) + ": " + error.message());
    }
    return sources;
}

std::vector<Item> readSources(const std::vector<Source>& sources) {
    std::vector<Item> items;
    items.reserve(sources.size());
    for (const Source& source : sources) {
        std::ifstream file(source.file, std::ios::binary);
        if (!file) {
            throw std::runtime_error("cannot open " + displayPath(source.file));
        }
        std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        if (file.bad()) {
            throw std::runtime_error("cannot read " + displayPath(source.file));
        }
        items.push_back(Item{source.name, std::move(data)});
    }
    return items;
}

std::vector<std::uint8_t> encodePack(std::vector<Item> items) {
    // std::string compares as unsigned bytes: the order the reader's search expects.
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.name < b.name; });
    checkNames(items);

    const std::uint64_t entriesOffset = headerSize;
    const std::uint64_t namesOffset = entriesOffset + items.size() * entrySize;
    std::uint64_t namesLength = 0;
    for (const Item& item : items) {
        namesLength += item.name.size() + 1;
    }
    // The reader wants at least one byte at the names offset, even with no entries.
    namesLength = std::max<std::uint64_t>(namesLength, 1);

    std::vector<std::uint8_t> out;
    putLittleEndian(out, packMagic, 4);
    putLittleEndian(out, packVersion, 4);
    putLittleEndian(out, items.size(), 8);
    putLittleEndian(out, entriesOffset, 8);
    putLittleEndian(out, namesOffset, 8);
    putLittleEndian(out, 0, 8);

    std::uint64_t nameOffset = 0;
    std::uint64_t dataOffset = namesOffset + namesLength;
    for (const Item& item : items) {
        putLittleEndian(out, nameOffset, 8);
        putLittleEndian(out, dataOffset, 8);
        putLittleEndian(out, item.data.size(), 8);
        nameOffset += item.name.size() + 1;
        dataOffset += item.data.size();
    }
    for (const Item& item : items) {
        out.insert(out.end(), item.name.begin(), item.name.end());
        out.push_back(0);
    }
    if (items.empty()) {
        out.push_back(0);
    }
    for (const Item& item : items) {
        out.insert(out.end(), item.data.begin(), item.data.end());
    }
    return out;
}

void writeFileAtomically(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            throw std::runtime_error("cannot write " + displayPath(temporary));
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw std::runtime_error("cannot replace " + displayPath(path) + ": " + error.message());
    }
}

} // namespace pak
