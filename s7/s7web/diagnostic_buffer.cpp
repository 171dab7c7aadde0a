#include "s7/s7web/diagnostic_buffer.hpp"

#include "s7/exceptions/exceptions.hpp"
#include "s7/s7web/answer_limits.hpp"
#include "s7/s7web/answer_reading.hpp"

namespace korvel::probekit::s7::s7web {
namespace {

using unexpected_error = exceptions::api_unexpected_error;

diagnostic_buffer_entry diagnostic_entry_of(const parser_interface& element) {
    // The time stamp is kept across scans in persistent data: it must stay short.
    return {bounded_text<unexpected_error>(element, "timestamp", limits::max_word_length),
            query_or_default(element, &parser_interface::get_int64, "event.textlist_id", 0),
            query_or_default(element, &parser_interface::get_int64, "event.text_id", 0)};
}

}  // namespace

std::optional<std::vector<diagnostic_buffer_entry>> parse_diagnostic_buffer(const parser_interface& answer) {
    if (!answers_optional_method(answer)) return std::nullopt;
    std::vector<diagnostic_buffer_entry> entries;
    const auto elements = bounded_array<unexpected_error>(answer, "result.entries", limits::max_entries);
    entries.reserve(elements.size());
    for (const auto& element : elements) entries.push_back(diagnostic_entry_of(*element));
    return entries;
}

}  // namespace korvel::probekit::s7::s7web
