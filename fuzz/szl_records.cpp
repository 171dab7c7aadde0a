// Property: whatever a controller answers to the list reads of the three S7-300/400 sensors (any record
// bytes, record length and count, a failed read, a read that never answers), every scan ends in exactly
// one scan_result or error_result for its sensor, every value of a scan_result belongs to a channel the
// sensor announced, with the announced value kind, and nothing crashes or leaves the scan as an exception.
//
// Input: byte 0 picks the sensor kind; byte 1 its options (bit 0 retries, bit 1 a maximum cycle time,
// bit 2 the persisted "too many events" flag, bits 3-4 one to four scans, bit 5 the sensor's own log,
// which formats what the controller sent); the rest answers the reads in order. Each answer starts
// with a tag byte: 0 mod 8 a failed read (which failure from the tag), 1 mod 8 a read that never calls
// back, anything else a list: record length and record count (16 bits each, big-endian), a 16-bit byte
// count and that many record bytes. Once the input runs out, reads fail.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>

#include "fuzz/finding.hpp"
#include "libdeadline/deadline.hpp"
#include "libs7/connection_factory.hpp"
#include "libs7/exceptions.hpp"
#include "libtcp/resolver_factory.hpp"
#include "module/sensors/registration.hpp"
#include "s7/cpu_restart_overview_sensor.hpp"
#include "s7/cpu_status_sensor.hpp"
#include "s7/led_status_sensor.hpp"
#include "tests/support/test_module.hpp"

namespace {

namespace libs7 = korvel::probekit::libs7;
namespace s7 = korvel::probekit::s7;
namespace vexa = korvel::probekit::libvexahelper;
using korvel::probekit::fuzz::require;
using module_test::json;

constexpr int sensor_id = 1;

// The fuzz input, consumed front to back; reading past its end gives zeros.
class input_bytes {
public:
    explicit input_bytes(std::span<const std::uint8_t> bytes) : rest_(bytes) {}

    bool empty() const { return rest_.empty(); }

    std::uint8_t byte() {
        if (rest_.empty()) return 0;
        const std::uint8_t value = rest_.front();
        rest_ = rest_.subspan(1);
        return value;
    }

    std::uint16_t big_endian_16() {
        const std::uint16_t high = byte();
        return static_cast<std::uint16_t>(high << 8 | byte());
    }

    std::span<const std::uint8_t> bytes(std::size_t count) {
        const auto taken = rest_.first(std::min(count, rest_.size()));
        rest_ = rest_.subspan(taken.size());
        return taken;
    }

private:
    std::span<const std::uint8_t> rest_;
};

std::string hex(std::uint16_t value) {
    static constexpr char digits[] = "0123456789abcdef";
    return {digits[value >> 12], digits[(value >> 8) & 0xF], digits[(value >> 4) & 0xF], digits[value & 0xF]};
}

// A controller whose answers are the fuzz input's.
class fuzzed_plc final : public libs7::connection_interface {
public:
    explicit fuzzed_plc(input_bytes& input) : input_(input) {}

    void read_szl(std::uint16_t szl_id, std::uint16_t index,
                  const korvel::probekit::libdeadline::deadline& deadline,
                  const libs7::szl_record_callback& callback) override {
        if (input_.empty())
            throw libs7::exceptions::read_szl_failed(hex(szl_id), hex(index), "connection lost");
        const std::uint8_t tag = input_.byte();
        if (tag % 8 == 0) fail(tag / 8, szl_id, index, deadline);
        if (tag % 8 == 1) return;
        const std::uint16_t record_length = input_.big_endian_16();
        const std::uint16_t record_count = input_.big_endian_16();
        // A copy, so a decoder reading past the records' end meets the address sanitizer.
        const auto records = input_.bytes(input_.big_endian_16());
        const std::vector<std::uint8_t> copy(records.begin(), records.end());
        callback(copy, record_length, record_count);
    }

private:
    [[noreturn]] static void fail(int which, std::uint16_t szl_id, std::uint16_t index,
                                  const korvel::probekit::libdeadline::deadline& deadline) {
        switch (which % 5) {
            case 0:
                throw libs7::exceptions::read_szl_failed(hex(szl_id), hex(index), "ISO : An error occurred");
            case 1:
                throw libs7::exceptions::szl_too_large(hex(szl_id), hex(index));
            case 2:
                throw libs7::exceptions::connection_failed("127.0.0.1", "102", "TCP : Connection refused");
            case 3:
                throw korvel::probekit::libdeadline::deadline_exceeded(deadline);
            default:
                throw libs7::exceptions::failed_to_read_szl_data_into_type();
        }
    }

