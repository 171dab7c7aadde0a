#include "s7/s7web/answer_reading.hpp"

#include <limits>

#include "libjsonparser/exceptions.hpp"
#include "s7/exceptions/exceptions.hpp"
#include "s7/s7web/web_api_error_cause.hpp"

namespace korvel::probekit::s7::s7web {
namespace {

std::int32_t narrowed_hardware_id(std::int64_t value) {
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        throw libjsonparser::exceptions::conversion_error(std::to_string(value), "int32");
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::int64_t error_code_of(const parser_interface& answer) {
    return query_or_default(answer, &parser_interface::get_int64, "error.code", 0);
}

libi18n::because error_cause_of(const parser_interface& answer) {
    return {web_api_error_cause(text_or_empty(answer, "id"), error_code_of(answer))};
}

bool answers_optional_method(const parser_interface& answer) {
    switch (error_code_of(answer)) {
        case 0:
            return true;
        case method_not_found:
            return false;
        default:
            throw exceptions::api_unexpected_error(error_cause_of(answer));
    }
}

std::string text_or_empty(const parser_interface& answer, const std::string& path) {
    return query_or_default(answer, &parser_interface::get_string, path, "");
}

std::int32_t hardware_id(const parser_interface& answer, const std::string& path) {
    return narrowed_hardware_id(answer.get_int64(path));
}

std::optional<std::int32_t> optional_hardware_id(const parser_interface& answer, const std::string& path) {
    try {
        return narrowed_hardware_id(answer.get_int64(path));
    } catch (const libparser::exceptions::empty_result&) {
        return std::nullopt;
    } catch (const libparser::exceptions::unexpected_type_error&) {
        return std::nullopt;
    }
}

}  // namespace korvel::probekit::s7::s7web
