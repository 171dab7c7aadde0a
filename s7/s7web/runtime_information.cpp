#include "s7/s7web/runtime_information.hpp"

#include "s7/s7web/answer_reading.hpp"
#include "s7/s7web/iso8601_duration.hpp"

namespace korvel::probekit::s7::s7web {
namespace {

std::int64_t cycle_time_ms(const parser_interface& answer, const std::string& which) {
    return parse_iso8601_duration(text_or_empty(answer, "result.cycle_time.actual." + which));
}

double load_percent(const parser_interface& answer, const std::string& path) {
    return query_or_default(answer, &parser_interface::get_double, "result.load." + path, 0);
}

}  // namespace

std::optional<runtime_information> parse_runtime_information(const parser_interface& answer) {
    if (!answers_optional_method(answer)) return std::nullopt;
    runtime_information information;
    information.current_cycle_time_ms = cycle_time_ms(answer, "current");
    information.shortest_cycle_time_ms = cycle_time_ms(answer, "shortest");
    information.longest_cycle_time_ms = cycle_time_ms(answer, "longest");
    information.program_load_cyclic_percent =
        load_percent(answer, "actual.program_load_cyclic_program_obs_percentage");
    information.program_load_high_priority_percent =
        load_percent(answer, "actual.program_load_high_priority_obs_percentage");
    information.current_communication_load_percent =
        load_percent(answer, "actual.current_communication_load_percentage");
    information.max_communication_load_percent =
        load_percent(answer, "configured.max_communication_load_percentage");
    return information;
}

}  // namespace korvel::probekit::s7::s7web
