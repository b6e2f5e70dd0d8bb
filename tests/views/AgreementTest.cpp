// The program and quillon-cli against the same sample controller, through the one tag
// model: the same rows (names, paths, type texts, order, programs with their tags) and
// the same value texts for every tag the inspector can watch.
#include "ViewsSupport.hpp"

#include "Address.hpp"
#include "Controller.hpp"
#include "TagInspector.hpp"
#include "TagList.hpp"
#include "TagWalk.hpp"
#include "TagReader.hpp"
#include "Views/TreeView.hpp"

#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace viewtest;

struct Line {
    int depth;
    std::string name;
    std::string path;
    std::string typeName;
    bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Line& line) {
    return out << line.depth << " " << line.name << " " << line.path << " " << line.typeName;
}

// Every row of the tree, built as opening them all would; `watchable` collects the tag
// rows the inspector takes, except those inside a STRING (read as one text).
void treeLines(TreeItem& row, int depth, std::vector<Line>& lines, std::vector<TagItem*>& watchable) {
    if (auto* tag = dynamic_cast<TagItem*>(&row)) {
        tag->loadChildren();
        lines.push_back({depth, tag->getName(), tag->getPath(), std::string(tag->getTypeName())});
        const bool isString = zoltc_logix_tag_is_string(tag->getInfo());
        if (zoltc_logix_type_is_atomic(tag->getInfo()->type) || isString) {
            watchable.push_back(tag);
        }
        if (isString) {
            std::vector<TagItem*> inside;
            for (std::size_t i = 0; i < row.getChildCount(); ++i) {
                treeLines(*row.getChild(i), depth + 1, lines, inside);
            }
            return;
        }
    } else {
        const std::string name(row.getLabel());
        lines.push_back({depth, name, "Program:" + name, "PROGRAM"});
    }
    for (std::size_t i = 0; i < row.getChildCount(); ++i) {
        treeLines(*row.getChild(i), depth + 1, lines, watchable);
    }
}

class Agreement : public ViewsTest {};

TEST_F(Agreement, TheCliAndTheProgramShowTheSameRowsAndValues) {
    quillon::sim::Options still; // values that change over time stand still
    still.liveClockMs = 0;
    restartSample(still);
    connectSample();
    std::vector<Line> program;
    std::vector<TagItem*> watchable;
    for (const auto& item : tree().getItems()) {
        treeLines(*item, 0, program, watchable);
    }

    std::ostringstream err;
    const auto controller = cli::Controller::connect(cli::parseAddress("127.0.0.1:" + std::to_string(port)), 10000, err);
    ASSERT_TRUE(controller) << err.str();
    std::vector<TagList> lists(1);
    ASSERT_EQ(lists[0].browse(controller->client(), ""), ZOLTC_LOGIX_OK);
    cli::TagScopes scopes;
    scopes.controller = lists[0].records();
    for (const zoltc_logix_tag_info& record : scopes.controller) {
        if (zoltc_logix_type_is_program(record.type)) {
            TagList& list = lists.emplace_back();
            ASSERT_EQ(list.browse(controller->client(), record.name), ZOLTC_LOGIX_OK);
            scopes.programs[record.name] = list.records();
        }
    }
    std::vector<Line> command;
    cli::walkTagRows(
        scopes, "",
        [&](const cli::TagRow& row) {
            command.push_back({row.depth, std::string(row.name), std::string(row.path), std::string(cli::rowTypeName(row))});
        },
        nullptr);
    ASSERT_GT(program.size(), 100u);
    EXPECT_EQ(program, command);

    // Values: the inspector's read and the CLI's.
    TagInspector& inspector = TagInspector::instance();
    std::vector<std::string> paths;
    for (TagItem* tag : watchable) {
        inspector.addTag(*tag->getInfo(), tag->getPath(), tag->isBoolBit());
        paths.push_back(tag->getPath());
    }
    ASSERT_EQ(inspector.entries().size(), paths.size());
    ASSERT_TRUE(pumpUntil([&] { return inspector.isReading(); }, "a read to start"));
    ASSERT_TRUE(pumpUntil([&] { return !inspector.isReading(); }, "the read to end"));
    cli::TagReader reader(err);
    const auto values = reader.read(controller->client(), paths);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(values[i].result, ZOLTC_LOGIX_OK) << paths[i];
        EXPECT_EQ(inspector.entries()[i].typeName, values[i].typeName) << paths[i];
        EXPECT_EQ(inspector.entries()[i].value, values[i].value) << paths[i];
    }
}

} // namespace
