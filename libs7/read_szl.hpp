#pragma once

#include <chrono>
#include <optional>

#include "liblog/log_interface.hpp"
#include "libs7/connection_interface.hpp"
#include "libs7/exceptions.hpp"
#include "libs7/szl_checks.hpp"
#include "libs7/szl_retry.hpp"
#include "libs7/szl_traits.hpp"

namespace korvel::probekit::libs7 {

// Reads the list that szl_record_traits names for T's record type and decodes it into T: a single
// record, or std::vector<Record> for any number. The records are decoded straight from the
// connection's buffer. retry: three attempts instead of one, each failure followed by retry_delay
// (see read_with_retries), all within the scan's deadline. Throws the last failure; szl_too_large
// after the first attempt; deadline_exceeded when the time ran out.
template <typename T>
T read_szl(connection_interface& connection, std::chrono::milliseconds retry_delay, bool retry,
           const libdeadline::deadline& deadline, liblog::log_interface& log,
           const wait_function& wait = wait_for_real) {
    using list = szl_list_traits<T>;
    using record = szl_record_traits<typename list::record>;
    constexpr szl_address address = record::address;
    const szl_expectation expected{record::record_length, list::single_record};

    std::optional<T> value;
    read_with_retries(address, retry_delay, retry, deadline, log, wait, [&] {
        connection.read_szl(address.szl_id, address.index, deadline,
                            [&](std::span<const std::uint8_t> records, std::uint32_t record_length,
                                std::uint32_t record_count) {
                                const auto count = checked_record_count(address, records, record_length,
                                                                        record_count, expected, log);
                                value = list::decode(records, count);
                            });
        if (!value) throw exceptions::failed_to_read_szl_data_into_type();
    }, [&] { return connection.backing_off(); });
    return std::move(*value);
}

}  // namespace korvel::probekit::libs7
