// The hardware tree walk: one batch per level of nodes still to browse, seven of them at most after
// the root's, with what is left pending below that depth.

#include "s7/hardware_tree_walk.hpp"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "libjsonparser/jsonpointer_parser.hpp"

namespace {

namespace s7 = korvel::probekit::s7;
namespace s7web = korvel::probekit::s7::s7web;
using nlohmann::json;

// A device chain: each browse lists one device, announcing the next level without sending it, down
// to `depth`, and beside it a module (whose children are submodules, never browsed).
class device_chain {
public:
    explicit device_chain(int depth) : depth_(depth) {}

    s7web::s7web_client::answers answer(const s7web::request_batch& batch) {
        std::vector<std::string> ids;
        s7web::s7web_client::answers answers;
        for (const std::string& text : batch.requests()) {
            const json request = json::parse(text);
            const int browsed = request.at("params").at("hwid");
            ids.push_back(request.at("id"));
            answers.push_back(browse_answer(request.at("id"), browsed + 1));
        }
        batches.push_back(ids);
        return answers;
    }

    s7web::s7web_client::answers root() {
        s7web::s7web_client::answers answers;
        answers.push_back(browse_answer("Modules.Browse.root", 1));
        return answers;
    }

    std::vector<std::vector<std::string>> batches;

private:
    std::unique_ptr<korvel::probekit::libparser::parser_interface> browse_answer(const std::string& id,
                                                                                 int level) {
        json nodes = json::array();
        if (level <= depth_) {
            nodes.push_back({{"hwid", level},
                             {"name", "device " + std::to_string(level)},
                             {"type", "device"},
                             {"has_children", level < depth_}});
            nodes.push_back(
                {{"hwid", 1000 + level}, {"name", "module"}, {"type", "module"}, {"has_children", true}});
        }
        const json answer{{"id", id}, {"jsonrpc", "2.0"}, {"result", {{"nodes", nodes}}}};
        return std::make_unique<korvel::probekit::libjsonparser::jsonpointer_parser>(answer.dump());
    }

    int depth_;
};

TEST(hardware_tree_walk, browses_level_by_level_and_stops_after_seven_further_passes) {
    struct row {
        int depth;
        std::size_t batches;
        std::size_t nodes;
        std::vector<std::int32_t> pending;
    };
    const row rows[] = {
        {1, 0, 2, {}},    // the root's answer holds everything
        {3, 2, 6, {}},    // devices 2 and 3 need a browse each
        {8, 7, 16, {}},   // exactly as deep as the walk goes
        {9, 7, 16, {8}},  // device 9 stays below the monitored depth
    };
    for (const row& r : rows) {
        SCOPED_TRACE("depth " + std::to_string(r.depth));
        device_chain device(r.depth);
        s7web::module_collection collection;
        s7web::collect_modules_browse(collection, device.root());
        s7::expand_hardware_tree(collection,
                                 [&](s7web::request_batch batch) { return device.answer(batch); });
        EXPECT_EQ(device.batches.size(), r.batches);
        EXPECT_EQ(collection.nodes.size(), r.nodes);
        EXPECT_EQ(collection.pending_hwids, r.pending);
        if (!device.batches.empty()) {
            EXPECT_EQ(device.batches[0], std::vector<std::string>{"Modules.Browse.1"});
        }
    }
}

TEST(hardware_tree_walk, one_batch_holds_every_pending_node_of_a_level_in_queue_order) {
    s7web::module_collection collection;
    collection.pending_hwids = {7, 3, 5};
    std::vector<std::string> sent;
    s7::expand_hardware_tree(collection, [&](s7web::request_batch batch) {
        for (const std::string& text : batch.requests()) sent.push_back(json::parse(text).at("id"));
        return s7web::s7web_client::answers{};
    });
    EXPECT_EQ(sent, (std::vector<std::string>{"Modules.Browse.7", "Modules.Browse.3", "Modules.Browse.5"}));
    EXPECT_TRUE(collection.pending_hwids.empty());
}

}  // namespace
