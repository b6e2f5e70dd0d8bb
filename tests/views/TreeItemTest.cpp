// Tag rows built from hand-made records: paths, element names and their order, member
// rows, type names, the filter's matching rule and visibility.
#include "ViewsSupport.hpp"

#include <string>
#include <vector>

using viewtest::Record;

namespace {

constexpr std::uint16_t dint = 0x00C4;
constexpr std::uint16_t real = 0x00CA;
constexpr std::uint16_t boolean = 0x00C1;
constexpr std::uint16_t oneDimension = 0x2000;
constexpr std::uint16_t twoDimensions = 0x4000;
constexpr std::uint16_t threeDimensions = 0x6000;
constexpr std::uint16_t structure = 0x8123;

std::vector<std::string> childNames(const TreeItem& row) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < row.getChildCount(); ++i) {
        names.emplace_back(row.getChild(i)->getLabel());
    }
    return names;
}

const TagItem& child(const TreeItem& row, std::size_t index) {
    return dynamic_cast<const TagItem&>(*row.getChild(index));
}

// Builds the rows below as far as they go, as opening every row would.
void loadAll(TagItem& row) {
    row.loadChildren();
    for (std::size_t i = 0; i < row.getChildCount(); ++i) {
        loadAll(dynamic_cast<TagItem&>(*row.getChild(i)));
    }
}

std::unique_ptr<TagItem> buildRow(const std::string& parentPath, const Record& record) {
    auto row = std::make_unique<TagItem>(parentPath, &record.get(), std::string());
    loadAll(*row);
    return row;
}

// Visibility of every row, depth first, as "path:0/1".
std::string visibility(const TreeItem& row) {
    std::string text = std::string(row.getLabel()) + (row.isVisible() ? ":1 " : ":0 ");
    for (std::size_t i = 0; i < row.getChildCount(); ++i) {
        text += visibility(*row.getChild(i));
    }
    return text;
}

struct ContainsCase {
    const char* text;
    const char* needle;
    bool expected;
};

class ContainsIgnoreCaseTest : public testing::TestWithParam<ContainsCase> {};

TEST_P(ContainsIgnoreCaseTest, FoldsOnlyAsciiLetters) {
    EXPECT_EQ(containsIgnoreCase(GetParam().text, GetParam().needle), GetParam().expected)
        << "text '" << GetParam().text << "', needle '" << GetParam().needle << "'";
}

INSTANTIATE_TEST_SUITE_P(Cases, ContainsIgnoreCaseTest,
                         testing::Values(ContainsCase{"Counter", "COUNT", true}, ContainsCase{"counter", "TER", true},
                                         ContainsCase{"Counter", "", true}, ContainsCase{"", "", true},
                                         ContainsCase{"ab", "abc", false}, ContainsCase{"Motor", "otr", false},
                                         ContainsCase{"Program:Main.Step", "main.step", true},
                                         ContainsCase{"Data[1,2]", "[1,2]", true},
                                         // Only A-Z fold: "@" (0x40) is not "`" (0x60), "[" is not "{".
                                         ContainsCase{"a@b", "A`B", false}, ContainsCase{"x[1]", "X{1}", false},
                                         // UTF-8 bytes compare as they are: "Ä" does not fold to "ä".
                                         ContainsCase{"\xC3\x84rger", "\xC3\xA4", false},
                                         ContainsCase{"\xC3\x84RGER", "\xC3\x84rger", true}));

TEST(TagItemTest, PathsJoinParentAndNameWithADot) {
    Record tank("Tank", structure, {}, "TankData");
    tank.addMember("Level", real).addMember("Open", boolean);
    auto controllerTag = buildRow("", tank);
    EXPECT_EQ(controllerTag->getPath(), "Tank");
    EXPECT_EQ(controllerTag->getTypeName(), "TankData");
    EXPECT_EQ(child(*controllerTag, 0).getPath(), "Tank.Level");
    EXPECT_EQ(child(*controllerTag, 1).getPath(), "Tank.Open");
    EXPECT_EQ(child(*controllerTag, 1).getTypeName(), "BOOL");

    auto programTag = buildRow("Program:MainProgram", tank);
    EXPECT_EQ(programTag->getName(), "Tank");
    EXPECT_EQ(programTag->getPath(), "Program:MainProgram.Tank");
    EXPECT_EQ(child(*programTag, 0).getPath(), "Program:MainProgram.Tank.Level");
}

