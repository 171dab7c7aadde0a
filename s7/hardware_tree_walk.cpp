#include "s7/hardware_tree_walk.hpp"

#include <utility>

namespace korvel::probekit::s7 {

void expand_hardware_tree(s7web::module_collection& collection, const batch_sender& send) {
    for (int pass = 0; pass < max_further_browse_passes && !collection.pending_hwids.empty(); ++pass) {
        s7web::request_batch batch;
        for (const std::int32_t hwid : std::exchange(collection.pending_hwids, {}))
            batch.add_modules_browse(hwid);
        s7web::collect_modules_browse(collection, send(std::move(batch)));
    }
}

}  // namespace korvel::probekit::s7
