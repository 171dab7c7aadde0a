#pragma once

#include <cstdint>
#include <exception>
#include <variant>
#include <vector>

#include "libs7/connection_interface.hpp"
#include "libs7/szl_address.hpp"

namespace s7_access_test {

// What a controller's list looks like after snap7 has read it: records plus the header values.
struct szl_list {
    std::vector<std::uint8_t> records;
    std::uint32_t record_length = 0;
    std::uint32_t record_count = 0;
};

// A connection that answers read number i with reply i of its script (the last reply repeats):
// a list handed to the callback, an exception thrown, or nothing (the callback is never called).
class scripted_connection final : public korvel::probekit::libs7::connection_interface {
public:
    struct no_callback {};
    using reply = std::variant<szl_list, std::exception_ptr, no_callback>;

    explicit scripted_connection(std::vector<reply> script) : script_(std::move(script)) {}

    void read_szl(std::uint16_t szl_id, std::uint16_t index, const korvel::probekit::libdeadline::deadline&,
                  const korvel::probekit::libs7::szl_record_callback& callback) override {
        const auto& next = script_.at(std::min(reads.size(), script_.size() - 1));
        reads.push_back({szl_id, index});
        if (const auto* list = std::get_if<szl_list>(&next)) {
            callback(list->records, list->record_length, list->record_count);
        } else if (const auto* failure = std::get_if<std::exception_ptr>(&next)) {
            std::rethrow_exception(*failure);
        }
    }

    std::vector<korvel::probekit::libs7::szl_address> reads;

private:
    std::vector<reply> script_;
};

template <typename Exception, typename... Arguments>
scripted_connection::reply failure(const Arguments&... arguments) {
    return std::make_exception_ptr(Exception(arguments...));
}

}  // namespace s7_access_test
