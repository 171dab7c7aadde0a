#include "s7/records/cpu_status.hpp"

#include <string>

#include "libi18n/error_keys.hpp"
#include "module/utils/exceptions.hpp"

namespace korvel::probekit::libs7 {

namespace {

constexpr std::size_t mode_offset = 3;
constexpr std::uint8_t highest_mode = 15;
constexpr const char* cpu_status_lookup_values =
    "unknown (0), stop_update (1), stop_reset_mem (2), stop_self_init (3), stop_internal (4), startup_cold "
    "(5), "
    "startup_warm (6), startup_hot (7), run_solo (8), run_redundant (9), hold (10), linkup (11), update "
    "(12), "
    "defective (13), selftest (14), nopower (15)";

}  // namespace

s7::ob1::cpu_status szl_record_traits<s7::ob1::cpu_status>::decode(std::span<const std::uint8_t> record) {
    const std::uint8_t mode = record[mode_offset];
    if (mode > highest_mode) {
        throw libvexahelper::utils::exceptions::invalid_lookup_value(
            libi18n::make_msg(libi18n::error_keys::libvexahelper::invalid_lookup_value, std::to_string(mode),
                              cpu_status_lookup_values));
    }
    return {mode};
}

}  // namespace korvel::probekit::libs7
