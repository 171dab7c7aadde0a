#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "libparser/parser_interface.hpp"

namespace korvel::probekit::s7::s7web {

// Where an alarm comes from: the user program or the system's own diagnostics.
enum class alarm_category { program_alarm = 0, system_diagnostics = 1, other = 2 };

// One active alarm of an Alarms.Browse answer. Absent members take the defaults below.
struct alarm_entry {
    std::int64_t alarm_number = 0;
    // From "producer", or "origin" where a firmware writes that instead.
    alarm_category category = alarm_category::other;
    // The hardware module the alarm belongs to; none for alarms of no module.
    std::optional<std::int32_t> hwid;
    // "status" is "incoming" (not "outgoing").
    bool incoming = false;
    // "acknowledgement.state" is "not_acknowledged"; alarms that need no acknowledgement carry none.
    bool not_acknowledged = false;
    // As the device writes it (up to nine fraction digits); texts of one device order as their times.
    std::string timestamp;
    std::string alarm_text;

    bool operator==(const alarm_entry&) const = default;
};

struct alarms_browse_result {
    std::vector<alarm_entry> entries;  // in the order of the answer
    std::int64_t count_current = 0;    // active alarms the device counts, which may exceed the entries sent
    // Entries that could not be read, left out of `entries`, and why the first of them could not.
    std::size_t unreadable_entries = 0;
    std::string first_unreadable_reason;

    bool operator==(const alarms_browse_result&) const = default;
};

// The Alarms.Browse answer. Error -32601 throws alarms_browse_not_supported (the firmware has no
// alarms), any other error alarms_browse_internal_error, as do more entries than s7web::limits
// allows. An entry that cannot be read (a text or time stamp longer than s7web::limits allows, a text
// where a number belongs, a hardware id beyond 32 bits) is left out and counted, so one bad alarm
// costs only itself. A member of another kind reads as absent.
alarms_browse_result parse_alarms_browse(const libparser::parser_interface& answer);

}  // namespace korvel::probekit::s7::s7web
