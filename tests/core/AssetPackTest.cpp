// The asset pack reader on crafted packs, the pack writer against it, and the built pack.

#include "AssetPack.hpp"
#include "PakWriter.hpp"
#include "Thrown.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
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
// "TPAK" and version 1, the first eight bytes of a pack.
constexpr std::uint64_t packStart = 0x1'4B415054;

// A pack spelled out as 8-byte little-endian fields around the names and data.
std::vector<std::uint8_t> packOf(std::initializer_list<std::uint64_t> fields, const std::string& namesAndData,
                                 std::initializer_list<std::uint64_t> tail = {}) {
    std::vector<std::uint8_t> out;
    auto put = [&out](std::uint64_t value) {
        for (int i = 0; i < 8; ++i) {
            out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    };
    std::for_each(fields.begin(), fields.end(), put);
    out.insert(out.end(), namesAndData.begin(), namesAndData.end());
    std::for_each(tail.begin(), tail.end(), put);
    return out;
}

// 104 bytes: the header (count 2, table at 40, names at 88), records {name, data offset,
// size} at 40 and 64, then two names that share a prefix, in byte order, and their data:
// "a/b" -> "X", "a/b.svg" -> "YZW".
std::vector<std::uint8_t> prefixPack(std::size_t field = 0, std::uint64_t value = packStart) {
    std::vector<std::uint8_t> bytes =
        packOf({packStart, 2, 40, 88, 0, 0, 100, 1, 4, 101, 3}, std::string("a/b\0a/b.svg\0XYZW", 16));
    for (std::size_t i = 0; i < 8; ++i) {
        bytes[field + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return bytes;
}

std::string dataOf(const std::optional<AssetEntry>& entry) {
    return entry ? std::string(reinterpret_cast<const char*>(entry->data), static_cast<std::size_t>(entry->size))
                 : "(absent)";
}

// The pack parsed before a refused one stays in use.
TEST(AssetPack, RefusesBrokenPacksAndFilesKeepingThePreviousAndTakesTheEdges) {
    const char* entriesRange = "Pak out of range while reading entries table";
    const char* nameRange = "Pak out of range while reading name string start";
    const char* dataRange = "Pak out of range while reading file data";
    const struct {
        const char* name;
        std::size_t field;
        std::uint64_t value;
        const char* message;
    } rows[] = {
        {"wrongMagic", 0, 0x1'4C415054, "Bad magic (not TPAK)"},
        {"version0", 0, 0x0'4B415054, "Unsupported pak version"},
        {"version2", 0, 0x2'4B415054, "Unsupported pak version"},
        {"tableOffsetAtTheTop", 16, maxU64, entriesRange},
        // 2^62 * 24 is 0 modulo 2^64: a wrapping product would pass as an empty table.
        {"countWhoseTableWraps", 8, std::uint64_t{1} << 62, entriesRange},
        {"namesOffsetAtTheEnd", 24, 104, "Pak out of range while reading names blob"},
        // names offset + name offset wraps to 0, which is inside the file.
        {"nameStartThatWraps", 64, maxU64 - 88 + 1, nameRange},
        {"dataOneBytePastTheEnd", 56, 5, dataRange},
        {"dataOffsetThatWraps", 48, maxU64, dataRange},
        {"nameOnTheLastByte", 64, 104 - 1 - 88, "Unterminated name in pak"},
    };
    AssetPack pack;
    pack.parse(prefixPack());
    for (const auto& row : rows) {
        EXPECT_EQ(messageOf<std::runtime_error>([&] { pack.parse(prefixPack(row.field, row.value)); }), row.message)
            << row.name;
        EXPECT_EQ(dataOf(pack.find("a/b.svg")), "YZW") << row.name;
    }
    EXPECT_EQ(messageOf<std::runtime_error>([&] { pack.parse(std::vector<std::uint8_t>(39, 'T')); }),
              "asset file too small");

    // Edges of the file, and names found whole only.
    std::vector<std::uint8_t> emptyLast = prefixPack(72, 104); // an empty entry at the very end
    std::fill(emptyLast.begin() + 80, emptyLast.begin() + 88, 0);
    pack.parse(emptyLast);
    ASSERT_EQ(pack.entries().size(), 2U);
    EXPECT_EQ(dataOf(pack.find("a/b")), "X");
    EXPECT_EQ(dataOf(pack.find("a/b.svg")), "");
    for (const char* absent : {"a/b.sv", "a/b.svgz", "a/", "", "b"}) {
        EXPECT_FALSE(pack.find(absent).has_value()) << absent;
    }
    // One record placed last (at 43), ending exactly at the end of the file.
    pack.parse(packOf({packStart, 1, 43, 40, 0}, std::string("n\0D", 3), {0, 42, 1}));
    EXPECT_EQ(dataOf(pack.find("n")), "D");

    // A good pack's load is the built pack's test below.
    const std::filesystem::path empty = std::filesystem::temp_directory_path() /
                                        ("quillon-assetpack-" + std::to_string(std::random_device{}()) + ".pak");
    std::ofstream{empty};
    const std::string missing = empty.string() + ".absent";
    EXPECT_EQ(messageOf<std::runtime_error>([&] { pack.load(missing); }), "Failed to open asset file: " + missing);
    EXPECT_EQ(messageOf<std::runtime_error>([&] { pack.load(empty.string()); }), "Pak file empty or unreadable");
    std::filesystem::remove(empty);
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
    EXPECT_EQ(messageOf<std::runtime_error>([] { pak::encodePack({item("icons/a.svg", "1"), item("x", "2"), item("icons/a.svg", "3")}); }),
              "duplicate asset name: icons/a.svg");
    EXPECT_EQ(messageOf<std::runtime_error>([] { pak::encodePack({item("", "1")}); }), "an asset has an empty name");
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
