#pragma once

#include <string>
#include <vector>

#include "libs7/exceptions.hpp"
#include "s7/records/diagnostics_data.hpp"
#include "s7/s7_300_400_sensor.hpp"

namespace korvel::probekit::s7 {

// An S7-300/400 sensor that reads the diagnostic buffer: the whole buffer, or only its 500 most
// recent entries once the whole one proved too large for the CPU to send. That choice is remembered
// across restarts in persistent data.
template <typename Settings>
class diagnostics_sensor : public s7_300_400_sensor<Settings> {
protected:
    static constexpr const char* too_many_events_key = "does_plc_have_too_many_events";

    template <typename... Arguments>
    explicit diagnostics_sensor(Arguments&&... arguments)
        : s7_300_400_sensor<Settings>(std::forward<Arguments>(arguments)...),
          too_many_events_(this->get_persistent(too_many_events_key) == "true") {}

    std::vector<diagnostic_entry> read_diagnostic_buffer() {
        if (!too_many_events_) {
            try {
                return entries(this->template read<std::vector<all_diagnostics_data>>());
            } catch (const libs7::exceptions::szl_too_large&) {
                too_many_events_ = true;
                this->set_persistent(too_many_events_key, "true");
            }
        }
        return entries(this->template read<std::vector<recent_diagnostics_data>>());
    }

private:
    // The entries leave their list records by move: a time stamp text is not copied.
    template <typename Record>
    static std::vector<diagnostic_entry> entries(std::vector<Record>&& records) {
        std::vector<diagnostic_entry> moved;
        moved.reserve(records.size());
        for (Record& record : records) moved.push_back(std::move(static_cast<diagnostic_entry&>(record)));
        return moved;
    }

    bool too_many_events_;
};

}  // namespace korvel::probekit::s7
