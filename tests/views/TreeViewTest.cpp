// The tag tree against the sample: loading behind the spinner, rows for tags, programs,
// members and elements, the filter box, reloads and failed browses.
#include "ViewsSupport.hpp"

#include "AppState.hpp"
#include "TagInspector.hpp"
#include "Views/TopBarView.hpp"
#include "Views/TreeView.hpp"

#include <zolt/ui/ImGuiPanel.hpp>
#include <zolt/ui/ScrollView.hpp>
#include <zolt/ui/Stack.hpp>

#include <string>
#include <vector>

namespace {

using namespace viewtest;

bool isControllerListing(const quillon::sim::RequestRecord& record) {
    return record.service == listSymbolsService && record.path.rfind("class 0x6B", 0) == 0;
}

class TreeTest : public ViewsTest {
protected:
    std::vector<std::string> topLabels() const {
        std::vector<std::string> labels;
        for (const auto& item : tree().getItems()) {
            labels.emplace_back(item->getLabel());
        }
        return labels;
    }
    std::vector<std::string> childLabels(const TreeItem& row) const {
        std::vector<std::string> labels;
        for (std::size_t i = 0; i < row.getChildCount(); ++i) {
            labels.emplace_back(row.getChild(i)->getLabel());
        }
        return labels;
    }
    std::vector<std::string> visibleTopLabels() const {
        std::vector<std::string> labels;
        for (const auto& item : tree().getItems()) {
            if (item->isVisible()) {
                labels.emplace_back(item->getLabel());
            }
        }
        return labels;
    }
    // Over the rows built so far.
    bool everyRowVisible(const TreeItem& row) const {
        if (!row.isVisible()) {
            return false;
        }
        for (std::size_t i = 0; i < row.getChildCount(); ++i) {
            if (!everyRowVisible(*row.getChild(i))) {
                return false;
            }
        }
        return true;
    }
    bool spinnerShown() const { return tree().getSpinnerStack()->isVisible(); }
    bool rowsShown() const { return tree().getScrollView()->isVisible() && tree().getTreePanel()->isVisible(); }
};

TEST_F(TreeTest, StartsEmptyWithTheRowsPaneShownAndNoFilterBox) {
    EXPECT_TRUE(tree().getItems().empty());
    EXPECT_TRUE(rowsShown());
    EXPECT_FALSE(spinnerShown());
    EXPECT_FALSE(tree().getFilterPanel()->isVisible());
}

TEST_F(TreeTest, TheListLoadsBehindTheSpinner) {
    restartSample({}, std::make_shared<ReplyHold>(isControllerListing));
    typeAddress("127.0.0.1", port);
    click(connectButton());
    ASSERT_TRUE(pumpUntil([&] { return hold->reached() && tree().isLoading(); }, "the listing to start"));
    frame();
    EXPECT_TRUE(spinnerShown());
    EXPECT_FALSE(rowsShown());
    EXPECT_FALSE(tree().getFilterPanel()->isVisible());

    hold->release();
    waitForTree();
    EXPECT_FALSE(spinnerShown());
    EXPECT_TRUE(rowsShown());
    EXPECT_TRUE(tree().getFilterPanel()->isVisible());
}

TEST_F(TreeTest, RowsKeepTheControllerOrderAndProgramsFillWithTheirTags) {
    connectSample();
    const std::vector<std::string> labels = topLabels();
    ASSERT_GE(labels.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(labels.begin(), labels.begin() + 5),
              (std::vector<std::string>{"BoolFlag", "SintValue", "IntValue", "DintValue", "LintValue"}));

    std::vector<std::string> programs;
    for (const auto& item : tree().getItems()) {
        if (dynamic_cast<DatablockItem*>(item.get()) != nullptr) {
            programs.emplace_back(item->getLabel());
        }
    }
    EXPECT_EQ(programs, (std::vector<std::string>{"MainProgram", "Conveyor", "Packaging"}));

    TreeItem* mainProgram = findRow("MainProgram");
    ASSERT_NE(mainProgram, nullptr);
    EXPECT_EQ(childLabels(*mainProgram),
              (std::vector<std::string>{"StepNo", "Mode", "StepTimer", "Status", "Setpoints", "LocalMotor"}));
    EXPECT_EQ(tagRow("Program:MainProgram.StepNo").getName(), "StepNo");
    EXPECT_EQ(tagRow("Program:Packaging.Label").getTypeName(), "STRING");
}

TEST_F(TreeTest, FilterMatchesWithoutCaseAndEmptyingItRestoresEveryRow) {
    connectSample();
    typeFilter("COUNTER");
    EXPECT_EQ(tree().getFilterText(), "COUNTER");
    EXPECT_EQ(visibleTopLabels(), (std::vector<std::string>{"Counter"}));

    typeFilter("mainprogram");
    EXPECT_EQ(visibleTopLabels(), (std::vector<std::string>{"MainProgram"}))
        << "the tags' paths hold the program's name";
    EXPECT_TRUE(everyRowVisible(*findRow("MainProgram")));

    typeFilter("SETPOINTS");
    EXPECT_EQ(visibleTopLabels(), (std::vector<std::string>{"Line1", "Recipes", "MainProgram"}));
    EXPECT_TRUE(findRow("Line1.Recipe.Setpoints")->isVisible());
    EXPECT_FALSE(findRow("Line1.Motor")->isVisible());
    EXPECT_FALSE(findRow("Program:MainProgram.Mode")->isVisible());

    typeFilter("");
    EXPECT_EQ(tree().getFilterText(), "");
    for (const auto& item : tree().getItems()) {
        EXPECT_TRUE(everyRowVisible(*item)) << item->getLabel();
    }
}

TEST_F(TreeTest, DeletingTypedCharactersOneByOneRestoresTheRows) {
    connectSample();
    typeFilter("Bo");
    EXPECT_EQ(visibleTopLabels(), (std::vector<std::string>{"BoolFlag", "Packaging"}));
    pressKey(ImGuiKey_Backspace);
    EXPECT_EQ(tree().getFilterText(), "B");
    pressKey(ImGuiKey_Backspace);
    frame();
    EXPECT_EQ(tree().getFilterText(), "");
    EXPECT_EQ(visibleTopLabels().size(), tree().getItems().size());
}

TEST_F(TreeTest, DisconnectingKeepsRowsAndFilterAndReconnectingEmptiesTheInspector) {
    connectSample();
    typeFilter("Value");
    clickRow(tagRow("DintValue"));
    ASSERT_EQ(watchedNames(), (std::vector<std::string>{"DintValue"}));
    const TreeItem* firstRow = tree().getItems().front().get();

    click(connectButton()); // disconnect
    frame(3);
    EXPECT_EQ(tree().getItems().front().get(), firstRow);
    EXPECT_EQ(tree().getFilterText(), "Value");
    EXPECT_TRUE(tree().getFilterPanel()->isVisible());
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
    quillon::sim::Options options;
    options.closeAfterRequests = connectRequests; // the next listing finds the connection gone
    server->setOptions(options);

    click(connectButton());
    ASSERT_TRUE(pumpUntil([&] { return AppState::instance().link() == AppState::Link::Lost; }, "the loss"));
    server->setOptions({});
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
    quillon::sim::Options refusing;
    refusing.encapsulationStatus = 0x65;
    server->setOptions(refusing);
    hold->release();
    ASSERT_TRUE(pumpUntil([&] { return !tree().isLoading() && !tree().getLoadFailure().empty(); }, "the failure"));
    EXPECT_TRUE(tree().getItems().empty()) << "the earlier controller's rows show again";
    EXPECT_TRUE(tree().getTreePanel()->isVisible());

    server->setOptions({});
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
    quillon::sim::Server empty(quillon::sim::Controller{});
    typeAddress("127.0.0.1", empty.start(0));
    click(connectButton());
    // Once the bar has seen the connect end, the tree has submitted its load.
    ASSERT_TRUE(pumpUntil([&] { return AppState::instance().isConnected() && !topBar().isConnecting(); },
                          "the connect"));
    drainPool();
    frame(2);
    EXPECT_TRUE(tree().getItems().empty());
    EXPECT_FALSE(tree().isLoading());
    EXPECT_FALSE(tree().getSpinnerStack()->isVisible());
    EXPECT_FALSE(tree().getFilterPanel()->isVisible());
    AppState::instance().disconnect();
    empty.stop();
}

TEST_F(TreeTest, RowsOutsideTheVisiblePartAreSkippedButKeepTheirPlace) {
    connectSample();
    // Open enough rows to make the tree several screens long.
    for (const char* path : {"Cube", "Matrix", "Line1", "Motors"}) {
        toggleRow(*findRow(path));
        ASSERT_TRUE(findRow(path)->isOpen()) << path;
    }
    frame();
    const zolt::ui::ScrollView& scroll = *tree().getScrollView();
    const float content = tree().getTreePanel()->getPreferredSize().y;
    ASSERT_GT(content, 3.0f * scroll.getActualSize().y);

    TreeItem& first = *tree().getItems().front();
    TreeItem& last = *tree().getItems().back();
    reveal(last);
    EXPECT_NE(first.getGeometry().frame, last.getGeometry().frame) << "the first row was not drawn";
    EXPECT_FLOAT_EQ(tree().getTreePanel()->getPreferredSize().y, content) << "the layout keeps its height";
    // The last row sits where the full layout puts it: its click reaches it.
    clickRow(*findRow("BatchCount"));
    EXPECT_EQ(watchedNames(), (std::vector<std::string>{"BatchCount"}));
}

} // namespace
