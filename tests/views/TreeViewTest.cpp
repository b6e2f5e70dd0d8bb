// The tag tree against the sample: loading behind the spinner, rows for tags and programs,
// the filter box, reloads, failed listings with Retry, and rows outside the visible part.
#include "ViewsSupport.hpp"

#include "AppState.hpp"
#include "Views/TopBarView.hpp"
#include "Views/TreeView.hpp"

#include <zolt/ui/ImGuiPanel.hpp>
#include <zolt/ui/Stack.hpp>

#include <string>
#include <vector>

namespace {

using namespace viewtest;

bool isControllerListing(const quillon::sim::RequestRecord& record) {
    return record.service == simtest::kListSymbols && record.path.rfind("class 0x6B", 0) == 0;
}

class TreeTest : public ViewsTest {
protected:
    std::vector<std::string> visibleTopLabels() const {
        std::vector<std::string> labels;
        for (const auto& item : tree().getItems()) {
            if (item->isVisible()) {
                labels.emplace_back(item->getLabel());
            }
        }
        return labels;
    }
    bool spinnerShown() const { return tree().getSpinnerStack()->isVisible(); }
    bool rowsShown() const { return tree().getTreePanel()->isVisible(); }
    bool filterShown() const { return tree().getFilterPanel()->isVisible(); }
};

TEST_F(TreeTest, TheListLoadsBehindTheSpinnerInTheControllersOrder) {
    EXPECT_TRUE(rowsShown());
    EXPECT_FALSE(filterShown()) << "no filter box before a list";
    restartSample({}, std::make_shared<ReplyHold>(isControllerListing));
    typeAddress("127.0.0.1", port);
    click(connectButton());
    ASSERT_TRUE(pumpUntil([&] { return hold->reached() && tree().isLoading(); }, "the listing to start"));
    frame();
    EXPECT_TRUE(spinnerShown());
    EXPECT_FALSE(rowsShown());
    hold->release();
    waitForTree();
    EXPECT_FALSE(spinnerShown());
    EXPECT_TRUE(filterShown());

    std::vector<std::string> labels;
    for (const auto& item : tree().getItems()) {
        labels.emplace_back(item->getLabel());
    }
    ASSERT_GE(labels.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(labels.begin(), labels.begin() + 3),
              (std::vector<std::string>{"BoolFlag", "SintValue", "IntValue"}));
    TreeItem* mainProgram = findRow("MainProgram");
    ASSERT_NE(mainProgram, nullptr);
    EXPECT_EQ(mainProgram->getChildCount(), 6u) << "the program's tags arrived";
    EXPECT_NE(findRow("Program:Packaging.Label"), nullptr);
}

TEST_F(TreeTest, TheFilterBoxFiltersTheRowsAndEmptyingItRestoresThem) {
    connectSample();
    TreeItem& setpoints = *findRow("Line1.Recipe.Setpoints"); // rows built before the filter runs
    TreeItem& motor = *findRow("Line1.Motor");
    toggleRow("Motors"); // opened before filtering
    typeFilter("SETPOINTS");
    EXPECT_EQ(visibleTopLabels(), (std::vector<std::string>{"Line1", "Recipes", "MainProgram"}));
    EXPECT_TRUE(setpoints.isVisible());
    EXPECT_FALSE(motor.isVisible());
    EXPECT_TRUE(findRow("Line1")->isOpen() && findRow("Line1.Recipe")->isOpen()) << "the way to a match opens";
    typeFilter("");
    EXPECT_EQ(visibleTopLabels().size(), tree().getItems().size());
    EXPECT_FALSE(findRow("Line1")->isOpen());
    EXPECT_TRUE(findRow("Motors")->isOpen());
}

TEST_F(TreeTest, DisconnectingKeepsRowsAndFilterAndReconnectingEmptiesTheInspector) {
    connectSample();
    typeFilter("Value");
    clickRow("DintValue");
    ASSERT_EQ(watchedNames(), (std::vector<std::string>{"DintValue"}));
    const TreeItem* firstRow = tree().getItems().front().get();
    click(connectButton()); // disconnect
    frame(3);
    EXPECT_EQ(tree().getItems().front().get(), firstRow);
    EXPECT_EQ(tree().getFilterText(), "Value");
    EXPECT_FALSE(findRow("Counter")->isVisible()) << "the filter still applies";
    EXPECT_EQ(watchedNames(), (std::vector<std::string>{"DintValue"}));

    click(connectButton()); // connect again
    waitForTree(firstRow);
    frame();
    EXPECT_TRUE(watchedNames().empty());
    EXPECT_FALSE(findRow("Counter")->isVisible()) << "the filter applies to the new rows";
    EXPECT_TRUE(findRow("DintValue")->isVisible());
}

// A connection lost during the listing shows as lost, and the reconnect lists again.
TEST_F(TreeTest, AListingCutByALostConnectionListsAgainAfterTheReconnect) {
    connectSample();
    const TreeItem* firstRow = tree().getItems().front().get();
    // The requests of a connect: everything on the first connection before its first listing.
    std::uint32_t connectRequests = 0;
    for (const quillon::sim::RequestRecord& record : server->requests()) {
        if (isControllerListing(record)) {
            break;
        }
        connectRequests += record.embedded ? 0 : 1;
    }
    click(connectButton()); // disconnect
    quillon::sim::Options options = server->options();
    options.closeAfterRequests = connectRequests; // the next listing finds the connection gone
    server->setOptions(options);
    click(connectButton());
    ASSERT_TRUE(pumpUntil([&] { return AppState::instance().link() == AppState::Link::Lost; }, "the loss"));
    options.closeAfterRequests = 0;
    server->setOptions(options);
    waitForTree(firstRow);
    EXPECT_EQ(AppState::instance().link(), AppState::Link::Connected);
    EXPECT_NE(findRow("Counter"), nullptr);
}

TEST_F(TreeTest, AFailedListingShowsNoRowsButItsReasonAndRetryLoadsThem) {
    connectSample();
    const TreeItem* firstRow = tree().getItems().front().get();
    click(connectButton()); // disconnect
    frame();
    restartSample({}, std::make_shared<ReplyHold>(isControllerListing));
    typeAddress("127.0.0.1", port);
    click(connectButton());
    ASSERT_TRUE(pumpUntil([&] { return hold->reached(); }, "the listing to start"));
    quillon::sim::Options refusing = server->options();
    refusing.encapsulationStatus = 0x65;
    server->setOptions(refusing);
    hold->release();
    ASSERT_TRUE(pumpUntil([&] { return !tree().isLoading() && !tree().getLoadFailure().empty(); }, "the failure"));
    EXPECT_TRUE(tree().getItems().empty()) << "the earlier controller's rows show again";
    EXPECT_TRUE(tree().getTreePanel()->isVisible());
    refusing.encapsulationStatus = 0;
    server->setOptions(refusing);
    tree().retry();
    waitForTree(firstRow);
    EXPECT_TRUE(tree().getLoadFailure().empty());
    EXPECT_NE(findRow("Counter"), nullptr);
}

// A controller that keeps a program's tags from this user: the row says why on hover.
TEST_F(TreeTest, AProgramWhoseListingIsRefusedSaysWhy) {
    quillon::sim::Options refusing;
    refusing.programListingStatus = 0x0F;
    restartSample(refusing);
    connectSample();
    auto* program = dynamic_cast<DatablockItem*>(findRow("MainProgram"));
    ASSERT_NE(program, nullptr);
    EXPECT_EQ(program->getChildCount(), 0u);
    EXPECT_EQ(program->getFailure(), "privilege violation");
}

TEST_F(TreeTest, AnEmptyControllerShowsNoRowsAndNoFilterBox) {
    startSim({}, quillon::sim::Controller{});
    typeAddress("127.0.0.1", port);
    click(connectButton());
    // Once the bar has seen the connect end, the tree has submitted its load.
    ASSERT_TRUE(pumpUntil([&] { return AppState::instance().isConnected() && !topBar().isConnecting(); }, "the connect"));
    drainPool();
    frame(2);
    EXPECT_TRUE(tree().getItems().empty());
    EXPECT_FALSE(spinnerShown());
    EXPECT_FALSE(filterShown());
}

TEST_F(TreeTest, RowsOutsideTheVisiblePartAreSkippedButKeepTheirPlace) {
    connectSample();
    for (const char* path : {"Cube", "Matrix", "Line1", "Motors"}) { // several screens long
        toggleRow(path);
        ASSERT_TRUE(findRow(path)->isOpen()) << path;
    }
    frame();
    const float scrollRange = tree().getScrollMaxY();
    ASSERT_GT(scrollRange, 2.0f * tree().getTreePanel()->getActualSize().y) << "the rows scroll";
    TreeItem& first = *tree().getItems().front();
    TreeItem& last = *tree().getItems().back();
    reveal(last);
    EXPECT_NE(first.getGeometry().frame, last.getGeometry().frame) << "the first row was not drawn";
    EXPECT_FLOAT_EQ(tree().getScrollY(), scrollRange) << "the last row ends the rows";
    clickRow("BatchCount"); // the last row sits where the full layout puts it
    EXPECT_EQ(watchedNames(), (std::vector<std::string>{"BatchCount"}));
}

} // namespace
