// Property: whatever bytes a device answers to a batch of every Web API request form, the session
// and the parse operations end in a record or in one of their documented errors, never in a crash or
// any other exception. The probe (Api.Version) passes or throws api_protocol_not_supported; execute
// returns the answers or throws a JSON-RPC error (refused login, permission denied) or a JSON query
// error; each parse operation, given every answer, returns its record or throws a JSON-RPC error, a
// JSON query error, or the duration errors with their exact texts. Every record stays within the
// parse limits (texts, entries, nodes), and a module collection holds each hardware id once, queuing
// exactly its expandable nodes.
//
// Input: the response body, answered with status 200 to the probe and to the batch alike.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>

#include "fuzz/finding.hpp"
#include "libdeadline/deadline.hpp"
#include "libparser/exceptions.hpp"
#include "libresthelper/rest_interface.hpp"
#include "s7/exceptions/exceptions.hpp"
#include "s7/s7web/alarms_browse.hpp"
#include "s7/s7web/answer_limits.hpp"
#include "s7/s7web/diagnostic_buffer.hpp"
#include "s7/s7web/module_collection.hpp"
#include "s7/s7web/module_status.hpp"
#include "s7/s7web/plc_mode.hpp"
#include "s7/s7web/runtime_information.hpp"
#include "s7/s7web/s7web_client.hpp"

namespace {

namespace s7web = korvel::probekit::s7::s7web;
namespace limits = s7web::limits;
namespace rest = korvel::probekit::libresthelper;
using korvel::probekit::fuzz::require;
using korvel::probekit::libparser::parser_interface;

// A device whose every answer is the fuzz input.
class canned_device final : public rest::rest_interface {
public:
    explicit canned_device(std::string body) : body_(std::move(body)) {}

    rest::response perform(const rest::request&, const korvel::probekit::libdeadline::deadline&) override {
        return {200, body_, {{"Content-Type", "application/json"}}, {}};
    }

private:
    std::string body_;
};

// Runs `call`; lets through only the errors the operations document.
template <typename Call>
void with_documented_errors(Call call) {
    try {
        call();
    } catch (const korvel::probekit::s7::exceptions::jsonrpc_exception&) {
    } catch (const korvel::probekit::libparser::exceptions::exception&) {
    } catch (const std::invalid_argument& error) {
        require(std::string_view(error.what()).starts_with("Invalid ISO 8601 duration format:"),
                std::string("an invalid_argument that is no duration error: ") + error.what());
    } catch (const std::out_of_range& error) {
        require(std::string_view(error.what()) == "stol argument out of range",
                std::string("an out_of_range that is no duration error: ") + error.what());
    }
}

void require_bounded(const s7web::alarms_browse_result& alarms) {
    require(alarms.entries.size() <= limits::max_entries, "more alarm entries than the limit");
    for (const auto& entry : alarms.entries) {
        require(entry.alarm_text.size() <= limits::max_text_length, "an alarm text beyond the limit");
        require(entry.timestamp.size() <= limits::max_word_length, "an alarm time stamp beyond the limit");
    }
}

void require_consistent(const s7web::module_collection& collection) {
    require(collection.nodes.size() <= limits::max_collected_nodes, "more collected nodes than the limit");
    require(collection.nodes.size() == collection.seen_hwids.size(), "a hardware id collected twice");
    std::unordered_set<std::int32_t> expandable;
    for (const auto& node : collection.nodes) {
        require(collection.seen_hwids.contains(node.hwid), "a collected node not marked as seen");
        require(node.name.size() <= limits::max_text_length, "a module name beyond the limit");
        if (node.is_expandable()) expandable.insert(node.hwid);
    }
    require(collection.pending_hwids.size() == expandable.size(),
            "queued ids that are not the expandable nodes");
    for (const std::int32_t hwid : collection.pending_hwids)
        require(expandable.contains(hwid), "a queued id of a node that is not expandable");
}

void parse_every_way(const parser_interface& answer) {
    with_documented_errors([&] { require_bounded(s7web::parse_alarms_browse(answer)); });
    with_documented_errors([&] {
        const auto nodes = s7web::parse_modules_browse(answer, 7);
        require(nodes.size() <= limits::max_entries, "more nodes than the limit");
    });
    with_documented_errors([&] {
        const auto status = s7web::parse_modules_read_status(answer);
        require(status.own.size() <= limits::max_word_length &&
                    status.subordinate.size() <= limits::max_word_length,
                "a module status beyond the limit");
    });
    with_documented_errors([&] {
        require(s7web::parse_operating_mode(answer).size() <= limits::max_word_length,
                "an operating mode beyond the limit");
    });
    with_documented_errors([&] {
        require(s7web::parse_mode_selector_state(answer).size() <= limits::max_word_length,
                "a mode selector beyond the limit");
    });
    with_documented_errors([&] { s7web::parse_runtime_information(answer); });
    with_documented_errors([&] {
        const auto entries = s7web::parse_diagnostic_buffer(answer);
        if (!entries) return;
        require(entries->size() <= limits::max_entries, "more diagnostic entries than the limit");
        for (const auto& entry : *entries)
            require(entry.timestamp.size() <= limits::max_word_length,
                    "a diagnostic time stamp beyond the limit");
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto device =
        std::make_shared<canned_device>(std::string(reinterpret_cast<const char*>(data), size));
    s7web::s7web_client client(s7web::s7web_client_settings{device, "diagnose", "secret"});
    const auto deadline = korvel::probekit::libdeadline::deadline::after(std::chrono::seconds(60));
    try {
        client.ensure_api_supported(deadline);
    } catch (const korvel::probekit::s7::exceptions::api_protocol_not_supported&) {
    }
    s7web::s7web_client::answers answers;
    with_documented_errors([&] {
        answers = client.execute(s7web::request_batch()
                                     .add("Plc.ReadOperatingMode")
                                     .add("Plc.ReadModeSelectorState", 2)
                                     .add("Plc.ReadRuntimeInformation")
                                     .add_diagnostic_buffer_browse(100)
                                     .add_alarms_browse(5000)
                                     .add_modules_browse(std::nullopt)
                                     .add_modules_read_status(49),
                                 deadline);
    });
    for (const auto& answer : answers) parse_every_way(*answer);
    s7web::module_collection collection;
    with_documented_errors([&] { s7web::collect_modules_browse(collection, answers); });
    require_consistent(collection);
    return 0;
}
