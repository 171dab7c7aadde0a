#include "libs7/szl_checks.hpp"

#include <cstdio>
#include <string>

#include "liblog/log_levels.hpp"
#include "libs7/exceptions.hpp"

namespace korvel::probekit::libs7 {

namespace {

// Some controllers send 0xFFFF instead of the real number of records.
constexpr std::uint32_t unknown_record_count = 0xFFFF;

std::string hex_pairs(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const auto byte : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned>(byte));
        text += pair;
    }
    return text;
}

void log_raw_data(const szl_address& address, std::span<const std::uint8_t> records,
                  std::uint32_t record_length, std::uint32_t record_count, liblog::log_interface& log) {
    log.log(liblog::level::trace, "SZL data (" + to_text(address) + ") [" + std::to_string(record_length) +
                                      " bytes per record, " + std::to_string(record_count) +
                                      " records]:\n  " + hex_pairs(records));
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
    log_raw_data(address, records, record_length, record_count, log);
    const auto count = count_matching_size(records, record_length, record_count, log);
    if (record_length != expected.record_length) {
        throw exceptions::element_size_mismatch(std::to_string(record_length),
                                                std::to_string(expected.record_length));
    }
    if (expected.single_record && count != 1) throw exceptions::unexpected_multiple_elements();
    return count;
}

}  // namespace korvel::probekit::libs7
