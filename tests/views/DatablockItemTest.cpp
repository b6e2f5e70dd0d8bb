// A program row's background browse: its tags become rows under "Program:" paths, and a
// browse that ends after its row is gone touches nothing of it.
#include "ViewsSupport.hpp"

#include <string>

namespace {

using namespace viewtest;

constexpr std::uint16_t programType = 0x1068;

bool isMainProgramListing(const quillon::sim::RequestRecord& record) {
    return record.service == listSymbolsService && record.path.rfind("Program:MainProgram", 0) == 0;
}

class ProgramRowTest : public SampleTest {
protected:
    void SetUp() override {
        SampleTest::SetUp();
        restartSample({}, std::make_shared<ReplyHold>(isMainProgramListing));
        ASSERT_EQ(connectState(port), ZOLTC_LOGIX_OK);
    }
    Record program{"MainProgram", programType};
};

TEST_F(ProgramRowTest, TagsArriveAsRowsUnderTheProgramPath) {
    DatablockItem row(&program.get());
    row.loadChildren();
    EXPECT_TRUE(row.isLoading());
    hold->release();
    ASSERT_TRUE(pumpUntil([&] { return !row.isLoading(); }, "the program's tags"));
    ASSERT_EQ(row.getChildCount(), 6u);
    const auto& first = dynamic_cast<const TagItem&>(*row.getChild(0));
    EXPECT_EQ(first.getName(), "StepNo");
    EXPECT_EQ(first.getPath(), "Program:MainProgram.StepNo");
    auto& timer = dynamic_cast<TagItem&>(*row.getChild(2));
    timer.loadChildren();
    EXPECT_EQ(dynamic_cast<const TagItem&>(*timer.getChild(1)).getPath(), "Program:MainProgram.StepTimer.ACC");
}

TEST_F(ProgramRowTest, ABrowseEndingAfterItsRowIsGoneTouchesNothing) {
    auto row = std::make_unique<DatablockItem>(&program.get());
    row->loadChildren();
    ASSERT_TRUE(pumpUntil([&] { return hold->reached(); }, "the browse to be under way"));
    row.reset(); // while the worker is inside the browse
    hold->release();
    drainPool();
    frame(2); // the continuation finds the row gone and releases the list (ASan/LSan watch)
    int listings = 0;
    for (const quillon::sim::RequestRecord& record : server->requests()) {
        listings += isMainProgramListing(record) ? 1 : 0;
    }
    EXPECT_GE(listings, 1) << "the browse itself ran to its end";
}

TEST_F(ProgramRowTest, ARowGoneBeforeItsTaskStartsIsNotBrowsed) {
    std::size_t before = 0;
    {
        PoolGate gate;
        auto row = std::make_unique<DatablockItem>(&program.get());
        row->loadChildren();
        before = server->requests().size();
        row.reset();
        gate.open();
    }
    drainPool();
    frame(2);
    EXPECT_FALSE(hold->reached());
    EXPECT_EQ(server->requests().size(), before);
}

TEST_F(ProgramRowTest, AFailedBrowseLeavesTheRowWithoutTags) {
    hold->release();
    quillon::sim::Options refusing;
    refusing.encapsulationStatus = 1; // every reply from now on says "invalid command"
    server->setOptions(refusing);
    DatablockItem row(&program.get());
    row.loadChildren();
    ASSERT_TRUE(pumpUntil([&] { return !row.isLoading(); }, "the browse to end"));
    EXPECT_EQ(row.getChildCount(), 0u);
}

} // namespace
