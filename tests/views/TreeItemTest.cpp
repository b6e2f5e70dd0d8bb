// Rows built from hand-made records: what the rows add to the shared tag model (which has
// the names, paths and the filter's rule), and a program row gone during its browse.
#include "ViewsSupport.hpp"

#include "HandRecords.hpp"
#include "TagRows.hpp"
#include "Views/TreeFilter.hpp"

namespace {

using handrecords::dims;
using handrecords::HandRecords;
using handrecords::kTankStruct;
using viewtest::drainPool;

// Builds the rows below as far as they go, as opening every row would.
void loadAll(TagItem& row) {
    row.loadChildren();
    for (std::size_t i = 0; i < row.getChildCount(); ++i) {
        if (auto* tag = dynamic_cast<TagItem*>(row.getChild(i))) {
            loadAll(*tag);
        }
    }
}

class TagItemTest : public testing::Test {
protected:
    HandRecords records;
    // Line: Speed REAL, Running BOOL, Setpoints REAL[3], Grid DINT[2,2].
    const zoltc_logix_tag_info line = records.record(
        "Line", kTankStruct, {}, "LineData",
        {records.record("Speed", ZOLTC_LOGIX_TYPE_REAL), records.record("Running", ZOLTC_LOGIX_TYPE_BOOL),
         records.record("Setpoints", ZOLTC_LOGIX_TYPE_REAL | dims(1), {3, 0, 0}),
         records.record("Grid", ZOLTC_LOGIX_TYPE_DINT | dims(2), {2, 2, 0})});
    // Motors: MotorData[2] of Running BOOL, History DINT[12] and Label STRING.
    const zoltc_logix_tag_info motors = records.record(
        "Motors", kTankStruct | dims(1), {2, 0, 0}, "MotorData",
        {records.record("Running", ZOLTC_LOGIX_TYPE_BOOL),
         records.record("History", ZOLTC_LOGIX_TYPE_DINT | dims(1), {12, 0, 0}), records.stringRecord("Label")});
};

TEST_F(TagItemTest, ChildRowsAreBuiltWhenFirstNeededOneLevelAtATimeAndOnce) {
    TagItem row("Motors", "Motors", &motors);
    EXPECT_TRUE(row.hasChildren());
    EXPECT_EQ(row.getChildCount(), 0u);
    row.loadChildren();
    row.loadChildren();
    ASSERT_EQ(row.getChildCount(), 2u);
    EXPECT_TRUE(row.getChild(0)->canOpen());
    EXPECT_EQ(row.getChild(0)->getChildCount(), 0u);
    const auto empty = records.record("None", ZOLTC_LOGIX_TYPE_DINT | dims(2), {4, 0, 0});
    EXPECT_FALSE(TagItem("None", "None", &empty).hasChildren()) << "a dimension of 0 gives no elements";
    const auto text = records.stringRecord("Text");
    TagItem textRow("Text", "Text", &text);
    textRow.loadChildren();
    EXPECT_EQ(textRow.getChildCount(), 0u) << "a STRING is one row, without LEN and DATA";
    const auto texts = records.stringRecord("Texts", dims(1), {3, 0, 0});
    EXPECT_TRUE(TagItem("Texts", "Texts", &texts).hasChildren());
}

TEST_F(TagItemTest, AnArrayPastTheLimitEndsWithANoteRow) {
    const auto huge = records.record("Huge", ZOLTC_LOGIX_TYPE_DINT | dims(3), {100000, 100000, 1});
    TagItem row("Huge", "Huge", &huge);
    row.loadChildren();
    ASSERT_EQ(row.getChildCount(), maxElementRows + 1);
    EXPECT_EQ(row.getChild(maxElementRows - 1)->getLabel(), "[0,99999,0]");
    EXPECT_EQ(row.getChild(maxElementRows)->getLabel(), "\xE2\x80\xA6 9 999 900 000 more elements");
    row.applyFilter("[0,5,0]");
    EXPECT_TRUE(row.getChild(maxElementRows)->isVisible());
}

TEST_F(TagItemTest, RowsNotBuiltYetFilterExactlyAsBuiltRowsDo) {
    for (const zoltc_logix_tag_info* record : {&line, &motors}) {
        for (const char* needle : {"", "speed", "LINE.SET", "[1]", "[1,0]", "s[1].his", "tory[11]", "zzz", "]", "label.len"}) {
            const std::string path = std::string("Program:P.") + record->name;
            TagItem built(record->name, path, record);
            loadAll(built);
            built.applyFilter(needle);
            TagItem lazy(record->name, path, record);
            lazy.applyFilter(needle);
            EXPECT_EQ(lazy.isVisible(), built.isVisible()) << record->name << " / '" << needle << "'";
        }
    }
}

TEST_F(TagItemTest, AHostileTreeIsFilteredABoundedNumberOfRowsPerStep) {
    // 100 000 structures whose type has a 65 535-element member: 6.5 billion rows below one tag.
    const auto huge = records.record("Huge", kTankStruct | dims(1), {100000, 0, 0}, "Hostile",
                                     {records.record("Big", ZOLTC_LOGIX_TYPE_DINT | dims(1), {65535, 0, 0})});
    const auto other = records.record("Other", ZOLTC_LOGIX_TYPE_DINT);
    std::vector<std::unique_ptr<TagItem>> rows;
    rows.push_back(std::make_unique<TagItem>("Huge", "Huge", &huge));
    rows.push_back(std::make_unique<TagItem>("Other", "Other", &other));
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
    EXPECT_FALSE(rows[0]->isOpen()) << "the filter opens no row of 100 000 rows";
    EXPECT_FALSE(rows[1]->isVisible());
}

// A browse that ends (or would start) after its row is gone touches nothing of it.
class ProgramRowTest : public viewtest::ViewsTest {
protected:
    ProgramRowTest() { withWindow = false; }
};

TEST_F(ProgramRowTest, ARowGoneDuringOrBeforeItsBrowseIsNotTouched) {
    restartSample({}, std::make_shared<viewtest::ReplyHold>(viewtest::listingOf("Program:MainProgram")));
    zoltc_logix_result connected = ZOLTC_LOGIX_ERR_UNKNOWN;
    pooltest::runOnWorker([&] { connected = AppState::instance().connect("127.0.0.1", port); });
    ASSERT_EQ(connected, ZOLTC_LOGIX_OK);
    HandRecords records;
    const zoltc_logix_tag_info program = records.record("MainProgram", ZOLTC_LOGIX_TYPE_PROGRAM);
    auto row = std::make_unique<DatablockItem>(&program);
    row->loadChildren();
    ASSERT_TRUE(pumpUntil([&] { return hold->reached(); }, "the browse to be under way"));
    row.reset(); // while the worker is inside the browse
    hold->release();
    drainPool();
    frame(2); // the continuation finds the row gone and releases the list (ASan/LSan watch)

    std::size_t before = 0;
    {
        viewtest::PoolGate gate;
        row = std::make_unique<DatablockItem>(&program);
        row->loadChildren();
        before = server->requests().size();
        row.reset();
    }
    drainPool();
    frame(2);
    EXPECT_EQ(server->requests().size(), before) << "a row gone before its task started is not browsed";
}

} // namespace
