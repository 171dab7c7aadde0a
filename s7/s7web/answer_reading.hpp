#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "libi18n/keyed_exception.hpp"
#include "libparser/parser_interface.hpp"
#include "libparser/query_or_default.hpp"

// The reads every parse operation makes of one answer element: each names its default, and texts and
// arrays are bounded, a longer one raising the method's error.
namespace korvel::probekit::s7::s7web {

using libparser::parser_interface;
using libparser::query_or_default;

// JSON-RPC error codes whose meaning depends on the method.
inline constexpr std::int64_t method_not_found = -32601;
inline constexpr std::int64_t invalid_params = -32602;

// The answer's "error.code"; 0 when it carries none.
std::int64_t error_code_of(const parser_interface& answer);

// What an answer's error says, for the parenthesis after the error's text: its request's id, its
// code and what the code means.
libi18n::because error_cause_of(const parser_interface& answer);

// For a method a firmware may lack: false when the device does not know it (-32601), true when it
// answered; any other error throws api_unexpected_error.
bool answers_optional_method(const parser_interface& answer);

// The text at `path`, empty when absent.
std::string text_or_empty(const parser_interface& answer, const std::string& path);

// The text at `path`, empty when absent; one longer than `max_length` bytes raises Error.
template <typename Error>
std::string bounded_text(const parser_interface& answer, const std::string& path, std::size_t max_length) {
    std::string text = text_or_empty(answer, path);
    if (text.size() > max_length) throw Error();
    return text;
}

// The elements of the array at `path`, none when absent; more than `max_count` raise Error.
template <typename Error>
std::vector<std::unique_ptr<parser_interface>> bounded_array(const parser_interface& answer,
                                                             const std::string& path, std::size_t max_count) {
    auto elements = query_or_default(answer, &parser_interface::get_array, path, {});
    if (elements.size() > max_count) throw Error();
    return elements;
}

// A hardware id, which the device keeps in 32 bits: a missing one raises empty_result, a wrong kind
// unexpected_type_error, a number out of range conversion_error.
std::int32_t hardware_id(const parser_interface& answer, const std::string& path);
// The same where a hardware id may be absent (or of another kind): then none.
std::optional<std::int32_t> optional_hardware_id(const parser_interface& answer, const std::string& path);

}  // namespace korvel::probekit::s7::s7web
