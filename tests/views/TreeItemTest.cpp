// Tag rows built from hand-made records: what the rows add to the shared tag model (built
// when first needed, the note after a cut array, visibility, loading). Names, paths and
// the filter's rule are the model's, tested with it.
#include "ViewsSupport.hpp"

#include "HandRecords.hpp"
#include "TagRows.hpp"
#include "Views/TreeFilter.hpp"

#include <string>
#include <vector>

using viewtest::Record;

namespace {

using namespace handrecords;
constexpr std::uint16_t boolean = 0x00C1;
constexpr std::uint16_t threeDimensions = 0x6000;

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
        if (auto* tag = dynamic_cast<TagItem*>(row.getChild(i))) {
            loadAll(*tag);
        }
    }
}

std::unique_ptr<TagItem> buildRow(const std::string& parentPath, const Record& record) {
    const std::string name = record.get().name;
    auto row = std::make_unique<TagItem>(name, parentPath.empty() ? name : parentPath + "." + name, &record.get());
    loadAll(*row);
    return row;
}

TEST(TagItemTest, ChildRowsAreBuiltWhenFirstNeededAndOnce) {
    Record motors("Motors", kTankStruct | kOneDim, {3}, "MotorData");
    motors.addMember("Speed", kReal);
    TagItem row("Motors", "Motors", &motors.get());
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

    Record scalar("Speed", kReal);
    EXPECT_FALSE(TagItem("Speed", "Speed", &scalar.get()).hasChildren());
    Record empty("None", kDint | kTwoDims, {4, 0});
    EXPECT_FALSE(TagItem("None", "None", &empty.get()).hasChildren()) << "a dimension of 0 gives no elements";
}

TEST(TagItemTest, AnArrayPastTheLimitEndsWithANoteRow) {
    Record array("Huge", kDint | threeDimensions, {100000, 100000, 1});
    TagItem row("Huge", "Huge", &array.get());
    row.loadChildren();
    ASSERT_EQ(row.getChildCount(), maxElementRows + 1);
    EXPECT_EQ(child(row, 0).getName(), "[0,0,0]");
    EXPECT_EQ(child(row, maxElementRows - 1).getName(), "[0,99999,0]");
    EXPECT_EQ(row.getChild(maxElementRows)->getLabel(), "\xE2\x80\xA6 9 999 900 000 more elements");
    row.applyFilter("[0,5,0]");
    EXPECT_TRUE(row.getChild(maxElementRows)->isVisible());

    Record small("Small", kDint | kOneDim, {3});
    TagItem whole("Small", "Small", &small.get());
    whole.loadChildren();
    EXPECT_EQ(childNames(whole), (std::vector<std::string>{"[0]", "[1]", "[2]"}));
}

TEST(TagItemTest, FilterShowsMatchesAndTheirAncestorsAndEmptyShowsAll) {
    Record line("Line", kTankStruct, {}, "LineData");
    line.addMember("Speed", kReal).addMember("Running", boolean).addMember("Setpoints", kReal | kOneDim, {2});
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
    Record line("Line", kTankStruct, {}, "LineData");
    line.addMember("Setpoints", kReal | kOneDim, {2});
    auto row = buildRow("", line);
    EXPECT_FALSE(row->isLoading());
    row->getChild(0)->getChild(1)->setLoading(true);
    EXPECT_TRUE(row->isLoading());
}

TEST(TagItemTest, RowsNotBuiltYetFilterExactlyAsBuiltRowsDo) {
    Record line("Line", kTankStruct, {}, "LineData");
    line.addMember("Speed", kReal)
        .addMember("Setpoints", kReal | kOneDim, {3})
        .addMember("Grid", kDint | kTwoDims, {2, 2});
    Record motors("Motors", kTankStruct | kOneDim, {2}, "MotorData");
    motors.addMember("Running", boolean).addMember("History", kDint | kOneDim, {12});
    for (const Record* record : {&line, &motors}) {
        for (const char* needle : {"", "speed", "LINE.SET", "[1]", "[1,0]", "s[1].his", "tory[11]", "zzz", "]"}) {
            SCOPED_TRACE(std::string(record->get().name) + " / '" + needle + "'");
            auto built = buildRow("Program:P", *record);
            built->applyFilter(needle);
            TagItem lazy(record->get().name, std::string("Program:P.") + record->get().name, &record->get());
            lazy.applyFilter(needle);
            EXPECT_EQ(lazy.isVisible(), built->isVisible());
        }
    }
}

TEST(TreeFilterTest, AHostileTreeIsFilteredABoundedNumberOfRowsPerStep) {
    // 100 000 structures whose type has a 65 535-element member: 6.5 billion rows below one tag.
    Record huge("Huge", kTankStruct | kOneDim, {100000}, "Hostile");
    huge.addMember("Big", kDint | kOneDim, {65535});
    Record other("Other", kDint);
    std::vector<std::unique_ptr<TagItem>> rows;
    rows.push_back(std::make_unique<TagItem>("Huge", "Huge", &huge.get()));
    rows.push_back(std::make_unique<TagItem>("Other", "Other", &other.get()));

    TreeFilter filter;
    filter.start("nothing like it", rows);
    for (int frame = 0; frame < 50; ++frame) {
        EXPECT_FALSE(filter.step());
        EXPECT_LE(filter.lastStepWork(), TreeFilter::rowsPerFrame);
        EXPECT_EQ(filter.decided(), 0u) << "still searching below Huge";
    }

    // A row deep in the second element is found within a few steps, and the filter ends.
    filter.start("Huge[1].Big[7]", rows);
    int steps = 1;
    while (!filter.step()) {
        EXPECT_LE(filter.lastStepWork(), TreeFilter::rowsPerFrame);
        ASSERT_LT(++steps, 10);
    }
    EXPECT_TRUE(rows[0]->isVisible());
    EXPECT_FALSE(rows[1]->isVisible());
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
