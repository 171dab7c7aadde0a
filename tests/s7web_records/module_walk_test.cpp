// Hardware nodes from Modules.Browse answers where the simulator shows too little: parents and
// predicates of nested children, the bounds on nesting and size, and answers a walk cannot use.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "libparser/exceptions.hpp"
#include "s7/exceptions/exceptions.hpp"
#include "s7/s7web/module_collection.hpp"
#include "s7/s7web/module_node.hpp"
#include "tests/s7web_records/answer_texts.hpp"
#include "tests/support/expect_error.hpp"

namespace {

namespace s7web = korvel::probekit::s7::s7web;
namespace errors = korvel::probekit::s7::exceptions;
using s7web::module_node;
using s7web_records_test::answer_of;
using s7web_records_test::json;
namespace texts = s7web_records_test::texts;

json node(int hwid, const char* type, json children = nullptr,
          std::optional<bool> has_children = std::nullopt) {
    json element{{"hwid", hwid}, {"name", "node " + std::to_string(hwid)}, {"type", type}};
    if (!children.is_null()) element["children"] = std::move(children);
    if (has_children) element["has_children"] = *has_children;
    return element;
}

json browse_answer(const std::string& id, json nodes) {
    return {{"id", id}, {"jsonrpc", "2.0"}, {"result", {{"nodes", std::move(nodes)}}}};
}

std::vector<int> hwids_of(const std::vector<module_node>& nodes) {
    std::vector<int> hwids;
    for (const auto& n : nodes) hwids.push_back(n.hwid);
    return hwids;
}

TEST(module_nodes, nested_children_come_level_by_level_with_their_parents) {
    const json answer =
        browse_answer("Modules.Browse.7",
                      {node(1, "device", {node(11, "module", {node(111, "submodule")}), node(12, "module")}),
                       node(2, "device", json::array(), true)});
    const auto nodes = s7web::parse_modules_browse(*answer_of(answer), 7);
    EXPECT_EQ(hwids_of(nodes), (std::vector<int>{1, 2, 11, 12, 111}));
    EXPECT_EQ(nodes[1].parent_hwid, std::nullopt);
    EXPECT_EQ(nodes[4].parent_hwid, 11);
    EXPECT_EQ(nodes[4].browsed_hwid, 7);
    EXPECT_TRUE(nodes[0].children_included);
    EXPECT_FALSE(nodes[1].children_included) << "an empty children array includes nothing";
    EXPECT_TRUE(nodes[1].is_expandable());
}

TEST(module_nodes, nesting_and_node_count_are_bounded) {
    json deep = node(100, "submodule");
    for (int level = 99; level > 83; --level) deep = node(level, "device", json::array({deep}));
    EXPECT_EQ(s7web::parse_modules_browse(*answer_of(browse_answer("x", {deep})), std::nullopt).size(), 17u)
        << "sixteen levels of children are accepted";
    deep = node(83, "device", json::array({deep}));
    test_support::expect_error<errors::modules_browse_internal_error>(
        [&] { s7web::parse_modules_browse(*answer_of(browse_answer("x", {deep})), std::nullopt); },
        texts::modules_internal);

    json children = json::array();
    for (int hwid = 0; hwid < 5000; ++hwid) children.push_back(node(hwid, "module"));
    const json wide = browse_answer("x", {node(-1, "device", children), node(-2, "device", children),
                                          node(-3, "device", {node(-4, "module")})});
    test_support::expect_error<errors::modules_browse_internal_error>(
        [&] { s7web::parse_modules_browse(*answer_of(wide), std::nullopt); }, texts::modules_internal);
}

// A node that cannot be read is left out with the branch below it, and counted with its reason.
TEST(module_nodes, a_node_without_a_hwid_is_left_out_with_its_branch) {
    s7web::unreadable_nodes unreadable;
    const auto nodes = s7web::parse_modules_browse(
        *answer_of(browse_answer(
            "x",
            {{{"name", "anonymous"}, {"children", json::array({node(8, "module")})}}, node(9, "module")})),
        std::nullopt, &unreadable);
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0].hwid, 9);
    EXPECT_EQ(unreadable.count, 1u);
    EXPECT_EQ(unreadable.first_reason, "The queried field \"hwid\" is empty.");
}

TEST(module_collection, each_hwid_is_collected_once_and_expandable_ones_are_queued) {
    s7web::s7web_client::answers first;
    first.push_back(answer_of({{"id", "Alarms.Browse"}, {"result", {{"entries", json::array()}}}}));
    first.push_back(answer_of(browse_answer("Modules.Browse", {node(99, "device", nullptr, true)})));
    first.push_back(answer_of(browse_answer(
        "Modules.Browse.root", {node(1, "device", nullptr, true), node(2, "device", {node(21, "module")}),
                                node(3, "module", nullptr, true)})));
    s7web::module_collection collection;
    s7web::collect_modules_browse(collection, first);
    EXPECT_EQ(hwids_of(collection.nodes), (std::vector<int>{1, 2, 3, 21}))
        << "\"Modules.Browse\" is not a browse of ours";
    EXPECT_EQ(collection.pending_hwids, (std::vector<std::int32_t>{1}));
    EXPECT_EQ(collection.nodes[0].browsed_hwid, std::nullopt);

    collection.pending_hwids.clear();
    s7web::s7web_client::answers second;
    second.push_back(answer_of(
        browse_answer("Modules.Browse.1", {node(11, "device", nullptr, true), node(21, "device")})));
    s7web::collect_modules_browse(collection, second);
    EXPECT_EQ(hwids_of(collection.nodes), (std::vector<int>{1, 2, 3, 21, 11}));
    EXPECT_EQ(collection.nodes[3].type, "module") << "kept from the first answer";
    EXPECT_EQ(collection.nodes[4].browsed_hwid, 1);
    EXPECT_EQ(collection.pending_hwids, (std::vector<std::int32_t>{11}));
}

TEST(module_collection, a_browse_answer_that_names_no_hwid_raises_the_internal_error) {
    for (const char* id : {"Modules.Browse.4x", "Modules.Browse.99999999999"}) {
        SCOPED_TRACE(id);
        s7web::s7web_client::answers answers;
        answers.push_back(answer_of(browse_answer(id, json::array())));
        s7web::module_collection collection;
        test_support::expect_error<errors::modules_browse_internal_error>(
            [&] { s7web::collect_modules_browse(collection, answers); }, texts::modules_internal);
    }
}

TEST(module_collection, all_batches_together_collect_at_most_10000_nodes) {
    const auto six_thousand_from = [](int first) {
        json nodes = json::array();
        for (int hwid = first; hwid < first + 6000; ++hwid) nodes.push_back(node(hwid, "module"));
        s7web::s7web_client::answers answers;
        answers.push_back(answer_of(browse_answer("Modules.Browse.root", nodes)));
        return answers;
    };
    s7web::module_collection collection;
    s7web::collect_modules_browse(collection, six_thousand_from(0));
    test_support::expect_error<errors::modules_browse_internal_error>(
        [&] { s7web::collect_modules_browse(collection, six_thousand_from(6000)); }, texts::modules_internal);
    EXPECT_EQ(collection.nodes.size(), 10000u);
    EXPECT_EQ(collection.seen_hwids.size(), 10000u);
}

}  // namespace
