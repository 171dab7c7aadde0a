#include "s7/hardware_tree_walk.hpp"

#include <utility>

#include "liblog/log_levels.hpp"
#include "liblog/log_line.hpp"
#include "libresthelper/quoted_text.hpp"

namespace korvel::probekit::s7 {

void expand_hardware_tree(s7web::module_collection& collection, const batch_sender& send) {
    for (int pass = 0; pass < max_further_browse_passes && !collection.pending_hwids.empty(); ++pass) {
        s7web::request_batch batch;
        for (const std::int32_t hwid : std::exchange(collection.pending_hwids, {}))
            batch.add_modules_browse(hwid);
        s7web::collect_modules_browse(collection, send(std::move(batch)));
    }
}

void log_unreadable(std::size_t count, const std::string& first_reason, const char* what,
                    liblog::log_interface& log) {
    // The reason may quote the device's text: a short excerpt is enough to find the entry.
    constexpr std::size_t quoted_reason = 200;
    if (count == 0) return;
    liblog::write_line(
        log, liblog::level::warning, "Left out ", count, " ", what,
        " that could not be read; the first: ", libresthelper::quoted_text(first_reason, quoted_reason));
}

void log_left_out_nodes(const s7web::module_collection& collection, liblog::log_interface& log) {
    log_unreadable(collection.unreadable.count, collection.unreadable.first_reason,
                   "hardware node(s), with the nodes below them,", log);
    if (collection.duplicate_nodes > 0) {
        liblog::write_line(log, liblog::level::warning, "Left out ", collection.duplicate_nodes,
                           " hardware node(s) whose hardware id an earlier node has; the first one counts");
    }
}

}  // namespace korvel::probekit::s7
