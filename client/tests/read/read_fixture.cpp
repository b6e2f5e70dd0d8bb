#include "read_fixture.hpp"

#include <cstdio>

namespace readtest {

namespace {

constexpr const char* kTypes = R"(
  "types": [
    {"name": "Point", "members": [{"name": "X", "type": "REAL"}, {"name": "Y", "type": "REAL"}]},
    {"name": "Station", "members": [
      {"name": "Level", "type": "REAL"}, {"name": "Count", "type": "DINT"},
      {"name": "Ready", "type": "BOOL"}, {"name": "Label", "type": "STRING"},
      {"name": "Where", "type": "Point"}]},
    {"name": "LongText", "members": [
      {"name": "LEN", "type": "DINT"}, {"name": "DATA", "type": "SINT", "dim": 200}]}
  ],)";

constexpr const char* kTags = R"(
    {"name": "Flag", "type": "BOOL", "value": true},
    {"name": "Inputs", "type": "BOOL", "dims": [50], "value": [true, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, false, true, false, false, false, false, false, false, false, false, false, false, false, true]},
    {"name": "Small", "type": "SINT", "value": -5},
    {"name": "Short", "type": "INT", "value": -1234},
    {"name": "Big", "type": "LINT", "value": -9000000000},
    {"name": "Ubyte", "type": "USINT", "value": 200},
    {"name": "Uint", "type": "UINT", "value": 60000},
    {"name": "Udint", "type": "UDINT", "value": 4000000000},
    {"name": "Ulint", "type": "ULINT", "value": "18000000000000000000"},
    {"name": "Ratio", "type": "REAL", "value": 1.5},
    {"name": "Precise", "type": "LREAL", "value": 3.25},
    {"name": "Bits8", "type": "BYTE", "value": "0xA5"},
    {"name": "Bits16", "type": "WORD", "value": "0xBEEF"},
    {"name": "Bits32", "type": "DWORD", "value": "0xDEADBEEF"},
    {"name": "Bits64", "type": "LWORD", "value": "0x0123456789ABCDEF"},
    {"name": "Grid", "type": "DINT", "dims": [3, 4],
     "value": [[1, 2, 3, 4], [5, 6, 7, 8], [9, 10, 11, 12]]},
    {"name": "Stations", "type": "Station", "dims": [3], "value": [
      {"Level": 0.5, "Count": 11, "Ready": true, "Label": "First"},
      {"Level": 1.5, "Count": 77, "Label": "Second", "Where": {"X": 1.25, "Y": 2.5}},
      {"Count": 99}]},
    {"name": "Hello", "type": "STRING", "value": "Hello from line 1"},)";

}  // namespace

std::string tagName(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "Tag_%06d", i);
  return name;
}

std::string sampleText(size_t n) {
  std::string text;
  for (size_t i = 0; i < n; ++i) {
    text += static_cast<char>('a' + i % 26);
  }
  return text;
}

quillon::sim::Controller readController() {
  std::string json = R"({"identity": {"productName": "Read Test"},)";
  json += kTypes;
  json += R"( "tags": [)";
  json += kTags;
  json += R"( {"name": "Data", "type": "DINT", "dims": [400], "value": [)";
  for (int i = 0; i < 400; ++i) {
    json += (i ? "," : "") + std::to_string(i * 10);
  }
  json += "]},";
  json += R"({"name": "Empty", "type": "LongText", "value": ""},)";
  json += R"({"name": "Text95", "type": "LongText", "value": ")" + sampleText(95) + "\"},";
  json += R"({"name": "Text96", "type": "LongText", "value": ")" + sampleText(96) + "\"},";
  for (int i = 1; i <= kDintTags; ++i) {
    json += (i > 1 ? "," : "") + std::string(R"({"name": ")") + tagName(i) +
            R"(", "type": "DINT", "value": )" + std::to_string(i) + "}";
  }
  json += R"(], "programs": [{"name": "MainProgram", "tags": [
    {"name": "Step", "type": "DINT", "value": 10}]}]})";
  return quillon::sim::parseController(json);
}

std::vector<zoltc_logix_read_item> itemsFor(const std::vector<std::string>& texts) {
  std::vector<zoltc_logix_read_item> items(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    items[i].tag_name = texts[i].c_str();
  }
  return items;
}

uint16_t packetCount(const quillon::sim::RequestRecord& record) {
  return record.data.size() < 2 ? 0 : static_cast<uint16_t>(record.data[0] | record.data[1] << 8);
}

void ReadSimTest::connectAndForget(const quillon::sim::Options& options) {
  server().setOptions(options);
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  server().clearRequests();
}

std::vector<quillon::sim::RequestRecord> ReadSimTest::exchanges() {
  std::vector<quillon::sim::RequestRecord> out;
  for (auto& record : server().requests()) {
    if (!record.embedded && (record.command == 0x6F || record.command == 0x70)) {
      out.push_back(std::move(record));
    }
  }
  return out;
}

std::vector<quillon::sim::RequestRecord> ReadSimTest::embedded() {
  std::vector<quillon::sim::RequestRecord> out;
  for (auto& record : server().requests()) {
    if (record.embedded) {
      out.push_back(std::move(record));
    }
  }
  return out;
}

}  // namespace readtest
