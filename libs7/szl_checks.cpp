#include "libs7/szl_checks.hpp"

#include <string>

#include "liblog/log_levels.hpp"
#include "liblog/log_line.hpp"
#include "libs7/exceptions.hpp"

namespace korvel::probekit::libs7 {

namespace {

// Some controllers send 0xFFFF instead of the real number of records.
constexpr std::uint32_t unknown_record_count = 0xFFFF;

std::string hex_pairs(std::span<const std::uint8_t> bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text(bytes.size() * 2, '0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text[2 * i] = digits[bytes[i] >> 4];
        text[2 * i + 1] = digits[bytes[i] & 0x0F];
    }
    return text;
}

// A whole list as hex: only for a log that takes it, the dump costs more than the read.
void log_raw_data(const szl_address& address, std::span<const std::uint8_t> records,
                  std::uint32_t record_length, std::uint32_t record_count, liblog::log_interface& log) {
    liblog::write_line(log, liblog::level::trace, "SZL data (", to_text(address), ") [", record_length,
                       " bytes per record, ", record_count, " records]:\n  ", hex_pairs(records));
}

std::uint32_t count_matching_size(std::span<const std::uint8_t> records, std::uint32_t record_length,
                                  std::uint32_t record_count, liblog::log_interface& log) {
    const std::uint64_t expected_bytes = std::uint64_t{record_length} * record_count;
    if (records.size() == expected_bytes) return record_count;
    // A zero record length cannot be corrected by division; it stays a size mismatch.
    if (record_count == unknown_record_count && record_length != 0 && records.size() % record_length == 0) {
        const auto corrected = static_cast<std::uint32_t>(records.size() / record_length);
        log.log(liblog::level::warning,
                "N_DR (number of data records) sent by PLC is 0xFFFF, will instead use " +
                    std::to_string(corrected) + " (based on actual data size)");
        return corrected;
    }
    throw exceptions::total_bytes_mismatch(std::to_string(records.size()), std::to_string(expected_bytes));
}

}  // namespace

std::uint32_t checked_record_count(const szl_address& address, std::span<const std::uint8_t> records,
                                   std::uint32_t record_length, std::uint32_t record_count,
                                   const szl_expectation& expected, liblog::log_interface& log) {
    if (log.enabled()) log_raw_data(address, records, record_length, record_count, log);
    const auto count = count_matching_size(records, record_length, record_count, log);
    if (record_length != expected.record_length) {
        throw exceptions::element_size_mismatch(std::to_string(record_length),
                                                std::to_string(expected.record_length));
    }
    if (expected.single_record && count != 1) throw exceptions::unexpected_multiple_elements();
    return count;
}

}  // namespace korvel::probekit::libs7
