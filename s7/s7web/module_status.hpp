#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "libparser/parser_interface.hpp"

namespace korvel::probekit::s7::s7web {

// The diagnostic state of a hardware module, in the values the hardware status lookup shows.
enum class module_state {
    no_value = 0,
    good = 1,
    deactivated = 2,
    maintenance_required = 3,
    maintenance_demanded = 4,
    reported_unknown = 5,  // the device's "unknown": it knows it cannot tell
    error = 6,
    not_reachable = 7,
    io_not_available = 8,
};

// The state a status text of the device names; none for any other text, the empty one included.
std::optional<module_state> to_module_state(std::string_view text);

// The statuses of one module as the device reports them: the module's own, and the worst of what
// lies below it. Empty when absent.
struct module_status {
    std::string own;
    std::string subordinate;

    bool operator==(const module_status&) const = default;
};

// The Modules.ReadStatus answer. Every error code, -32601 and -32602 included, throws
// modules_read_status_internal_error, as does a status longer than s7web::limits allows.
module_status parse_modules_read_status(const libparser::parser_interface& answer);

}  // namespace korvel::probekit::s7::s7web
