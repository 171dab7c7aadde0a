#include "s7/s7web/module_status.hpp"

#include <array>
#include <utility>

#include "s7/exceptions/exceptions.hpp"
#include "s7/s7web/answer_limits.hpp"
#include "s7/s7web/answer_reading.hpp"

namespace korvel::probekit::s7::s7web {
namespace {

using read_status_error = exceptions::modules_read_status_internal_error;

constexpr std::array<std::pair<std::string_view, module_state>, 9> state_names{{
    {"no_value", module_state::no_value},
    {"good", module_state::good},
    {"deactivated", module_state::deactivated},
    {"maintenance_required", module_state::maintenance_required},
    {"maintenance_demanded", module_state::maintenance_demanded},
    {"unknown", module_state::reported_unknown},
    {"error", module_state::error},
    {"not_reachable", module_state::not_reachable},
    {"io_not_available", module_state::io_not_available},
}};

}  // namespace

std::optional<module_state> to_module_state(std::string_view text) {
    for (const auto& [name, state] : state_names) {
        if (name == text) return state;
    }
    return std::nullopt;
}

module_status parse_modules_read_status(const parser_interface& answer) {
    // Even -32601: a device that browses modules but cannot read one's status has failed internally.
    if (error_code_of(answer) != 0) throw read_status_error(error_cause_of(answer));
    return {bounded_text<read_status_error>(answer, "result.status.own", limits::max_word_length),
            bounded_text<read_status_error>(answer, "result.status.subordinate", limits::max_word_length)};
}

}  // namespace korvel::probekit::s7::s7web
