// The tag tree against the sample: loading, rows, the filter box, reloads, failed listings
// with Retry, rows outside the visible part, and the keyboard on the rows.
#include "ViewsSupport.hpp"

#include <algorithm>

namespace {

using namespace viewtest;

const ReplyHold::Match controllerListing = listingOf("class 0x6B");

class TreeTest : public ViewsTest {
protected:
    Names visibleTopLabels() const {
        Names labels;
        for (const auto& item : tree().getItems()) {
            if (item->isVisible()) {
                labels.emplace_back(item->getLabel());
            }
        }
        return labels;
    }
    bool spinnerShown() const { return tree().getSpinnerStack()->isVisible(); }
    bool filterShown() const { return tree().getFilterPanel()->isVisible(); }
    std::string selectedKey() const {
        const TreeItem* row = tree().getSelected();
        return row != nullptr ? std::string(row->getKey()) : std::string("(none)");
    }
};

// The filter opens the way to its matches and closes it after (a row the user opened stays open).
TEST_F(TreeTest, TheFilterBoxFiltersTheRowsThroughADisconnectAndAReconnect) {
    connectSample();
    TreeItem& setpoints = *findRow("Line1.Recipe.Setpoints"); // rows built before the filter runs
    TreeItem& motor = *findRow("Line1.Motor");
    toggleRow("Motors"); // opened before filtering
    typeFilter("SETPOINTS");
    EXPECT_EQ(visibleTopLabels(), (Names{"Line1", "Recipes", "MainProgram"}));
    EXPECT_TRUE(setpoints.isVisible());
    EXPECT_FALSE(motor.isVisible());
    EXPECT_TRUE(findRow("Line1")->isOpen() && findRow("Line1.Recipe")->isOpen()) << "the way to a match opens";
    typeFilter("Line1.Motor");
    EXPECT_TRUE(findRow("Line1")->isOpen());
    EXPECT_FALSE(findRow("Line1.Recipe")->isOpen()) << "opened for the earlier text only";
    typeFilter("");
    EXPECT_EQ(visibleTopLabels().size(), tree().getItems().size());
    EXPECT_FALSE(findRow("Line1")->isOpen());
    EXPECT_TRUE(findRow("Motors")->isOpen());

    typeFilter("Value");
    clickRow("DintValue");
    ASSERT_EQ(watchedNames(), (Names{"DintValue"}));
    const TreeItem* firstRow = tree().getItems().front().get();
    click(connectButton()); // disconnect
    frame(3);
    EXPECT_EQ(tree().getItems().front().get(), firstRow);
    EXPECT_EQ(tree().getFilterText(), "Value");
    EXPECT_FALSE(findRow("Counter")->isVisible()) << "the filter still applies";
    EXPECT_EQ(watchedNames(), (Names{"DintValue"}));
    click(connectButton()); // connect again
    waitForTree(firstRow);
    frame();
    EXPECT_TRUE(watchedNames().empty());
    EXPECT_FALSE(findRow("Counter")->isVisible()) << "the filter applies to the new rows";
    EXPECT_TRUE(findRow("DintValue")->isVisible());
}

// A failed listing shows its reason and no rows, not the earlier controller's.
TEST_F(TreeTest, AListingCutByALossListsAgainAFailedOneOnRetryAndARefusedProgramSaysWhy) {
    EXPECT_FALSE(filterShown()) << "no filter box before a list";
    connectSample();
    EXPECT_TRUE(filterShown());
    const Names labels = visibleTopLabels();
    ASSERT_GE(labels.size(), 3u);
    EXPECT_EQ(Names(labels.begin(), labels.begin() + 3), (Names{"BoolFlag", "SintValue", "IntValue"}));
    ASSERT_NE(findRow("MainProgram"), nullptr);
    EXPECT_EQ(findRow("MainProgram")->getChildCount(), 6u) << "the program's tags arrived";
    EXPECT_NE(findRow("Program:Packaging.Label"), nullptr);

    const TreeItem* firstRow = tree().getItems().front().get();
    // The requests of a connect: everything on the first connection before its first listing.
    std::uint32_t connectRequests = 0;
    for (const quillon::sim::RequestRecord& record : server->requests()) {
        if (controllerListing(record)) {
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

    firstRow = tree().getItems().front().get();
    click(connectButton()); // disconnect
    frame();
    restartSample({}, std::make_shared<ReplyHold>(controllerListing));
    typeAddress("127.0.0.1", port);
    click(connectButton());
    ASSERT_TRUE(pumpUntil([&] { return hold->reached() && tree().isLoading(); }, "the listing to start"));
    frame();
    EXPECT_TRUE(spinnerShown());
    EXPECT_FALSE(tree().getTreePanel()->isVisible());
    options.encapsulationStatus = 0x65;
    server->setOptions(options);
    hold->release();
    ASSERT_TRUE(pumpUntil([&] { return !tree().isLoading() && !tree().getLoadFailure().empty(); }, "the failure"));
    EXPECT_TRUE(tree().getItems().empty()) << "the earlier controller's rows show again";
    EXPECT_TRUE(tree().getTreePanel()->isVisible());
    options.encapsulationStatus = 0;
    options.programListingStatus = 0x0F; // a program's tags kept from this user: the row says why
    server->setOptions(options);
    tree().retry();
    waitForTree(firstRow);
    EXPECT_TRUE(tree().getLoadFailure().empty());
    EXPECT_FALSE(spinnerShown());
    EXPECT_NE(findRow("Counter"), nullptr);
    auto* program = dynamic_cast<DatablockItem*>(findRow("MainProgram"));
    ASSERT_NE(program, nullptr);
    EXPECT_EQ(program->getChildCount(), 0u);
    EXPECT_EQ(program->getFailure(), "privilege violation");
}

// Rows outside the visible part are skipped but keep their place.
TEST_F(TreeTest, RowsOutsideTheViewKeepTheirPlaceAndTheKeysMoveOpenCloseAndWatch) {
    connectSample();
    for (const char* path : {"Cube", "Matrix", "Line1", "Motors"}) { // several screens long
        toggleRow(path);
        ASSERT_TRUE(findRow(path)->isOpen()) << path;
    }
    frame();
    const float scrollRange = tree().getScrollMaxY();
    ASSERT_GT(scrollRange, 2.0f * tree().getTreePanel()->getActualSize().y) << "the rows scroll";
    const TreeItem& last = shownRow("Packaging");
    EXPECT_NE(tree().getItems().front()->getGeometry().frame, last.getGeometry().frame) << "the first row skipped";
    EXPECT_FLOAT_EQ(tree().getScrollY(), scrollRange) << "the last row ends the rows";
    clickRow("BatchCount"); // the last row sits where the full layout puts it
    EXPECT_EQ(watchedNames(), (Names{"BatchCount"}));
    for (const char* path : {"Cube", "Matrix", "Line1", "Motors"}) {
        toggleRow(path);
    }

    clickRow("BoolFlag");
    pressKey(ImGuiKey_DownArrow);
    EXPECT_EQ(selectedKey(), "SintValue");
    pressKey(ImGuiKey_Enter);
    pressKey(ImGuiKey_DownArrow);
    pressKey(ImGuiKey_Space);
    EXPECT_EQ(watchedNames(), (Names{"BatchCount", "BoolFlag", "SintValue", "IntValue"}));
    pressKey(ImGuiKey_UpArrow);
    EXPECT_EQ(selectedKey(), "SintValue");
    pressKey(ImGuiKey_End);
    frame();
    ASSERT_EQ(tree().getSelected(), tree().getItems().back().get());
    const zolt::ui::ImGuiPanel& panel = *tree().getTreePanel();
    const TreeItem::RowGeometry& end = tree().getSelected()->getGeometry();
    EXPECT_TRUE(end.frame == panel.getImGuiContext()->FrameCount && end.hitRect.y >= 0.0f &&
                end.hitRect.w <= panel.getActualSize().y)
        << "the last row drawn whole in view";
    pressKey(ImGuiKey_Home);
    frame();
    EXPECT_EQ(selectedKey(), "BoolFlag");
    pressKey(ImGuiKey_PageDown);
    frame();
    ASSERT_NE(tree().getSelected(), nullptr);
    EXPECT_GT(tree().getSelected()->getGeometry().hitRect.y, tree().getTreePanel()->getActualSize().y / 2.0f);

    tree().select(findRow("Temperatures"));
    pressKey(ImGuiKey_RightArrow);
    EXPECT_TRUE(findRow("Temperatures")->isOpen());
    pressKey(ImGuiKey_RightArrow);
    EXPECT_EQ(selectedKey(), "Temperatures[0]");
    pressKey(ImGuiKey_DownArrow);
    pressKey(ImGuiKey_LeftArrow);
    EXPECT_EQ(selectedKey(), "Temperatures") << "a leaf goes to its parent";
    pressKey(ImGuiKey_LeftArrow);
    EXPECT_FALSE(findRow("Temperatures")->isOpen());
    pressKey(ImGuiKey_DownArrow);
    EXPECT_EQ(selectedKey(), "Matrix") << "past the closed rows";
}

TEST_F(TreeTest, TypingOrCtrlFMovesToTheFilterBoxAndReloadKeepsWhatWasOpen) {
    connectSample();
    clickRow("Counter");
    typeText("Cou");
    frame(3);
    EXPECT_EQ(window->getFocusedWidget(), tree().getFilterPanel());
    typeText("n");
    EXPECT_EQ(tree().getFilterText(), "Coun") << "every character reached the box";
    clickRow("Counter");
    pressKey(ImGuiKey_F, zolt::ui::kModCtrl);
    frame(2);
    EXPECT_EQ(window->getFocusedWidget(), tree().getFilterPanel());
    typeText("Wave");
    EXPECT_EQ(tree().getFilterText(), "Wave") << "the box's text was selected";
    typeFilter("");

    for (const char* path : {"Line1", "MainProgram", "Program:MainProgram.StepTimer"}) {
        toggleRow(path);
    }
    clickRow("DintValue");
    const std::uint64_t connection = server->requests().back().connectionId;
    server->clearRequests();
    ASSERT_TRUE(tree().canReload());
    const zolt::ui::ImGuiPanel& header = *tree().getFilterPanel();
    click(zolt::ui::Vec2{header.getWorldPosition().x + header.getActualSize().x - 40.0f, header.getWorldPosition().y + 14.0f});
    // The new list's first row may reuse the old one's memory: wait for the listing itself.
    const auto listed = [&] {
        const auto records = server->requests();
        return std::any_of(records.begin(), records.end(),
                           [](const quillon::sim::RequestRecord& r) { return r.service == simtest::kListSymbols; });
    };
    ASSERT_TRUE(pumpUntil(listed, "the tag list read again"));
    waitForTree();
    frame(2);
    EXPECT_TRUE(findRow("Line1")->isOpen());
    EXPECT_TRUE(findRow("Program:MainProgram.StepTimer")->isOpen()) << "a program's rows arrive later";
    EXPECT_FALSE(findRow("Line1.Motor")->isOpen());
    EXPECT_EQ(selectedKey(), "DintValue");
    EXPECT_EQ(watchedNames(), (Names{"Counter", "DintValue"}));
    for (const quillon::sim::RequestRecord& record : server->requests()) {
        EXPECT_EQ(record.connectionId, connection) << "no new connection";
    }
}

} // namespace
