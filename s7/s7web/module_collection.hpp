#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "s7/s7web/module_node.hpp"
#include "s7/s7web/s7web_client.hpp"

namespace korvel::probekit::s7::s7web {

// The hardware tree as a walk has found it so far, over as many batches as the walk sends.
struct module_collection {
    std::vector<module_node> nodes;               // in discovery order, one per hardware id
    std::unordered_set<std::int32_t> seen_hwids;  // of every node in `nodes`
    // Expandable nodes whose children the next batch should browse (add_modules_browse), in
    // discovery order; the caller clears it when it sends that batch.
    std::vector<std::int32_t> pending_hwids;
    // Nodes left out: unreadable ones (with their branches), and those whose hardware id an earlier
    // node has.
    unreadable_nodes unreadable;
    std::size_t duplicate_nodes = 0;
};

// Adds the nodes of every answer whose id starts with "Modules.Browse." (answers in order, nodes in
// parse order), each hardware id once: a node seen before, also in an earlier batch, is dropped and
// counted.
// The id's rest names the browsed node ("root" or its hardware id). Throws what parse_modules_browse
// throws, and modules_browse_internal_error for an id naming no hardware id or for more nodes than
// s7web::limits allows.
void collect_modules_browse(module_collection& collection, const s7web_client::answers& answers);

}  // namespace korvel::probekit::s7::s7web
