#include "s7/s7web/plc_mode.hpp"

#include "s7/exceptions/exceptions.hpp"
#include "s7/s7web/answer_limits.hpp"
#include "s7/s7web/answer_reading.hpp"

namespace korvel::probekit::s7::s7web {
namespace {

// Both reads share one error table and differ only in their errors and the path of the text.
template <typename InvalidParams, typename InternalError>
std::string mode_text(const parser_interface& answer, const std::string& path) {
    switch (error_code_of(answer)) {
        case 0:
            return bounded_text<InternalError>(answer, path, limits::max_word_length);
        case invalid_params:
            throw InvalidParams(error_cause_of(answer));
        default:
            throw InternalError(error_cause_of(answer));
    }
}

}  // namespace

std::string parse_operating_mode(const parser_interface& answer) {
    return mode_text<exceptions::read_operating_mode_invalid_params,
                     exceptions::read_operating_mode_internal_error>(answer, "result");
}

std::string parse_mode_selector_state(const parser_interface& answer) {
    return mode_text<exceptions::read_mode_selector_state_invalid_params,
                     exceptions::read_mode_selector_state_internal_error>(answer, "result.mode_selector");
}

}  // namespace korvel::probekit::s7::s7web
