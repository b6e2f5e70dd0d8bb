#include "AssetPack.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t maxU64 = std::numeric_limits<std::uint64_t>::max();

struct Record {
    std::uint64_t nameOffset;
    std::uint64_t dataOffset;
    std::uint64_t dataSize;
};

// A pack file spelled out field by field, so that each test can break one field.
struct Layout {
    std::uint32_t magic = 0x4B415054;
    std::uint32_t version = 1;
    std::uint64_t entryCount = 0;
    std::uint64_t entriesOffset = 40;
    std::uint64_t namesOffset = 0;
    std::vector<Record> records;
    std::string names;
    std::string data;

    std::uint64_t fileSize() const { return 40 + records.size() * 24 + names.size() + data.size(); }

    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> out;
        auto put = [&out](std::uint64_t value, int width) {
            for (int i = 0; i < width; ++i) {
                out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
            }
        };
        put(magic, 4);
        put(version, 4);
        put(entryCount, 8);
        put(entriesOffset, 8);
        put(namesOffset, 8);
        put(0, 8);
        for (const Record& record : records) {
            put(record.nameOffset, 8);
            put(record.dataOffset, 8);
            put(record.dataSize, 8);
        }
        out.insert(out.end(), names.begin(), names.end());
        out.insert(out.end(), data.begin(), data.end());
        return out;
    }
};

// Two entries whose names share a prefix, stored in byte order: "a/b" -> "X",
// "a/b.svg" -> "YZW".
Layout prefixPack() {
    Layout layout;
    layout.names = std::string("a/b\0a/b.svg\0", 12);
    layout.data = "XYZW";
    layout.entryCount = 2;
    layout.namesOffset = 40 + 2 * 24;
    const std::uint64_t data = 40 + 2 * 24 + layout.names.size();
    layout.records = {{0, data, 1}, {4, data + 1, 3}};
    return layout;
}

std::string dataOf(const AssetEntry& entry) {
    return std::string(reinterpret_cast<const char*>(entry.data), static_cast<std::size_t>(entry.size));
}

std::string parseError(std::vector<std::uint8_t> bytes) {
    AssetPack pack;
    try {
        pack.parse(std::move(bytes));
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "(accepted)";
}

struct BrokenPack {
    const char* what;
    std::function<std::vector<std::uint8_t>()> bytes;
    const char* message;
};

std::function<std::vector<std::uint8_t>()> broken(std::function<void(Layout&)> change) {
    return [change] {
        Layout layout = prefixPack();
        change(layout);
        return layout.bytes();
    };
}

class AssetPackRejects : public testing::TestWithParam<BrokenPack> {};

TEST_P(AssetPackRejects, WithItsMessage) {
    EXPECT_EQ(parseError(GetParam().bytes()), GetParam().message) << GetParam().what;
}

const char* tooSmall = "asset file too small";
const char* entriesRange = "Pak out of range while reading entries table";
const char* namesRange = "Pak out of range while reading names blob";
const char* nameRange = "Pak out of range while reading name string start";
const char* dataRange = "Pak out of range while reading file data";

INSTANTIATE_TEST_SUITE_P(
    CraftedFiles, AssetPackRejects,
    testing::Values(
        BrokenPack{"nothing", [] { return std::vector<std::uint8_t>{}; }, tooSmall},
        BrokenPack{"39 bytes",
                   [] {
                       auto bytes = prefixPack().bytes();
                       bytes.resize(39);
                       return bytes;
                   },
                   tooSmall},
        BrokenPack{"wrong magic", broken([](Layout& l) { l.magic = 0x4C415054; }), "Bad magic (not TPAK)"},
        BrokenPack{"version 0", broken([](Layout& l) { l.version = 0; }), "Unsupported pak version"},
        BrokenPack{"version 2", broken([](Layout& l) { l.version = 2; }), "Unsupported pak version"},
        BrokenPack{"table one byte past the end",
                   broken([](Layout& l) { l.entriesOffset = l.fileSize() - 2 * 24 + 1; }), entriesRange},
        BrokenPack{"table offset at the top of the range", broken([](Layout& l) { l.entriesOffset = maxU64; }),
                   entriesRange},
        // 2^62 * 24 is 0 modulo 2^64: a wrapping product would pass as an empty table.
        BrokenPack{"count whose table length wraps", broken([](Layout& l) { l.entryCount = std::uint64_t{1} << 62; }),
                   entriesRange},
        BrokenPack{"one record more than the file holds", broken([](Layout& l) { l.entryCount = l.fileSize() / 24; }),
                   entriesRange},
        BrokenPack{"names offset at the end", broken([](Layout& l) { l.namesOffset = l.fileSize(); }), namesRange},
        BrokenPack{"names offset at the top of the range", broken([](Layout& l) { l.namesOffset = maxU64; }),
                   namesRange},
        BrokenPack{"name start at the end",
                   broken([](Layout& l) { l.records[1].nameOffset = l.fileSize() - l.namesOffset; }), nameRange},
        // names offset + name offset wraps to 0, which is inside the file.
        BrokenPack{"name start that wraps",
                   broken([](Layout& l) { l.records[1].nameOffset = maxU64 - l.namesOffset + 1; }), nameRange},
        BrokenPack{"data one byte past the end", broken([](Layout& l) { l.records[0].dataSize = l.data.size() + 1; }),
                   dataRange},
        BrokenPack{"data offset past the end", broken([](Layout& l) { l.records[1].dataOffset = l.fileSize() + 1; }),
                   dataRange},
        BrokenPack{"data size that wraps", broken([](Layout& l) { l.records[0].dataSize = maxU64; }), dataRange},
        BrokenPack{"data offset that wraps", broken([](Layout& l) {
                       l.records[0].dataOffset = maxU64;
                       l.records[0].dataSize = 2;
                   }),
                   dataRange},
        BrokenPack{"name on the last byte, not terminated",
                   broken([](Layout& l) { l.records[1].nameOffset = l.fileSize() - 1 - l.namesOffset; }),
                   "Unterminated name in pak"},
        BrokenPack{"names blob without any terminator", broken([](Layout& l) {
                       l.names = "a/b";
                       l.entryCount = 1;
                       l.records = {{0, 0, 0}};
                       l.namesOffset = 40 + 24;
                       l.data.clear();
                   }),
                   "Unterminated name in pak"}));

TEST(AssetPackAccepts, EmptyIndex) {
    Layout layout;
    layout.entryCount = 0;
    layout.names = std::string(1, '\0');
    layout.namesOffset = 40;
    AssetPack pack;
    pack.parse(layout.bytes());
    EXPECT_TRUE(pack.entries().empty());
    EXPECT_FALSE(pack.find("a/b").has_value());
    EXPECT_FALSE(pack.find("").has_value());
}

TEST(AssetPackAccepts, ZeroSizeEntryAtEndOfFile) {
    Layout layout = prefixPack();
    layout.records[1] = {4, layout.fileSize(), 0};
    AssetPack pack;
    pack.parse(layout.bytes());
    const auto entry = pack.find("a/b.svg");
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->size, 0U);
    EXPECT_EQ(dataOf(*pack.find("a/b")), "X");
}