    input_bytes& input_;
};

struct sensor_choice {
    int scans = 1;
    json block;
};

sensor_choice choose_sensor(input_bytes& input) {
    static const char* const kinds[] = {s7::cpu_status_sensor::kind_name, s7::led_status_sensor::kind_name,
                                        s7::cpu_restart_overview_sensor::kind_name};
    const char* kind = kinds[input.byte() % 3];
    const std::uint8_t options = input.byte();
    json settings{{"host", "127.0.0.1"},
                  {"timeout", "60"},
                  {"logging", options & 32 ? "enabled" : "disabled"},
                  {"connection_section.rack", "0"},
                  {"connection_section.slot", "2"},
                  {"connection_section.port", "102"},
                  {"connection_section.receive_timeout_ms", "100"},
                  {"connection_section.retry", options & 1 ? "retry" : "noretry"},
                  {"connection_section.retry_delay_ms", "0"}};
    if (options & 2) settings["simatic_s7_300_400_cpu_status_section.max_ob1_cycle_time_ms"] = "50";
    json persistent = json::object();
    if (options & 4) persistent["does_plc_have_too_many_events"] = "true";
    return {1 + (options >> 3) % 4,
            {{"kind", kind},
             {"settings", settings},
             {"channels", json::object()},
             {"persistent_data", persistent}}};
}

// The value kind of every channel the sensor announced so far, by channel id.
using announced_channels = std::map<int, int>;

// Takes note of a channel announcement; a channel the host already holds must not be announced again.
void note_announcement(const json& message, announced_channels& announced) {
    const json& channel = message.at("channel");
    require(announced.emplace(channel.at("id").get<int>(), channel.at("kind").get<int>()).second,
            "a channel was announced twice: " + message.dump());
}

void require_fitting_values(const json& result, const announced_channels& announced) {
    for (const auto& value : result.at("channels")) {
        const auto found = announced.find(value.at("id").get<int>());
        require(found != announced.end(), "a value for a channel not announced before: " + result.dump());
        require(value.at("kind") == found->second,
                "a value of another kind than its channel: " + result.dump());
        const json& number = value.at("value");
        require(number.is_null() || (found->second == 1 ? number.is_number_integer() : number.is_number()),
                "a value that does not fit its kind: " + result.dump());
    }
}

// Walks the messages of one scan in the order the host receives them.
void require_one_fitting_result(const std::vector<json>& messages, announced_channels& announced) {
    int results = 0;
    for (const auto& message : messages) {
        const json& type = message.at("type");
        if (type == "dynamic_channel") note_announcement(message, announced);
        if (type != "scan_result" && type != "error_result") continue;
        require(message.at("sensor_id") == sensor_id, "a result for another sensor: " + message.dump());
        require(++results == 1, "a scan sent a second result: " + message.dump());
        const int code = message.at("response_code").get<int>();
        require(code >= 0 && code <= 3, "a result with response code " + std::to_string(code));
        if (type == "scan_result") require_fitting_values(message, announced);
    }
    require(results == 1, "a scan sent no result");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    input_bytes input(std::span<const std::uint8_t>(data, size));
    const sensor_choice choice = choose_sensor(input);

    module_test::test_module frame;
    frame.container->add_factory(libs7::connection_factory(
        [&input](const libs7::connection_settings&) { return std::make_unique<fuzzed_plc>(input); }));
    frame.container->add_factory(korvel::probekit::libtcp::get_resolver_factory());  // an address: no lookup
    vexa::module::register_sensor_as<s7::cpu_status_sensor>(*frame.dispatcher,
                                                            s7::cpu_status_sensor::kind_name);
    vexa::module::register_sensor_as<s7::led_status_sensor>(*frame.dispatcher,
                                                            s7::led_status_sensor::kind_name);
    vexa::module::register_sensor_as<s7::cpu_restart_overview_sensor>(
        *frame.dispatcher, s7::cpu_restart_overview_sensor::kind_name);

    require(frame.create(sensor_id, choice.block) == vexa::module::sensor_create_response_code::success,
            "the sensor could not be created");
    announced_channels announced;
    for (const auto& message : frame.sent) {
        if (message.at("type") == "dynamic_channel") note_announcement(message, announced);
    }
    for (int scan = 0; scan < choice.scans; ++scan) {
        frame.sent.clear();
        require(frame.dispatcher->execute_sensor_scan(sensor_id) ==
                    vexa::module::sensor_scan_response_code::success,
                "a scan of the sensor was refused");
        require_one_fitting_result(frame.sent, announced);
    }
    return 0;
}
