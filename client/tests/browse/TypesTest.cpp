// Type-word predicates, the STRING test and the release of tag records.
#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "alloc.h"
#include "template.h"
#include "test_allocator.hpp"

namespace {

struct TypeRow {
  uint16_t type;
  uint8_t dimensions;
  uint8_t code;
  bool atomic;
  bool program;
  bool structure;
  uint16_t templateId;
};

class TypeWord : public ::testing::TestWithParam<TypeRow> {};

TEST_P(TypeWord, Predicates) {
  const TypeRow& row = GetParam();
  SCOPED_TRACE(::testing::Message() << "type word 0x" << std::hex << row.type);
  EXPECT_EQ(zoltc_logix_type_dimensions(row.type), row.dimensions);
  EXPECT_EQ(zoltc_logix_type_atomic_code(row.type), row.code);
  EXPECT_EQ(zoltc_logix_type_is_atomic(row.type), row.atomic);
  EXPECT_EQ(zoltc_logix_type_is_program(row.type), row.program);
  EXPECT_EQ(zoltc_logix_type_is_struct(row.type), row.structure);
  EXPECT_EQ(zoltc_logix_type_template_id(row.type), row.templateId);
}

const TypeRow typeRows[] = {
    {0x00C4, 0, 0xC4, true, false, false, 0x0C4},   // DINT
    {0x20C4, 1, 0xC4, false, false, false, 0x0C4},  // DINT[]
    {0x40C4, 2, 0xC4, false, false, false, 0x0C4},  // DINT[,]
    {0x60C4, 3, 0xC4, false, false, false, 0x0C4},  // DINT[,,]
    {0x0AC4, 0, 0xC4, true, false, false, 0xAC4},   // bits 8-11 ignored by the code
    {0x00CF, 0, 0xCF, true, false, false, 0x0CF},   // code without a name
    {0x1068, 0, 0x68, true, true, false, 0x068},    // program entry
    {0x1069, 0, 0x69, true, false, false, 0x069},   // system symbol, not a program
    {0x10C4, 0, 0xC4, true, false, false, 0x0C4},   // system bit does not stop atomic
    {0x8FCE, 0, 0xCE, false, false, true, 0xFCE},   // STRING structure
    {0xAFCE, 1, 0xCE, false, false, true, 0xFCE},   // array of structures
    {0xE234, 3, 0x34, false, false, true, 0x234},   // 3-dimensional structure array
    {0x9234, 0, 0x34, false, false, false, 0x234},  // system structure
    {0xF234, 3, 0x34, false, false, false, 0x234},
    {0x8000, 0, 0x00, false, false, true, 0x000},
    {0x0000, 0, 0x00, true, false, false, 0x000},
    {0xFFFF, 3, 0xFF, false, false, false, 0xFFF},
};

INSTANTIATE_TEST_SUITE_P(Rows, TypeWord, ::testing::ValuesIn(typeRows));

TEST(TagIsString, ComparesTheTemplateNameByteForByte) {
  char upper[] = "STRING";
  char lower[] = "string";
  char longer[] = "STRING2";
  char shorter[] = "STRIN";
  zoltc_logix_tag_info info{};
  EXPECT_FALSE(zoltc_logix_tag_is_string(&info));
  info.type_name = upper;
  EXPECT_TRUE(zoltc_logix_tag_is_string(&info));
  info.type_name = lower;
  EXPECT_FALSE(zoltc_logix_tag_is_string(&info));
  info.type_name = longer;
  EXPECT_FALSE(zoltc_logix_tag_is_string(&info));
  info.type_name = shorter;
  EXPECT_FALSE(zoltc_logix_tag_is_string(&info));
  EXPECT_FALSE(zoltc_logix_tag_is_string(nullptr));
}

char* copyText(const char* text) {
  size_t length = std::strlen(text) + 1;
  char* copy = static_cast<char*>(zoltc_logix_alloc(length));
  std::memcpy(copy, text, length);
  return copy;
}

bool isZero(const zoltc_logix_tag_info& info) {
  zoltc_logix_tag_info zero{};
  return std::memcmp(&info, &zero, sizeof zero) == 0;
}

// A record owns its name only: its type name and members belong to its list's type table.
TEST(TagInfoRelease, ARecordReleasesOnlyItsName) {
  quillon::testing::TestAllocator allocator;
  static char typeName[] = "Node";
  static zoltc_logix_tag_info shared[2] = {};
  zoltc_logix_tag_info info{};
  info.name = copyText("node");
  info.type_name = typeName;
  info.members = {2, shared, nullptr};
  zoltc_logix_tag_info_free(&info);
  EXPECT_TRUE(isZero(info));
  EXPECT_EQ(allocator.liveBlocks(), 0u);
  zoltc_logix_tag_info_free(&info);  // a released record may be released again
  zoltc_logix_tag_info_free(nullptr);
}

// A list releases its records' names, its array and the types they share.
TEST(TagInfoRelease, AListReleasesItsRecordsAndTheirTypes) {
  quillon::testing::TestAllocator allocator;
  zoltc_logix_tag_info_list list{};
  list.types = zoltc_logix_type_table_create();
  ASSERT_NE(list.types, nullptr);
  auto* type = static_cast<zoltc_logix_template*>(zoltc_logix_alloc(sizeof(zoltc_logix_template)));
  std::memset(type, 0, sizeof *type);
  type->text = copyText("Node");
  type->members.items = static_cast<zoltc_logix_tag_info*>(zoltc_logix_alloc_array(1, sizeof(zoltc_logix_tag_info)));
  std::memset(type->members.items, 0, sizeof(zoltc_logix_tag_info));
  type->members.count = 1;
  list.types->slots[1] = type;
  list.items = static_cast<zoltc_logix_tag_info*>(zoltc_logix_alloc_array(2, sizeof(zoltc_logix_tag_info)));
  std::memset(list.items, 0, 2 * sizeof(zoltc_logix_tag_info));
  list.count = 2;
  for (uint32_t i = 0; i < 2; ++i) {
    list.items[i].name = i == 0 ? copyText("a") : nullptr;  // a name that could not be copied
    list.items[i].type_name = type->text;
    list.items[i].members = {1, type->members.items, nullptr};
  }
  zoltc_logix_tag_info_list_free(&list);
  EXPECT_EQ(list.count, 0u);
  EXPECT_EQ(list.items, nullptr);
  EXPECT_EQ(list.types, nullptr);
  EXPECT_EQ(allocator.liveBlocks(), 0u);
  zoltc_logix_tag_info_list_free(&list);
  zoltc_logix_tag_info_list_free(nullptr);
}

}  // namespace
