#pragma once

#include <map>
#include <utility>
#include <variant>

#include "libs7/connection_interface.hpp"
#include "tests/s7_access/scripted_connection.hpp"

namespace s7_sensors_test {

using s7_access_test::szl_list;

// A controller that answers each list it holds, and throws what it is told to for the others.
class fake_plc final : public korvel::probekit::libs7::connection_interface {
public:
    using answer = std::variant<szl_list, std::exception_ptr>;

    void read_szl(std::uint16_t szl_id, std::uint16_t index, const korvel::probekit::libdeadline::deadline&,
                  const korvel::probekit::libs7::szl_record_callback& callback) override {
        ++reads[{szl_id, index}];
        const answer& found = lists.at({szl_id, index});
        if (const auto* list = std::get_if<szl_list>(&found)) {
            callback(list->records, list->record_length, list->record_count);
        } else {
            std::rethrow_exception(std::get<std::exception_ptr>(found));
        }
    }

    std::map<std::pair<std::uint16_t, std::uint16_t>, answer> lists;
    std::map<std::pair<std::uint16_t, std::uint16_t>, int> reads;
};

}  // namespace s7_sensors_test
