#include "s7/s7web/module_collection.hpp"

#include <charconv>
#include <optional>
#include <string_view>

#include "s7/exceptions/exceptions.hpp"
#include "s7/s7web/answer_limits.hpp"
#include "s7/s7web/answer_reading.hpp"

namespace korvel::probekit::s7::s7web {
namespace {

constexpr std::string_view browse_id_prefix = "Modules.Browse.";

// The hardware id a browse request named in its id ("Modules.Browse.49"), none for the root.
std::optional<std::int32_t> browsed_hwid_of(std::string_view browsed) {
    if (browsed == "root") return std::nullopt;
    std::int32_t hwid = 0;
    const auto [end, error] = std::from_chars(browsed.data(), browsed.data() + browsed.size(), hwid);
    if (error != std::errc() || end != browsed.data() + browsed.size())
        throw exceptions::modules_browse_internal_error();
    return hwid;
}

}  // namespace

void collect_modules_browse(module_collection& collection, const s7web_client::answers& answers) {
    for (const auto& answer : answers) {
        const std::string id = text_or_empty(*answer, "id");
        if (!std::string_view(id).starts_with(browse_id_prefix)) continue;
        const auto browsed = browsed_hwid_of(std::string_view(id).substr(browse_id_prefix.size()));
        for (module_node& node : parse_modules_browse(*answer, browsed, &collection.unreadable)) {
            if (collection.seen_hwids.contains(node.hwid)) {
                ++collection.duplicate_nodes;
                continue;
            }
            if (collection.nodes.size() == limits::max_collected_nodes)
                throw exceptions::modules_browse_internal_error();
            collection.seen_hwids.insert(node.hwid);
            if (node.is_expandable()) collection.pending_hwids.push_back(node.hwid);
            collection.nodes.push_back(std::move(node));
        }
    }
}

}  // namespace korvel::probekit::s7::s7web
