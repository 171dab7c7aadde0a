#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "liblog/log_interface.hpp"
#include "s7/records/diagnostics_data.hpp"

namespace korvel::probekit::s7 {

// The six kinds of restart, in the order totals are read, written and shown.
enum class restart_kind { automatic_cold, automatic_warm, automatic_hot, manual_cold, manual_warm, manual_hot };
inline constexpr std::size_t restart_kinds = 6;

using restart_totals = std::array<std::int64_t, restart_kinds>;

// Persistent key and label of each kind, in restart_kind order.
const char* total_key(restart_kind kind);

// All restarts of every kind.
std::int64_t total_restarts(const restart_totals& totals);

struct restart_count {
    restart_totals totals{};
    // Value of the restart_state lookup: the newest restart counted now, or no_restarts (1).
    std::int64_t state = 1;
    // The newest time stamp in the buffer, to remember as evaluated; none for an empty buffer.
    std::optional<std::string> newest;
};

// Adds the restart events newer than `previous` to the stored totals; each event is counted once,
// on the first scan that sees it. Entries are evaluated in time-stamp order.
restart_count count_restarts(std::vector<diagnostic_entry> entries, const std::optional<std::string>& previous,
                             const restart_totals& stored, liblog::log_interface& log);

const char* restart_state_name(std::int64_t state);

}  // namespace korvel::probekit::s7
