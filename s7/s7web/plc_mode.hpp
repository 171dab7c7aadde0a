#pragma once

#include <string>

#include "libparser/parser_interface.hpp"

// The two mode reads of a CPU. For a redundant system each is asked once per CPU (redundancy id 1 or
// 2); a CPU that is not redundant rejects the redundancy id with -32602, which the *_invalid_params
// errors report.
namespace korvel::probekit::s7::s7web {

// The operating mode text of a Plc.ReadOperatingMode answer ("run", "stop", "run_redundant", ...);
// empty when absent. Error -32602 throws read_operating_mode_invalid_params, any other error (or a
// text longer than s7web::limits allows) read_operating_mode_internal_error.
std::string parse_operating_mode(const libparser::parser_interface& answer);

// The mode selector text of a Plc.ReadModeSelectorState answer ("run", "stop", "no_switch", ...);
// empty when absent. Error -32602 throws read_mode_selector_state_invalid_params, any other error
// (or a text longer than s7web::limits allows) read_mode_selector_state_internal_error.
std::string parse_mode_selector_state(const libparser::parser_interface& answer);

}  // namespace korvel::probekit::s7::s7web
