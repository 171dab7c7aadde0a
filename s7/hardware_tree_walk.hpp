#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "liblog/log_interface.hpp"
#include "s7/s7web/module_collection.hpp"
#include "s7/s7web/request_batch.hpp"
#include "s7/s7web/s7web_client.hpp"

namespace korvel::probekit::s7 {

// Browse passes after the one that lists the root: a plant's hardware is a few levels deep, and a
// bound keeps a device that keeps announcing children from holding a scan.
inline constexpr int max_further_browse_passes = 7;

using batch_sender = std::function<s7web::s7web_client::answers(s7web::request_batch)>;

// Browses the children of every node still pending in `collection`, one batch per level, until none
// is pending or the passes are used up; whatever is pending then lies below the monitored depth. The
// collection keeps what was found when a browse throws.
void expand_hardware_tree(s7web::module_collection& collection, const batch_sender& send);

// Says at warning level which nodes the walk left out: those that could not be read, and those whose
// hardware id an earlier node has.
void log_left_out_nodes(const s7web::module_collection& collection, liblog::log_interface& log);

// The line for entries of an answer left out because they could not be read (`what`: "alarm(s)").
void log_unreadable(std::size_t count, const std::string& first_reason, const char* what,
                    liblog::log_interface& log);

}  // namespace korvel::probekit::s7
