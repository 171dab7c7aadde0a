#include "s7/s7web/alarms_browse.hpp"

#include "libi18n/i18n_exception.hpp"
#include "s7/exceptions/exceptions.hpp"
#include "s7/s7web/answer_limits.hpp"
#include "s7/s7web/answer_reading.hpp"

namespace korvel::probekit::s7::s7web {
namespace {

using alarms_error = exceptions::alarms_browse_internal_error;

void check_alarms_error(const parser_interface& answer) {
    switch (error_code_of(answer)) {
        case 0:
            return;
        case method_not_found:
            throw exceptions::alarms_browse_not_supported(error_cause_of(answer));
        default:
            throw alarms_error(error_cause_of(answer));
    }
}

alarm_category category_named(const std::string& name) {
    if (name == "program_alarm") return alarm_category::program_alarm;
    if (name == "system_diagnostics") return alarm_category::system_diagnostics;
    return alarm_category::other;
}

alarm_entry alarm_entry_of(const parser_interface& element) {
    alarm_entry entry;
    entry.alarm_number = query_or_default(element, &parser_interface::get_int64, "alarm_number", 0);
    std::string producer = text_or_empty(element, "producer");
    entry.category = category_named(producer.empty() ? text_or_empty(element, "origin") : producer);
    entry.hwid = optional_hardware_id(element, "hwid");
    entry.incoming = text_or_empty(element, "status") == "incoming";
    entry.not_acknowledged = text_or_empty(element, "acknowledgement.state") == "not_acknowledged";
    entry.timestamp = bounded_text<alarms_error>(element, "timestamp", limits::max_word_length);
    entry.alarm_text = bounded_text<alarms_error>(element, "alarm_text", limits::max_text_length);
    return entry;
}

}  // namespace

alarms_browse_result parse_alarms_browse(const parser_interface& answer) {
    check_alarms_error(answer);
    alarms_browse_result result;
    const auto elements = bounded_array<alarms_error>(answer, "result.entries", limits::max_entries);
    result.entries.reserve(elements.size());
    for (const auto& element : elements) {
        try {
            result.entries.push_back(alarm_entry_of(*element));
        } catch (const libi18n::i18n_exception& error) {  // a read that failed, not a lack of memory
            if (result.unreadable_entries++ == 0) result.first_unreadable_reason = error.what();
        }
    }
    result.count_current = query_or_default(answer, &parser_interface::get_int64, "result.count_current", 0);
    return result;
}

}  // namespace korvel::probekit::s7::s7web
