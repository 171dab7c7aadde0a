#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <type_traits>

#include "libi18n/i18n_exception.hpp"
#include "libjsonparser/exceptions.hpp"
#include "libparser/exceptions.hpp"
#include "libresthelper/exceptions.hpp"
#include "libs7/exceptions.hpp"
#include "libstringutils/exceptions.hpp"
#include "libtcp/exceptions.hpp"
#include "module/utils/exceptions.hpp"
#include "s7/exceptions/exceptions.hpp"

namespace {

namespace probekit = korvel::probekit;
namespace i18n = probekit::libi18n;
namespace utils = probekit::libvexahelper::utils::exceptions;
namespace s7ex = probekit::s7::exceptions;
namespace s7lib = probekit::libs7::exceptions;
namespace tcp = probekit::libtcp::exceptions;
namespace rest = probekit::libresthelper::exceptions;
namespace parser = probekit::libparser::exceptions;
namespace json = probekit::libjsonparser::exceptions;
namespace stringutils = probekit::libstringutils::exceptions;

// ---- The class tree, checked at compile time: which handlers catch what ----

// Every one of Classes lies beneath Base (and is not Base itself).
template <typename Base, typename... Classes>
constexpr bool beneath = ((std::is_base_of_v<Base, Classes> && !std::is_same_v<Base, Classes>)&&...);
// Beneath Base and not beneath its sibling Other.
template <typename Base, typename Other, typename... Classes>
constexpr bool only_beneath = beneath<Base, Classes...> && (!std::is_base_of_v<Other, Classes> && ...);

static_assert(beneath<probekit::libexception::exception, i18n::i18n_exception, stringutils::exception>);
static_assert(only_beneath<stringutils::exception, i18n::i18n_exception, stringutils::format_string_error,
                           stringutils::placeholder_index_not_in_arguments>);
static_assert(!std::is_base_of_v<i18n::i18n_exception, stringutils::exception>);

// Every library base sits directly under the localisable base.
static_assert(beneath<i18n::i18n_exception, utils::exception, s7ex::exception, s7lib::exception,
                      tcp::exception, rest::exception, parser::exception>);
static_assert(beneath<parser::exception, json::exception>);

// s7: two intermediate classes, the Web API errors beneath one, the protocol errors beneath the other.
static_assert(beneath<s7ex::exception, s7ex::jsonrpc_exception, s7ex::s7_protocol_exception>);
static_assert(
    only_beneath<s7ex::jsonrpc_exception, s7ex::s7_protocol_exception, s7ex::api_login_failed,
                 s7ex::api_login_infrastructure_error, s7ex::api_login_no_resources,
                 s7ex::api_login_not_accepted, s7ex::api_login_password_expired, s7ex::api_permission_denied,
                 s7ex::api_protocol_not_supported, s7ex::api_unexpected_error,
                 s7ex::alarms_browse_internal_error, s7ex::alarms_browse_not_supported,
                 s7ex::modules_browse_internal_error, s7ex::modules_browse_not_supported,
                 s7ex::modules_read_status_internal_error, s7ex::read_mode_selector_state_internal_error,
                 s7ex::read_operating_mode_internal_error, s7ex::read_mode_selector_state_invalid_params,
                 s7ex::read_operating_mode_invalid_params>);
// The two classes that share a key are distinct types, neither beneath the other.
static_assert(!std::is_base_of_v<s7ex::read_mode_selector_state_invalid_params,
                                 s7ex::read_operating_mode_invalid_params> &&
              !std::is_base_of_v<s7ex::read_operating_mode_invalid_params,
                                 s7ex::read_mode_selector_state_invalid_params>);
static_assert(only_beneath<s7ex::s7_protocol_exception, s7ex::jsonrpc_exception, s7ex::no_leds_found,
                           s7ex::unexpected_led_id, s7ex::unexpected_led_status>);

// libs7: the connection errors beneath the libs7 base; the list checks beside it.
static_assert(beneath<s7lib::exception, s7lib::connection_failed, s7lib::could_not_set_recv_timeout,
                      s7lib::could_not_set_remote_port, s7lib::read_szl_failed, s7lib::szl_too_large>);
static_assert(only_beneath<i18n::i18n_exception, s7lib::exception, s7lib::element_size_mismatch,
                           s7lib::total_bytes_mismatch, s7lib::failed_to_read_szl_data_into_type,
                           s7lib::unexpected_multiple_elements>);

static_assert(beneath<tcp::exception, tcp::could_not_resolve_host_name>);

// libresthelper: three intermediate classes with their own subtrees.
static_assert(beneath<rest::exception, rest::add_header_failed, rest::header_not_found,
                      rest::multiple_authentication_methods, rest::variable_name_empty,
                      rest::connection_failed, rest::request_failed, rest::invalid_url>);
static_assert(beneath<rest::connection_failed, rest::connection_failed_with_proxy>);
static_assert(beneath<rest::connection_failed_with_proxy, rest::connection_failed_with_proxy_auth>);
static_assert(only_beneath<rest::request_failed, rest::connection_failed, rest::authentication_failed,
                           rest::not_found, rest::request_timeout, rest::too_many_requests>);
static_assert(!std::is_base_of_v<rest::connection_failed, rest::request_failed>);
static_assert(beneath<rest::invalid_url, rest::full_url_not_allowed>);

static_assert(
    only_beneath<parser::exception, json::exception, parser::empty_result, parser::unexpected_type_error>);
static_assert(beneath<json::exception, json::parse_error, json::query_error, json::conversion_error,
                      json::unexpected_array_error>);

// ---- Every concrete class builds its message from its own key and its arguments, in order ----

struct constructed {
    std::function<i18n::i18n_msg()> make;
    const char* identifier;
    const char* text;
};

const constructed classes[] = {
    {[] { return utils::already_contains_factory("a").get_message(); },
     "#:libvexahelper.error.already_contains_factory[a]",
     "The factory store already contains a factory with type a."},
    {[] { return utils::factory_not_available("a").get_message(); },
     "#:libvexahelper.error.factory_not_available[a]", "The factory store can't find a factory with type a."},
    {[] { return utils::already_contains_instance("a").get_message(); },
     "#:libvexahelper.error.already_contains_instance[a]",
     "The instance store already contains an instance with type a."},
    {[] { return utils::already_contains_instance_key("a", "b").get_message(); },
     "#:libvexahelper.error.already_contains_instance_key[a,b]",
     "The instance store already contains an instance with type a and key b."},
    {[] { return utils::instance_not_available("a").get_message(); },
     "#:libvexahelper.error.instance_not_available[a]",
     "The instance store can't find an instance with type a."},
    {[] { return utils::instance_not_available_key("a", "b").get_message(); },
     "#:libvexahelper.error.instance_not_available_key[a,b]",
     "The instance store can't find an instance with type a and key b."},
    {[] { return utils::channel_map_not_initialized().get_message(); },
     "#:libvexahelper.error.channel_map_not_initialized[]", "Channel map is not initialized."},
    {[] { return utils::setting_not_available("a").get_message(); },
     "#:libvexahelper.error.setting_not_available[a]", "The setting \"a\" was not available."},
    {[] { return utils::setting_selection_parse_error("a", "b").get_message(); },
     "#:libvexahelper.error.setting_selection_parse_error[a,b]",
     "Value \"a\" could not be parsed into selection type \"b\"."},
    {[] { return s7ex::api_login_failed().get_message(); }, "#:error.api_login_failed[]",
     "The user name or password are invalid."},
    {[] { return s7ex::api_login_infrastructure_error().get_message(); },
     "#:error.api_login_infrastructure_error[]", "Veltra could not reach the authentication server."},
    {[] { return s7ex::api_login_no_resources().get_message(); }, "#:error.api_login_no_resources[]",
     "The Veltra core server system does not have the required resources to carry out this request. Try "
     "again when more resources are available."},
    {[] { return s7ex::api_login_not_accepted().get_message(); }, "#:error.api_login_not_accepted[]",
     "Veltra could not authenticate. The CPU does not support this authentication mode."},
    {[] { return s7ex::api_login_password_expired().get_message(); }, "#:error.api_login_password_expired[]",
     "The user account password expired. Please change the password and try again."},
    {[] { return s7ex::api_permission_denied().get_message(); }, "#:error.api_permission_denied[]",
     "The current user does not have the appropriate access rights to perform this operation. Enter a user "
     "account with 'read_diagnostics' permissions."},
    {[] { return s7ex::api_protocol_not_supported().get_message(); }, "#:error.api_protocol_not_supported[]",
     "The device did not respond to the JSON-RPC request. Verify that the S7 Web API is enabled on the PLC."},
    {[] { return s7ex::api_unexpected_error().get_message(); }, "#:error.api_unexpected_error[]",
     "An unexpected error occurred while communicating with the S7 Web API."},
    {[] { return s7ex::alarms_browse_internal_error().get_message(); },
     "#:error.alarms_browse_internal_error[]", "An internal error occurred when reading the alarms."},
    {[] { return s7ex::alarms_browse_not_supported().get_message(); },
     "#:error.alarms_browse_not_supported[]",
     "This PLC does not support alarm monitoring. This sensor requires as of firmware version 3.1 on S7-1500 "
     "CPUs and as of firmware version 4.1 on redundant S7-1500 R/H CPUs."},
    {[] { return s7ex::modules_browse_internal_error().get_message(); },
     "#:error.modules_browse_internal_error[]",
     "An internal error occurred while browsing the hardware configuration."},
    {[] { return s7ex::modules_browse_not_supported().get_message(); },
     "#:error.modules_browse_not_supported[]",
     "This PLC does not support hardware module monitoring. This function requires firmware version 4.1 or "
     "later and is not available on all CPU types, such as redundant S7-1500 R/H systems."},
    {[] { return s7ex::modules_read_status_internal_error().get_message(); },
     "#:error.modules_read_status_internal_error[]",
     "An internal error occurred while reading the status of a hardware module."},
    {[] { return s7ex::read_mode_selector_state_internal_error().get_message(); },
     "#:error.plc_read_mode_selector_state_internal_error[]",
     "An internal error occurred while reading the mode selector state."},
    {[] { return s7ex::read_operating_mode_internal_error().get_message(); },
     "#:error.plc_read_operating_mode_internal_error[]",
     "An internal error occurred while reading the operating mode."},
    {[] { return s7ex::read_mode_selector_state_invalid_params().get_message(); },
     "#:error.plc_redundancy_id_invalid_params[]",
     "Invalid parameter: The 'redundancy_id' parameter is not valid for this CPU type."},
    {[] { return s7ex::read_operating_mode_invalid_params().get_message(); },
     "#:error.plc_redundancy_id_invalid_params[]",
     "Invalid parameter: The 'redundancy_id' parameter is not valid for this CPU type."},
    {[] { return s7ex::no_leds_found().get_message(); }, "#:error.no_leds_found[]", "No LEDs found"},
    {[] { return s7ex::unexpected_led_id("a", "b", "c").get_message(); }, "#:error.unexpected_led_id[a,b,c]",
     "Unexpected LED ID 0xa (IS_ON=0xb, IS_BLINKING=0xc)"},
    {[] { return s7ex::unexpected_led_status("a", "b", "c").get_message(); },
     "#:error.unexpected_led_status[a,b,c]", "Unexpected status of LED 0xa: IS_ON=0xb, IS_BLINKING=0xc"},
    {[] { return s7lib::connection_failed("a", "b", "c").get_message(); },
     "#:libs7.error.connection_failed[a,b,c]", "Failed to connect to a:b. c"},
    {[] { return s7lib::could_not_set_recv_timeout("a").get_message(); },
     "#:libs7.error.could_not_set_recv_timeout[a]", "Failed to set receive timeout. a"},
    {[] { return s7lib::could_not_set_remote_port("a").get_message(); },
     "#:libs7.error.could_not_set_remote_port[a]", "Failed to set remote port. a"},
    {[] { return s7lib::read_szl_failed("a", "b", "c").get_message(); },
     "#:libs7.error.read_szl_failed[a,b,c]", "Failed to read system status list with SSL-ID 0xa/0xb. c"},
    {[] { return s7lib::szl_too_large("a", "b").get_message(); }, "#:libs7.error.szl_too_large[a,b]",
     "Failed to read system status list with SSL-ID 0xa/0xb. Too many records in the list."},
    {[] { return s7lib::element_size_mismatch("a", "b").get_message(); },
     "#:libs7.error.element_size_mismatch[a,b]",
     "The returned SSL element size (a) does not match the expected size (b)."},
    {[] { return s7lib::total_bytes_mismatch("a", "b").get_message(); },
     "#:libs7.error.total_bytes_mismatch[a,b]",
     "The returned SSL size (a) does not match the expected size (b)."},
    {[] { return s7lib::failed_to_read_szl_data_into_type().get_message(); },
     "#:libs7.error.failed_to_read_szl_data_into_type[]", "Failed to read SSL data into type."},
    {[] { return s7lib::unexpected_multiple_elements().get_message(); },
     "#:libs7.error.unexpected_multiple_elements[]",
     "The returned SSL contained more than one element. Veltra expects exactly one element."},
    {[] { return tcp::could_not_resolve_host_name("a").get_message(); },
     "#:error.could_not_resolve_host_name[a]",
     "IP address for \"a\" could not be found. Check the IP address and DNS name in the settings of the "
     "parent device."},
    {[] { return rest::add_header_failed("a").get_message(); }, "#:libresthelper.error.add_header_failed[a]",
     "Adding header a failed."},
    {[] { return rest::header_not_found("a").get_message(); }, "#:libresthelper.error.header_not_found[a]",
     "Header a not found."},
    {[] { return rest::multiple_authentication_methods().get_message(); },
     "#:libresthelper.error.multiple_authentication_methods[]", "Multiple authentication methods specified."},
    {[] { return rest::variable_name_empty().get_message(); }, "#:libresthelper.error.variable_name_empty[]",
     "The name of a query parameter was empty."},
    {[] { return rest::connection_failed_with_proxy("a").get_message(); },
     "#:libresthelper.error.connection_failed_with_proxy[a]",
     "The sensor could not connect to the proxy server or target server. Check the proxy settings and if the "
     "sensor can reach the proxy server. a"},
    {[] { return rest::connection_failed_with_proxy_auth().get_message(); },
     "#:libresthelper.error.connection_failed_with_proxy_auth[]",
     "The sensor could not connect to the proxy server. Authentication failed."},
    {[] { return rest::authentication_failed("a").get_message(); },
     "#:libresthelper.error.authentication_failed[a]",
     "The sensor could not authenticate against the server. Check your credentials in the device settings. "
     "a"},
    {[] { return rest::not_found().get_message(); }, "#:libresthelper.error.not_found[]",
     "The requested resource was not found on the remote server."},
    {[] { return rest::request_timeout("a").get_message(); }, "#:libresthelper.error.request_timeout[a]",
     "Request timeout. a"},
    {[] { return rest::too_many_requests().get_message(); }, "#:libresthelper.error.too_many_requests[]",
     "Too many requests were sent to the remote server."},
    {[] { return rest::full_url_not_allowed("a").get_message(); },
     "#:libresthelper.error.full_url_not_allowed[a]",
     "Full url a cannot be accepted on rest client creation, please only use schema://host:port"},
    {[] { return parser::empty_result("a").get_message(); }, "#:libparser.error.empty_result[a]",
     "The queried field \"a\" is empty."},
    {[] { return parser::unexpected_type_error("a").get_message(); }, "#:libparser.error.unexpected_type[a]",
     "The received value has an unexpected data type. a"},
    {[] { return json::parse_error("a").get_message(); }, "#:libjsonparser.error.parse[a]",
     "The received JSON data could not be parsed. a"},
    {[] { return json::query_error("a").get_message(); }, "#:libjsonparser.error.query[a]",
     "The provided JSONPath is incorrect. a"},
    {[] { return json::conversion_error("a", "b").get_message(); }, "#:libjsonparser.error.conversion[a,b]",
     "'a' could not be converted to 'b'."},
    {[] { return json::unexpected_array_error("a").get_message(); },
     "#:libjsonparser.error.unexpected_array[a]",
     "The received value is an array instead of a single value. a"},
};

TEST(exception_classes, each_class_carries_its_key_and_text_with_the_arguments_in_order) {
    for (const auto& [make, identifier, text] : classes) {
        SCOPED_TRACE(identifier);
        const i18n::i18n_msg message = make();
        EXPECT_EQ(message.identifier(), identifier);
        EXPECT_EQ(message.text(), text);
    }
}

}  // namespace
