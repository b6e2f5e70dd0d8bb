// The asset pack reader on crafted files (one broken field at a time), and the pack writer
// against it, with the pack the build writes from our assets (pakbuild: listFolder,
// readSources, encodePack).

#include "AssetPack.hpp"
#include "PakWriter.hpp"
#include "Thrown.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t maxU64 = std::numeric_limits<std::uint64_t>::max();
const std::filesystem::path assetsFolder = QUILLON_ASSETS_DIR;
using thrown::messageOf;

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
    bool tableLast = false; // the entries table after the names and the data

    std::uint64_t fileSize() const { return 40 + records.size() * 24 + names.size() + data.size(); }

    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> out;
        auto put = [&out](std::uint64_t value, int width) {
            for (int i = 0; i < width; ++i) {
                out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
            }
        };
        for (const std::uint64_t field : {std::uint64_t{magic} | std::uint64_t{version} << 32, entryCount,
                                          entriesOffset, namesOffset, std::uint64_t{0}}) {
            put(field, 8);
        }
        auto table = [&] {
            for (const Record& record : records) {
                put(record.nameOffset, 8);
                put(record.dataOffset, 8);
                put(record.dataSize, 8);
            }
        };
        if (!tableLast) {
            table();
        }
        out.insert(out.end(), names.begin(), names.end());
        out.insert(out.end(), data.begin(), data.end());
        if (tableLast) {
            table();
        }
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

std::string dataOf(const std::optional<AssetEntry>& entry) {
    return entry ? std::string(reinterpret_cast<const char*>(entry->data), static_cast<std::size_t>(entry->size))
                 : "(absent)";
}

// One broken field at a time; the pack parsed before stays in use.
TEST(AssetPackRejects, WithItsMessageAndKeepsThePreviousPack) {
    const char* entriesRange = "Pak out of range while reading entries table";
    const char* nameRange = "Pak out of range while reading name string start";
    const char* dataRange = "Pak out of range while reading file data";
    const struct {
        const char* name;
        std::function<void(Layout&)> change;
        const char* message;
    } rows[] = {
        {"wrongMagic", [](Layout& l) { l.magic = 0x4C415054; }, "Bad magic (not TPAK)"},
        {"version0", [](Layout& l) { l.version = 0; }, "Unsupported pak version"},
        {"version2", [](Layout& l) { l.version = 2; }, "Unsupported pak version"},
        {"tableOneBytePastTheEnd", [](Layout& l) { l.entriesOffset = l.fileSize() - 2 * 24 + 1; }, entriesRange},
        {"tableOffsetAtTheTop", [](Layout& l) { l.entriesOffset = maxU64; }, entriesRange},
        // 2^62 * 24 is 0 modulo 2^64: a wrapping product would pass as an empty table.
        {"countWhoseTableWraps", [](Layout& l) { l.entryCount = std::uint64_t{1} << 62; }, entriesRange},
        {"namesOffsetAtTheEnd", [](Layout& l) { l.namesOffset = l.fileSize(); }, "Pak out of range while reading names blob"},
        {"nameStartAtTheEnd", [](Layout& l) { l.records[1].nameOffset = l.fileSize() - l.namesOffset; }, nameRange},
        // names offset + name offset wraps to 0, which is inside the file.
        {"nameStartThatWraps", [](Layout& l) { l.records[1].nameOffset = maxU64 - l.namesOffset + 1; }, nameRange},
        {"dataOneBytePastTheEnd", [](Layout& l) { l.records[0].dataSize = l.data.size() + 1; }, dataRange},
        {"dataSizeThatWraps", [](Layout& l) { l.records[0].dataSize = maxU64; }, dataRange},
        {"dataOffsetThatWraps", [](Layout& l) { l.records[0] = {0, maxU64, 2}; }, dataRange},
        {"nameOnTheLastByte", [](Layout& l) { l.records[1].nameOffset = l.fileSize() - 1 - l.namesOffset; },
         "Unterminated name in pak"},
    };
    AssetPack pack;
    pack.parse(prefixPack().bytes());
    for (const auto& row : rows) {
        Layout layout = prefixPack();
        row.change(layout);
        EXPECT_EQ(messageOf<std::runtime_error>([&] { pack.parse(layout.bytes()); }), row.message) << row.name;
        EXPECT_EQ(dataOf(pack.find("a/b.svg")), "YZW") << row.name;
    }
}