TEST(AssetPackAccepts, TableThatEndsExactlyAtEndOfFile) {
    Layout layout;
    layout.names = std::string("n\0", 2);
    layout.data = "D";
    layout.entryCount = 1;
    layout.namesOffset = 40;
    // Put the single record last: names at 40, data at 42, record at 43.
    std::vector<std::uint8_t> bytes = layout.bytes();
    bytes.resize(40);
    bytes.insert(bytes.end(), {'n', 0, 'D'});
    const std::uint64_t fields[] = {0, 42, 1};
    for (std::uint64_t field : fields) {
        for (int i = 0; i < 8; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(field >> (8 * i)));
        }
    }
    bytes[16] = 43; // entries offset
    AssetPack pack;
    pack.parse(std::move(bytes));
    EXPECT_EQ(dataOf(*pack.find("n")), "D");
}

TEST(AssetPackFind, MatchesWholeNamesOnlyAcrossSharedPrefixes) {
    AssetPack pack;
    pack.parse(prefixPack().bytes());
    ASSERT_EQ(pack.entries().size(), 2U);
    EXPECT_EQ(pack.entries()[0].name, "a/b");
    EXPECT_EQ(dataOf(*pack.find("a/b")), "X");
    EXPECT_EQ(dataOf(*pack.find("a/b.svg")), "YZW");
    for (const char* absent : {"a/b.sv", "a/b.svgz", "a/", "a", "", "b"}) {
        EXPECT_FALSE(pack.find(absent).has_value()) << absent;
    }
}

TEST(AssetPackFind, OrdersBytesAsUnsigned) {
    // "z" (0x7A) sorts before "\xC3\xA9" (0xC3...) only when bytes compare unsigned.
    Layout layout;
    layout.names = std::string("z\0\xC3\xA9\0", 5);
    layout.data = "12";
    layout.entryCount = 2;
    layout.namesOffset = 40 + 2 * 24;
    const std::uint64_t data = layout.namesOffset + layout.names.size();
    layout.records = {{0, data, 1}, {2, data + 1, 1}};
    AssetPack pack;
    pack.parse(layout.bytes());
    EXPECT_EQ(dataOf(*pack.find("z")), "1");
    EXPECT_EQ(dataOf(*pack.find("\xC3\xA9")), "2");
}

TEST(AssetPackParse, FailureKeepsThePreviousPack) {
    AssetPack pack;
    pack.parse(prefixPack().bytes());
    Layout bad = prefixPack();
    bad.records[1].dataSize = maxU64;
    EXPECT_THROW(pack.parse(bad.bytes()), std::runtime_error);
    EXPECT_EQ(pack.entries().size(), 2U);
    EXPECT_EQ(dataOf(*pack.find("a/b.svg")), "YZW");
}

class AssetPackFile : public testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        folder = std::filesystem::temp_directory_path() / ("quillon-assetpack-" + std::to_string(random()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::filesystem::path path = folder / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }

    static std::string loadError(const std::string& path) {
        AssetPack pack;
        try {
            pack.load(path);
        } catch (const std::runtime_error& error) {
            return error.what();
        }
        return "(accepted)";
    }

    std::filesystem::path folder;
};

TEST_F(AssetPackFile, LoadsAndFinds) {
    AssetPack pack;
    pack.load(write("assets.pak", prefixPack().bytes()));
    EXPECT_EQ(dataOf(*pack.find("a/b.svg")), "YZW");
}

TEST_F(AssetPackFile, ReportsMissingEmptyAndShortFiles) {
    const std::string missing = (folder / "absent.pak").string();
    EXPECT_EQ(loadError(missing), "Failed to open asset file: " + missing);
    EXPECT_EQ(loadError(write("empty.pak", {})), "Pak file empty or unreadable");
    EXPECT_EQ(loadError(write("short.pak", std::vector<std::uint8_t>(39, 'T'))), "asset file too small");
}

} // namespace
