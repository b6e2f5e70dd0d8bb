// The tag list's formats (tree, list, CSV, streamed JSON) on hand-made records.
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "HandRecords.hpp"
#include "TagFormats.hpp"
#include "TagJson.hpp"

namespace {

using handrecords::dims;
using handrecords::HandRecords;

class Formats : public testing::Test {
protected:
    void SetUp() override { scopes.controller = handrecords::span(scope); }

    template <typename Write>
    std::string written(Write write, const std::string& filter = {}) const {
        std::ostringstream out;
        write([&](const cli::RowVisitor& visit) { cli::walkTagRows(scopes, filter, visit, nullptr); }, out);
        return out.str();
    }

    HandRecords records;
    zoltc_logix_tag_info_list scope = records.list({
        records.record("Count", ZOLTC_LOGIX_TYPE_DINT),
        records.record("Main", ZOLTC_LOGIX_TYPE_PROGRAM),
        records.record("Pair", ZOLTC_LOGIX_TYPE_REAL | dims(1), {2, 0, 0}),
        records.stringRecord("Msg"),
        records.record("Odd,\"name\"", ZOLTC_LOGIX_TYPE_DINT),
    });
    cli::TagScopes scopes;
};

TEST_F(Formats, TreeIndentsTwoSpacesAListAlignsTheTypeColumn) {
    const std::string tree = written(cli::writeTagTree);
    EXPECT_EQ(tree.substr(0, tree.find("Msg")),
              "Count  DINT\n"
              "Main  PROGRAM\n"
              "Pair  ARRAY\n"
              "  [0]  REAL\n"
              "  [1]  REAL\n");
    EXPECT_NE(tree.find("Msg  STRING\n  LEN  DINT\n  DATA  ARRAY\n    [0]  SINT\n"), std::string::npos);
    // "a" hides Msg's LEN and Main (unlisted).
    const std::string list = written(cli::writeTagList, "a");
    EXPECT_EQ(list.substr(0, list.find("Msg")),
              "Pair          ARRAY\n"
              "Pair[0]       REAL\n"
              "Pair[1]       REAL\n");
    // The widest path is Msg.DATA[81].
    EXPECT_NE(list.find("Msg.DATA[81]  SINT\n"), std::string::npos);
    EXPECT_NE(list.find("Odd,\"name\"    DINT\n"), std::string::npos);
    EXPECT_EQ(list.find("LEN"), std::string::npos);
}

// Only the controller scope lists programs (Odd is a tag); an unlisted program shows for
// the empty filter only, a listed one through the tags the filter keeps.
TEST_F(Formats, ProgramsShowTheirListedTagsAndTheFilterSeesThemThroughTheirTags) {
    EXPECT_EQ(written(cli::writeTagList, "main"), "");
    const auto program = records.list({records.record("Step", ZOLTC_LOGIX_TYPE_DINT),
                                       records.record("Odd", ZOLTC_LOGIX_TYPE_PROGRAM)});
    scopes.programs["Main"] = handrecords::span(program);
    EXPECT_NE(written(cli::writeTagTree).find("Main  PROGRAM\n  Step  DINT\n  Odd  UNKNOWN\nPair"), std::string::npos);
    EXPECT_EQ(written(cli::writeTagList, "step"), "Program:Main       PROGRAM\nProgram:Main.Step  DINT\n");
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

// The JSON writer on the same records: members once per type, elements on request.
std::string json(const zoltc_logix_tag_info_list& list, bool elements, const std::string& filter = {}) {
    std::ostringstream out;
    cli::TagJsonWriter writer(out, elements, filter, nullptr);
    writer.writeScope(handrecords::span(list), "", [&](std::string_view) { return std::nullopt; });
    writer.finish();
    return out.str();
}

TEST_F(Formats, JsonDescribesTypesOnceElementsOnRequestAndSurvivesBadUtf8) {
    const auto list = records.list({records.record("Count", ZOLTC_LOGIX_TYPE_DINT),
                                    records.record("Main", ZOLTC_LOGIX_TYPE_PROGRAM),
                                    records.record("Pair", ZOLTC_LOGIX_TYPE_REAL | dims(1), {2, 0, 0}),
                                    records.stringRecord("Msg"), records.stringRecord("Other")});
    const auto plain = nlohmann::json::parse(json(list, false));
    const auto& tags = plain.at("tags");
    ASSERT_EQ(tags.size(), 5u);
    EXPECT_EQ(tags[0], nlohmann::json::parse(R"({"kind":"tag","name":"Count","path":"Count","type":196,
        "typeName":"DINT","dims":[]})"));
    EXPECT_EQ(tags[1], nlohmann::json::parse(R"({"kind":"program","name":"Main","path":"Program:Main",
        "type":4200,"typeName":"PROGRAM","dims":[],"tags":null})"));
    EXPECT_EQ(tags[2].at("dims"), nlohmann::json::parse("[2]"));
    EXPECT_FALSE(tags[2].contains("elements"));
    EXPECT_EQ(plain.at("types").size(), 1u);
    EXPECT_EQ(plain.at("types").at("STRING").at("members")[1],
              nlohmann::json::parse(R"({"name":"DATA","type":8386,"typeName":"ARRAY","dims":[82]})"));

    const auto withElements = nlohmann::json::parse(json(list, true, "pair[1"));
    ASSERT_EQ(withElements.at("tags").size(), 1u);
    EXPECT_EQ(withElements.at("tags")[0].at("elements"), nlohmann::json::parse(R"([{"kind":"element","name":"[1]",
        "path":"Pair[1]","type":202,"typeName":"REAL"}])"));
    // Bytes that are not UTF-8 become replacement characters.
    const auto bad = records.list({records.record("Bad\xFF\x01\xC3\xA4\xED\xA0\x80\xE2\x82Z", ZOLTC_LOGIX_TYPE_DINT)});
    const auto document = nlohmann::json::parse(json(bad, false));
    EXPECT_EQ(document["tags"][0]["name"], "Bad\xEF\xBF\xBD\x01\xC3\xA4\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDZ");
}

} // namespace