struct ElementCase {
    const char* label;
    std::uint16_t dimensionBits;
    std::vector<std::uint32_t> dims;
    std::vector<std::string> names;
};

class ArrayElementsTest : public testing::TestWithParam<ElementCase> {};

TEST_P(ArrayElementsTest, OneFlatRowPerElementFirstIndexSlowest) {
    const ElementCase& c = GetParam();
    Record array("Data", static_cast<std::uint16_t>(dint | c.dimensionBits), c.dims);
    auto row = buildRow("", array);
    EXPECT_EQ(row->getTypeName(), "ARRAY");
    ASSERT_EQ(childNames(*row), c.names);
    for (std::size_t i = 0; i < row->getChildCount(); ++i) {
        const TagItem& element = child(*row, i);
        EXPECT_EQ(element.getPath(), "Data" + c.names[i]);
        EXPECT_EQ(element.getTypeName(), "DINT");
        EXPECT_EQ(element.getInfo()->type, dint) << "an element is a scalar";
        EXPECT_EQ(element.getChildCount(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ArrayElementsTest,
    testing::Values(
        ElementCase{"one", oneDimension, {3}, {"[0]", "[1]", "[2]"}},
        ElementCase{"two", twoDimensions, {2, 3}, {"[0,0]", "[0,1]", "[0,2]", "[1,0]", "[1,1]", "[1,2]"}},
        ElementCase{"three", threeDimensions, {2, 1, 2}, {"[0,0,0]", "[0,0,1]", "[1,0,0]", "[1,0,1]"}},
        // Only the declared dimensions are walked.
        ElementCase{"declaredOnly", oneDimension, {2, 5, 5}, {"[0]", "[1]"}},
        ElementCase{"emptyFirst", oneDimension, {0}, {}},
        ElementCase{"emptyLast", twoDimensions, {3, 0}, {}}),
    [](const testing::TestParamInfo<ElementCase>& param) { return std::string(param.param.label); });

TEST(TagItemTest, TenDintElementsAreLeavesNamedZeroToNine) {
    Record array("Counts", dint | oneDimension, {10});
    auto row = buildRow("Program:Conveyor", array);
    ASSERT_EQ(row->getChildCount(), 10u);
    EXPECT_EQ(child(*row, 9).getName(), "[9]");
    EXPECT_EQ(child(*row, 9).getPath(), "Program:Conveyor.Counts[9]");
    EXPECT_EQ(child(*row, 9).getInfo()->name, child(*row, 9).getName()) << "an element's record carries its name";
}

TEST(TagItemTest, ElementsOfAStructureArrayGetTheMemberRows) {
    Record motors("Motors", structure | oneDimension, {2}, "MotorData");
    motors.addMember("Speed", real).addMember("Alarms", boolean | oneDimension, {4});
    auto row = buildRow("", motors);
    EXPECT_EQ(row->getTypeName(), "ARRAY");
    ASSERT_EQ(childNames(*row), (std::vector<std::string>{"[0]", "[1]"}));
    const TagItem& second = child(*row, 1);
    EXPECT_EQ(second.getTypeName(), "MotorData");
    ASSERT_EQ(childNames(second), (std::vector<std::string>{"Speed", "Alarms"}));
    EXPECT_EQ(child(second, 0).getPath(), "Motors[1].Speed");
    const TagItem& alarms = child(second, 1);
    EXPECT_EQ(alarms.getTypeName(), "ARRAY");
    ASSERT_EQ(alarms.getChildCount(), 4u);
    EXPECT_EQ(child(alarms, 3).getPath(), "Motors[1].Alarms[3]");
    EXPECT_EQ(child(alarms, 3).getTypeName(), "BOOL");
}

TEST(TagItemTest, HugeDimensionsAreCappedInsteadOfExhaustingMemory) {
    Record array("Huge", dint | threeDimensions, {100000, 100000, 100000});
    auto row = buildRow("", array);
    ASSERT_EQ(row->getChildCount(), TagItem::maxElementRows);
    EXPECT_EQ(child(*row, 0).getName(), "[0,0,0]");
    EXPECT_EQ(child(*row, row->getChildCount() - 1).getName(), "[0,0,99999]");
}

TEST(TagItemTest, ChildRowsAreBuiltWhenFirstNeededAndOnce) {
    Record motors("Motors", structure | oneDimension, {3}, "MotorData");
    motors.addMember("Speed", real);
    TagItem row("", &motors.get(), "");
    EXPECT_TRUE(row.hasChildren());
    EXPECT_FALSE(row.areChildrenBuilt());
    EXPECT_EQ(row.getChildCount(), 0u);
    row.loadChildren();
    ASSERT_EQ(row.getChildCount(), 3u);
    const TagItem& element = child(row, 0);
    EXPECT_TRUE(element.hasChildren());
    EXPECT_EQ(element.getChildCount(), 0u) << "one level at a time";
    row.loadChildren();
    EXPECT_EQ(row.getChildCount(), 3u);

    Record scalar("Speed", real);
    EXPECT_FALSE(TagItem("", &scalar.get(), "").hasChildren());
    Record empty("None", dint | twoDimensions, {4, 0});
    EXPECT_FALSE(TagItem("", &empty.get(), "").hasChildren()) << "a dimension of 0 gives no elements";
}

TEST(TagItemTest, FilterShowsMatchesAndTheirAncestorsAndEmptyShowsAll) {
    Record line("Line", structure, {}, "LineData");
    line.addMember("Speed", real).addMember("Running", boolean).addMember("Setpoints", real | oneDimension, {2});
    auto row = buildRow("", line);
    const TagItem& speed = child(*row, 0);
    const TagItem& running = child(*row, 1);
    const TagItem& setpoints = child(*row, 2);

    row->applyFilter("SPEED");
    EXPECT_TRUE(row->isVisible()) << "an ancestor of a match";
    EXPECT_TRUE(speed.isVisible());
    EXPECT_FALSE(running.isVisible());
    EXPECT_FALSE(setpoints.isVisible());

    row->applyFilter("[1]");
    EXPECT_TRUE(setpoints.isVisible());
    EXPECT_FALSE(child(setpoints, 0).isVisible());
    EXPECT_TRUE(child(setpoints, 1).isVisible());

    row->applyFilter("line.run");
    EXPECT_TRUE(running.isVisible()) << "the path matches, not only the name";
    EXPECT_FALSE(speed.isVisible());

    row->applyFilter("nothing like it");
    EXPECT_FALSE(row->isVisible());

    row->applyFilter("");
    EXPECT_TRUE(row->isVisible());
    EXPECT_TRUE(speed.isVisible());
    EXPECT_TRUE(running.isVisible());
    EXPECT_TRUE(child(setpoints, 0).isVisible());
}

TEST(TagItemTest, LoadingShowsThroughFromAnyDescendant) {
    Record line("Line", structure, {}, "LineData");
    line.addMember("Setpoints", real | oneDimension, {2});
    auto row = buildRow("", line);
    EXPECT_FALSE(row->isLoading());
    row->getChild(0)->getChild(1)->setLoading(true);
    EXPECT_TRUE(row->isLoading());
}

TEST(TagItemTest, RowsNotBuiltYetFilterExactlyAsBuiltRowsDo) {
    Record line("Line", structure, {}, "LineData");
    line.addMember("Speed", real)
        .addMember("Setpoints", real | oneDimension, {3})
        .addMember("Grid", dint | twoDimensions, {2, 2});
    Record motors("Motors", structure | oneDimension, {2}, "MotorData");
    motors.addMember("Running", boolean).addMember("History", dint | oneDimension, {12});
    for (const Record* record : {&line, &motors}) {
        for (const char* needle : {"", "speed", "LINE.SET", "[1]", "[1,0]", "s[1].his", "tory[11]", "zzz", "]"}) {
            SCOPED_TRACE(std::string(record->get().name) + " / '" + needle + "'");
            auto built = buildRow("Program:P", *record);
            built->applyFilter(needle);
            TagItem lazy("Program:P", &record->get(), "");
            lazy.applyFilter(needle);
            EXPECT_EQ(lazy.isVisible(), built->isVisible());
            loadAll(lazy); // rows built after the filter get it as they are made
            EXPECT_EQ(visibility(lazy), visibility(*built));
        }
    }
}

TEST(DatablockItemTest, ProgramRowIsShownForTheEmptyFilterOnly) {
    Record program("MainProgram", 0x1068);
    DatablockItem row(&program.get());
    EXPECT_EQ(row.getLabel(), "MainProgram");
    row.applyFilter("main");
    EXPECT_FALSE(row.isVisible()) << "the program's own name is not matched";
    row.applyFilter("");
    EXPECT_TRUE(row.isVisible());
}

} // namespace