TEST(AssetPackAccepts, EdgesOfTheFileAndWholeNamesOnly) {
    AssetPack pack;
    Layout layout = prefixPack();
    layout.records[1] = {4, layout.fileSize(), 0}; // an empty entry at the very end
    pack.parse(layout.bytes());
    ASSERT_EQ(pack.entries().size(), 2U);
    EXPECT_EQ(pack.entries()[0].name, "a/b");
    EXPECT_EQ(dataOf(pack.find("a/b")), "X");
    EXPECT_EQ(dataOf(pack.find("a/b.svg")), "");
    for (const char* absent : {"a/b.sv", "a/b.svgz", "a/", "", "b"}) {
        EXPECT_FALSE(pack.find(absent).has_value()) << absent;
    }

    // One record placed last, ending exactly at the end of the file.
    Layout last;
    last.entryCount = 1;
    last.namesOffset = 40;
    last.entriesOffset = 43;
    last.names = std::string("n\0", 2);
    last.data = "D";
    last.records = {{0, 42, 1}};
    last.tableLast = true;
    pack.parse(last.bytes());
    EXPECT_EQ(dataOf(pack.find("n")), "D");
}

TEST(AssetPackLoad, ReportsMissingEmptyAndShortFiles) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("quillon-assetpack-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    auto write = [&](const char* name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(folder / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return (folder / name).string();
    };
    const std::string missing = (folder / "absent.pak").string();
    AssetPack pack;
    EXPECT_EQ(messageOf<std::runtime_error>([&] { pack.load(missing); }), "Failed to open asset file: " + missing);
    EXPECT_EQ(messageOf<std::runtime_error>([&] { pack.load(write("empty.pak", {})); }), "Pak file empty or unreadable");
    EXPECT_EQ(messageOf<std::runtime_error>([&] { pack.load(write("short.pak", std::vector<std::uint8_t>(39, 'T'))); }),
              "asset file too small");
    pack.load(write("good.pak", prefixPack().bytes()));
    EXPECT_EQ(dataOf(pack.find("a/b.svg")), "YZW");
    std::filesystem::remove_all(folder);
}

pak::Item item(const std::string& name, const std::string& data) {
    return pak::Item{name, std::vector<std::uint8_t>(data.begin(), data.end())};
}

// An unreadable input is pakbuild's test (core.pakbuild.UnreadableInput).
TEST(PakWriter, SortsByUnsignedBytesKeepsEmptyAssetsAndRejectsBadNames) {
    AssetPack pack;
    pack.parse(pak::encodePack({item("a/b.svg", "2"), item("\xC3\xA9", "4"), item("a/b", "1"), item("z", ""),
                                item("y", "3")}));
    std::vector<std::string> order;
    for (const AssetEntry& entry : pack.entries()) {
        order.emplace_back(entry.name);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"a/b", "a/b.svg", "y", "z", "\xC3\xA9"}));
    EXPECT_EQ(dataOf(pack.find("\xC3\xA9")), "4") << "found by unsigned byte order";
    EXPECT_EQ(dataOf(pack.find("z")), "");
    pack.parse(pak::encodePack({}));
    EXPECT_TRUE(pack.entries().empty());

    EXPECT_EQ(messageOf<std::runtime_error>([] { pak::encodePack({item("icons/a.svg", "1"), item("x", "2"), item("icons/a.svg", "3")}); }),
              "duplicate asset name: icons/a.svg");
    EXPECT_EQ(messageOf<std::runtime_error>([] { pak::encodePack({item("", "1")}); }), "an asset has an empty name");
    EXPECT_EQ(messageOf<std::runtime_error>([] { pak::encodePack({item(std::string("a\0b", 3), "1")}); })
                  .rfind("asset name contains a NUL byte", 0),
              0U);
    EXPECT_THROW(pak::listFolder(assetsFolder / "no-such-folder"), std::runtime_error);
}

TEST(BuiltAssetPack, HoldsEveryAssetTheProgramNeeds) {
#ifndef QUILLON_ASSET_PACK
    GTEST_SKIP() << "this build does not pack assets (font or stb missing)";
#else
    auto fileText = [](const std::filesystem::path& path) {
        std::ostringstream text;
        text << std::ifstream(path, std::ios::binary).rdbuf();
        return text.str();
    };
    AssetPack pack;
    pack.load(QUILLON_ASSET_PACK);
    for (const char* icon : {"icons/folder.svg", "icons/remove.svg", "icons/tag.svg", "icons/zolt.svg"}) {
        EXPECT_EQ(dataOf(pack.find(icon)), fileText(assetsFolder / icon)) << icon;
    }
    EXPECT_EQ(dataOf(pack.find("fonts/montserrat-font/MontserratMedium.ttf")), fileText(QUILLON_FONT_FILE));
    // The drawn spinner's PNG header: 128 x 128 (big-endian), 8 bits, RGBA (6).
    EXPECT_EQ(dataOf(pack.find("icons/loading.png")).substr(12, 14), std::string("IHDR\0\0\0\x80\0\0\0\x80\x08\x06", 14));
#endif
}

} // namespace
