#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "Csv.hpp"
#include "HandRecords.hpp"
#include "Printable.hpp"
#include "TagFormats.hpp"

namespace {

using handrecords::HandRecords;

class Formats : public testing::Test {
protected:
    void SetUp() override {
        cli::RowBudget budget;
        rows = cli::makeScopeRows(
            handrecords::span(records.list({
                records.record("Count", handrecords::kDint),
                records.record("Main", ZOLTC_LOGIX_TYPE_PROGRAM),
                records.record("Pair", handrecords::kReal | handrecords::kOneDim, {2, 0, 0}),
                records.stringRecord("Msg"),
                records.record("Odd,\"name\"", handrecords::kDint),
            })),
            "", budget);
    }

    template <typename Write>
    std::string written(Write write) const {
        std::ostringstream out;
        write(rows, out);
        return out.str();
    }

    HandRecords records;
    std::vector<cli::TagNode> rows;
};

TEST_F(Formats, TreeIndentsTwoSpacesPerLevel) {
    const std::string tree = written(cli::writeTagTree);
    EXPECT_EQ(tree.substr(0, tree.find("Msg")),
              "Count  DINT\n"
              "Main  PROGRAM\n"
              "Pair  ARRAY\n"
              "  [0]  REAL\n"
              "  [1]  REAL\n");
    EXPECT_NE(tree.find("Msg  STRING\n  LEN  DINT\n  DATA  ARRAY\n    [0]  SINT\n"), std::string::npos);
}

TEST_F(Formats, ListAlignsTheTypeColumn) {
    cli::applyFilter(rows, "a"); // hides Msg's LEN and Main (unlisted)
    const std::string list = written(cli::writeTagList);
    EXPECT_EQ(list.substr(0, list.find("Msg")),
              "Pair          ARRAY\n"
              "Pair[0]       REAL\n"
              "Pair[1]       REAL\n");
    // The widest path is Msg.DATA[81].
    EXPECT_NE(list.find("Msg.DATA      ARRAY\n"), std::string::npos);
    EXPECT_NE(list.find("Msg.DATA[81]  SINT\n"), std::string::npos);
    EXPECT_NE(list.find("Odd,\"name\"    DINT\n"), std::string::npos);
    EXPECT_EQ(list.find("Count"), std::string::npos);
    EXPECT_EQ(list.find("LEN"), std::string::npos);
}

TEST_F(Formats, CsvListsLeavesWithStringsAsOneValue) {
    EXPECT_EQ(written(cli::writeTagCsv),
              "path,typeName,type\n"
              "Count,DINT,196\n"
              "Pair[0],REAL,202\n"
              "Pair[1],REAL,202\n"
              "Msg,STRING,36814\n"
              "\"Odd,\"\"name\"\"\",DINT,196\n");
}

TEST_F(Formats, JsonKeepsKeysAndNesting) {
    const auto document = nlohmann::json::parse(written(cli::writeTagJson));
    const auto& tags = document.at("tags");
    ASSERT_EQ(tags.size(), 5u);
    EXPECT_EQ(tags[0], nlohmann::json::parse(R"({"kind":"tag","name":"Count","path":"Count","type":196,
        "typeName":"DINT","dims":[],"members":[],"elements":[]})"));
    EXPECT_EQ(tags[1].at("kind"), "program");
    EXPECT_TRUE(tags[1].at("tags").is_null());
    EXPECT_EQ(tags[2].at("dims"), nlohmann::json::parse("[2]"));
    EXPECT_EQ(tags[2].at("elements").size(), 2u);
    EXPECT_EQ(tags[2].at("elements")[1].at("path"), "Pair[1]");
    EXPECT_EQ(tags[2].at("elements")[1].at("kind"), "element");
    EXPECT_EQ(tags[3].at("members")[1].at("path"), "Msg.DATA");
    EXPECT_EQ(tags[3].at("members")[1].at("elements").size(), 82u);
    EXPECT_EQ(tags[4].at("name"), "Odd,\"name\"");
}

TEST_F(Formats, JsonSurvivesBytesThatAreNotUtf8) {
    cli::RowBudget budget;
    rows = cli::makeScopeRows(handrecords::span(records.list({records.record("Bad\xFF\x01", handrecords::kDint)})), "", budget);
    const auto document = nlohmann::json::parse(written(cli::writeTagJson));
    EXPECT_EQ(document["tags"][0]["name"], "Bad\xEF\xBF\xBD\x01");
}

TEST(CsvField, QuotesByRfc4180) {
    EXPECT_EQ(cli::csvField("Plain.Path[1,2]"), "\"Plain.Path[1,2]\"");
    EXPECT_EQ(cli::csvField("Tank.Level"), "Tank.Level");
    EXPECT_EQ(cli::csvField(""), "");
    EXPECT_EQ(cli::csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(cli::csvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(cli::csvField("cr\r"), "\"cr\r\"");
}

TEST(Printable, EscapesControlBytesOnly) {
    EXPECT_EQ(cli::printable("plain text"), "plain text");
    EXPECT_EQ(cli::printable("a\x1B[2Jb"), "a\\x1B[2Jb");
    EXPECT_EQ(cli::printable(std::string("nul\0del\x7F", 8)), "nul\\x00del\\x7F");
    EXPECT_EQ(cli::printable("line\nbreak\t"), "line\\x0Abreak\\x09");
    EXPECT_EQ(cli::printable("\xC3\xA4\xE2\x82\xAC"), "\xC3\xA4\xE2\x82\xAC");
}

} // namespace
