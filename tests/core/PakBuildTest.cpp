// The pack writer against the reader, and the pack the build writes from our assets.

#include "AssetPack.hpp"
#include "PakWriter.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const std::filesystem::path assetsFolder = QUILLON_ASSETS_DIR;

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> bytesOf(const AssetEntry& entry) {
    return {entry.data, entry.data + entry.size};
}

pak::Item item(const std::string& name, const std::string& data) {
    return pak::Item{name, std::vector<std::uint8_t>(data.begin(), data.end())};
}

std::string encodeError(std::vector<pak::Item> items) {
    try {
        pak::encodePack(std::move(items));
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "(accepted)";
}

TEST(PakWriter, SortsByUnsignedBytesWithPrefixesFirst) {
    AssetPack pack;
    pack.parse(pak::encodePack({item("a/b.svg", "2"), item("\xC3\xA9", "4"), item("a/b", "1"), item("z", "3")}));
    std::vector<std::string> order;
    for (const AssetEntry& entry : pack.entries()) {
        order.emplace_back(entry.name);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"a/b", "a/b.svg", "z", "\xC3\xA9"}));
    EXPECT_EQ(bytesOf(*pack.find("a/b")), std::vector<std::uint8_t>{'1'});
    EXPECT_FALSE(pack.find("a/b.sv").has_value());
}

TEST(PakWriter, EmptyPackIsReadable) {
    AssetPack pack;
    pack.parse(pak::encodePack({}));
    EXPECT_TRUE(pack.entries().empty());
}

TEST(PakWriter, EmptyAssetIsKept) {
    AssetPack pack;
    pack.parse(pak::encodePack({item("empty", ""), item("full", "x")}));
    ASSERT_TRUE(pack.find("empty").has_value());
    EXPECT_EQ(pack.find("empty")->size, 0U);
}

TEST(PakWriter, RejectsBadNames) {
    EXPECT_EQ(encodeError({item("icons/a.svg", "1"), item("x", "2"), item("icons/a.svg", "3")}),
              "duplicate asset name: icons/a.svg");
    EXPECT_EQ(encodeError({item("", "1")}), "an asset has an empty name");
    EXPECT_EQ(encodeError({item(std::string("a\0b", 3), "1")}).rfind("asset name contains a NUL byte", 0), 0U);
}

TEST(PakWriter, ReportsUnreadableInputs) {
    const std::filesystem::path missing = assetsFolder / "no-such-file.svg";
    EXPECT_THROW(pak::readSources({pak::Source{"x", missing}}), std::runtime_error);
    EXPECT_THROW(pak::listFolder(assetsFolder / "no-such-folder"), std::runtime_error);
}

TEST(PakWriter, RoundTripsTheRealAssets) {
    std::vector<pak::Source> sources = pak::listFolder(assetsFolder);
    std::set<std::string> names;
    for (const pak::Source& source : sources) {
        names.insert(source.name);
    }
    EXPECT_EQ(names, (std::set<std::string>{"icons/folder.svg", "icons/remove.svg", "icons/tag.svg", "icons/zolt.svg"}));

    AssetPack pack;
    pack.parse(pak::encodePack(pak::readSources(sources)));
    ASSERT_EQ(pack.entries().size(), sources.size());
    for (const pak::Source& source : sources) {
        const auto entry = pack.find(source.name);
        ASSERT_TRUE(entry.has_value()) << source.name;
        EXPECT_EQ(bytesOf(*entry), fileBytes(source.file)) << source.name;
    }
}

TEST(BuiltAssetPack, HoldsEveryAssetTheProgramNeeds) {
#ifndef QUILLON_ASSET_PACK
    GTEST_SKIP() << "this build does not pack assets (font or stb missing)";
#else
    AssetPack pack;
    pack.load(QUILLON_ASSET_PACK);
    for (const char* icon : {"icons/folder.svg", "icons/remove.svg", "icons/tag.svg", "icons/zolt.svg"}) {
        const auto entry = pack.find(icon);
        ASSERT_TRUE(entry.has_value()) << icon;
        EXPECT_EQ(bytesOf(*entry), fileBytes(assetsFolder / icon)) << icon;
    }
    const auto font = pack.find("fonts/montserrat-font/MontserratMedium.ttf");
    ASSERT_TRUE(font.has_value());
    EXPECT_EQ(bytesOf(*font), fileBytes(QUILLON_FONT_FILE));

    const auto spinner = pack.find("icons/loading.png");
    ASSERT_TRUE(spinner.has_value());
    ASSERT_GE(spinner->size, 33U);
    const std::vector<std::uint8_t> png = bytesOf(*spinner);
    const std::vector<std::uint8_t> signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), png.begin()));
    // IHDR: width and height big-endian at 16 and 20, 8 bits per channel, colour type 6 (RGBA).
    EXPECT_EQ(png[16] << 24 | png[17] << 16 | png[18] << 8 | png[19], 128);
    EXPECT_EQ(png[20] << 24 | png[21] << 16 | png[22] << 8 | png[23], 128);
    EXPECT_EQ(png[24], 8);
    EXPECT_EQ(png[25], 6);
#endif
}

} // namespace
