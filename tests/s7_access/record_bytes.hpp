#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Builders for list records as a controller sends them (big-endian fields).
namespace s7_access_test {

using date_and_time = std::array<std::uint8_t, 8>;

inline std::vector<std::uint8_t> cpu_status_record(std::uint8_t mode) {
    std::vector<std::uint8_t> record(20, 0);
    record[0] = 0x51;
    record[1] = 0x44;
    record[2] = 0xFF;
    record[3] = mode;
    return record;
}

inline std::vector<std::uint8_t> diagnostic_record(std::uint16_t event_id, const date_and_time& time_stamp) {
    std::vector<std::uint8_t> record(20, 0);
    record[0] = static_cast<std::uint8_t>(event_id >> 8);
    record[1] = static_cast<std::uint8_t>(event_id);
    std::copy(time_stamp.begin(), time_stamp.end(), record.begin() + 12);
    return record;
}

inline std::vector<std::uint8_t> concatenated(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> bytes;
    for (const auto& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

}  // namespace s7_access_test
