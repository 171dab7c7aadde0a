#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <string>
#include <type_traits>
#include <typeindex>
#include <typeinfo>
#include <vector>

#include "libi18n/error_keys.hpp"
#include "libi18n/i18n_exception.hpp"
#include "libjsonparser/exceptions.hpp"
#include "libparser/exceptions.hpp"
#include "libresthelper/exceptions.hpp"
#include "libs7/exceptions.hpp"
#include "libstringutils/exceptions.hpp"
#include "libstringutils/format_string.hpp"
#include "libtcp/exceptions.hpp"
#include "module/utils/exceptions.hpp"
#include "s7/exceptions/exceptions.hpp"

namespace {

namespace probekit = korvel::probekit;
namespace i18n = probekit::libi18n;
namespace keys = i18n::error_keys;
namespace utils = probekit::libvexahelper::utils::exceptions;
namespace s7ex = probekit::s7::exceptions;
namespace s7lib = probekit::libs7::exceptions;
namespace tcp = probekit::libtcp::exceptions;
namespace rest = probekit::libresthelper::exceptions;
namespace parser = probekit::libparser::exceptions;
namespace json = probekit::libjsonparser::exceptions;
namespace stringutils = probekit::libstringutils::exceptions;

// ---- The class tree, checked at compile time ----

// Derived lies beneath Base (and is not Base itself).
template <typename Derived, typename Base>
constexpr bool beneath = std::is_base_of_v<Base, Derived> && !std::is_same_v<Base, Derived>;

template <typename... Classes>
constexpr bool all_copyable = (std::is_copy_constructible_v<Classes> && ...);

static_assert(beneath<i18n::i18n_exception, probekit::libexception::exception>);
static_assert(beneath<stringutils::format_string_error, stringutils::exception>);
static_assert(beneath<stringutils::placeholder_index_not_in_arguments, stringutils::exception>);
static_assert(!beneath<stringutils::exception, i18n::i18n_exception>);

// Every library base sits directly under the localisable base.
static_assert(beneath<utils::exception, i18n::i18n_exception>);
static_assert(beneath<s7ex::exception, i18n::i18n_exception>);
static_assert(beneath<s7lib::exception, i18n::i18n_exception>);
static_assert(beneath<tcp::exception, i18n::i18n_exception>);
static_assert(beneath<rest::exception, i18n::i18n_exception>);
static_assert(beneath<parser::exception, i18n::i18n_exception>);
static_assert(beneath<json::exception, parser::exception>);

// s7: two intermediate classes, the Web API errors beneath one, the protocol errors beneath the other.
static_assert(beneath<s7ex::jsonrpc_exception, s7ex::exception>);
static_assert(beneath<s7ex::s7_protocol_exception, s7ex::exception>);
template <typename... Classes>
constexpr bool jsonrpc_errors = ((beneath<Classes, s7ex::jsonrpc_exception> &&
                                  !beneath<Classes, s7ex::s7_protocol_exception>)&&...);
static_assert(
    jsonrpc_errors<s7ex::api_login_failed, s7ex::api_login_infrastructure_error, s7ex::api_login_no_resources,
                   s7ex::api_login_not_accepted, s7ex::api_login_password_expired,
                   s7ex::api_permission_denied, s7ex::api_protocol_not_supported, s7ex::api_unexpected_error,
                   s7ex::alarms_browse_internal_error, s7ex::alarms_browse_not_supported,
                   s7ex::modules_browse_internal_error, s7ex::modules_browse_not_supported,
                   s7ex::modules_read_status_internal_error, s7ex::read_mode_selector_state_internal_error,
                   s7ex::read_operating_mode_internal_error, s7ex::read_mode_selector_state_invalid_params,
                   s7ex::read_operating_mode_invalid_params>);
template <typename... Classes>
constexpr bool protocol_errors = ((beneath<Classes, s7ex::s7_protocol_exception> &&
                                   !beneath<Classes, s7ex::jsonrpc_exception>)&&...);
static_assert(protocol_errors<s7ex::no_leds_found, s7ex::unexpected_led_id, s7ex::unexpected_led_status>);

// The two classes that share a key are distinct types, neither beneath the other.
static_assert(
    !std::is_same_v<s7ex::read_mode_selector_state_invalid_params, s7ex::read_operating_mode_invalid_params>);
static_assert(!std::is_base_of_v<s7ex::read_mode_selector_state_invalid_params,
                                 s7ex::read_operating_mode_invalid_params>);
static_assert(!std::is_base_of_v<s7ex::read_operating_mode_invalid_params,
                                 s7ex::read_mode_selector_state_invalid_params>);

// libs7: the connection errors beneath the libs7 base; the list checks beside it.
template <typename... Classes>
constexpr bool libs7_connection_errors = (beneath<Classes, s7lib::exception> && ...);
static_assert(
    libs7_connection_errors<s7lib::connection_failed, s7lib::could_not_set_recv_timeout,
                            s7lib::could_not_set_remote_port, s7lib::read_szl_failed, s7lib::szl_too_large>);
template <typename... Classes>
constexpr bool libs7_list_checks = ((beneath<Classes, i18n::i18n_exception> &&
                                     !beneath<Classes, s7lib::exception>)&&...);
static_assert(
    libs7_list_checks<s7lib::element_size_mismatch, s7lib::total_bytes_mismatch,
                      s7lib::failed_to_read_szl_data_into_type, s7lib::unexpected_multiple_elements>);

static_assert(beneath<tcp::could_not_resolve_host_name, tcp::exception>);

// libresthelper: three intermediate classes with their own subtrees.
static_assert(beneath<rest::add_header_failed, rest::exception>);
static_assert(beneath<rest::header_not_found, rest::exception>);
static_assert(beneath<rest::multiple_authentication_methods, rest::exception>);
static_assert(beneath<rest::variable_name_empty, rest::exception>);
static_assert(beneath<rest::connection_failed, rest::exception>);
static_assert(beneath<rest::connection_failed_with_proxy, rest::connection_failed>);
static_assert(beneath<rest::connection_failed_with_proxy_auth, rest::connection_failed_with_proxy>);
static_assert(beneath<rest::request_failed, rest::exception>);
static_assert(!beneath<rest::request_failed, rest::connection_failed>);
template <typename... Classes>
constexpr bool request_failures = ((beneath<Classes, rest::request_failed> &&
                                    !beneath<Classes, rest::connection_failed>)&&...);
static_assert(request_failures<rest::authentication_failed, rest::not_found, rest::request_timeout,
                               rest::too_many_requests>);
static_assert(beneath<rest::invalid_url, rest::exception>);
static_assert(beneath<rest::full_url_not_allowed, rest::invalid_url>);

static_assert(beneath<parser::empty_result, parser::exception>);
static_assert(beneath<parser::unexpected_type_error, parser::exception>);
static_assert(!beneath<parser::empty_result, json::exception>);
static_assert(beneath<json::parse_error, json::exception>);
static_assert(beneath<json::query_error, json::exception>);
static_assert(beneath<json::conversion_error, json::exception>);
static_assert(beneath<json::unexpected_array_error, json::exception>);

// Exceptions are thrown by value and caught by reference: every class is copyable.
static_assert(
    all_copyable<s7ex::exception, s7ex::jsonrpc_exception, s7ex::s7_protocol_exception,
                 s7ex::api_login_failed, s7ex::api_login_infrastructure_error, s7ex::api_login_no_resources,
                 s7ex::api_login_not_accepted, s7ex::api_login_password_expired, s7ex::api_permission_denied,
                 s7ex::api_protocol_not_supported, s7ex::api_unexpected_error,
                 s7ex::alarms_browse_internal_error, s7ex::alarms_browse_not_supported,
                 s7ex::modules_browse_internal_error, s7ex::modules_browse_not_supported,
                 s7ex::modules_read_status_internal_error, s7ex::read_mode_selector_state_internal_error,
                 s7ex::read_operating_mode_internal_error, s7ex::read_mode_selector_state_invalid_params,
                 s7ex::read_operating_mode_invalid_params, s7ex::no_leds_found, s7ex::unexpected_led_id,
                 s7ex::unexpected_led_status>);
static_assert(all_copyable<s7lib::exception, s7lib::connection_failed, s7lib::could_not_set_recv_timeout,
                           s7lib::could_not_set_remote_port, s7lib::read_szl_failed, s7lib::szl_too_large,
                           s7lib::element_size_mismatch, s7lib::total_bytes_mismatch,
                           s7lib::failed_to_read_szl_data_into_type, s7lib::unexpected_multiple_elements,
                           tcp::exception, tcp::could_not_resolve_host_name>);
static_assert(
    all_copyable<rest::exception, rest::add_header_failed, rest::header_not_found,
                 rest::multiple_authentication_methods, rest::variable_name_empty, rest::connection_failed,
                 rest::connection_failed_with_proxy, rest::connection_failed_with_proxy_auth,
                 rest::request_failed, rest::authentication_failed, rest::not_found, rest::request_timeout,
                 rest::too_many_requests, rest::invalid_url, rest::full_url_not_allowed>);
static_assert(
    all_copyable<parser::exception, parser::empty_result, parser::unexpected_type_error, json::exception,
                 json::parse_error, json::query_error, json::conversion_error, json::unexpected_array_error>);

// A keyed class takes only argument values; a ready message is for the bases and intermediate classes.
static_assert(!std::is_constructible_v<rest::not_found, i18n::i18n_msg>);
static_assert(!std::is_constructible_v<s7lib::total_bytes_mismatch, i18n::i18n_msg>);
static_assert(std::is_constructible_v<rest::request_failed, i18n::i18n_msg>);
static_assert(std::is_constructible_v<s7ex::jsonrpc_exception, i18n::i18n_msg>);

// ---- Every concrete class: its key and its exact English text ----

struct keyed_case {
    std::string name;
    std::string expected_key;
    std::string expected_identifier;
    std::string expected_text;
    std::string_view class_key;  // the key the class fixes
    std::type_index type;
    std::function<void()> raise;  // throws the class by value, built from the sample arguments
};

template <typename Error, typename... Arguments>
keyed_case keyed_row(std::string name, std::string key, std::string identifier, std::string text,
                     const Arguments&... arguments) {
    return {std::move(name),
            std::move(key),
            std::move(identifier),
            std::move(text),
            Error::key.key,
            typeid(Error),
            [=] { throw Error(std::string(arguments)...); }};
}

// Identifiers and texts were computed by hand, independently of format_string.
const keyed_case keyed_cases[] = {
    keyed_row<utils::already_contains_factory>(
        "already_contains_factory", "libvexahelper.error.already_contains_factory",
        "#:libvexahelper.error.already_contains_factory[X]",
        "The factory store already contains a factory with type X.", "X"),
    keyed_row<utils::factory_not_available>(
        "factory_not_available", "libvexahelper.error.factory_not_available",
        "#:libvexahelper.error.factory_not_available[korvel\\:\\:probekit\\:\\:libtcp\\:\\:resolver_"
        "interface]",
        "The factory store can't find a factory with type korvel::probekit::libtcp::resolver_interface.",
        "korvel::probekit::libtcp::resolver_interface"),
    keyed_row<utils::already_contains_instance>(
        "already_contains_instance", "libvexahelper.error.already_contains_instance",
        "#:libvexahelper.error.already_contains_instance[liblog\\:\\:log_interface]",
        "The instance store already contains an instance with type liblog::log_interface.",
        "liblog::log_interface"),
    keyed_row<utils::already_contains_instance_key>(
        "already_contains_instance_key", "libvexahelper.error.already_contains_instance_key",
        "#:libvexahelper.error.already_contains_instance_key[s7web_client,https\\://plc\\:443]",
        "The instance store already contains an instance with type s7web_client and key https://plc:443.",
        "s7web_client", "https://plc:443"),
    keyed_row<utils::instance_not_available>(
        "instance_not_available", "libvexahelper.error.instance_not_available",
        "#:libvexahelper.error.instance_not_available[message_service]",
        "The instance store can't find an instance with type message_service.", "message_service"),
    keyed_row<utils::instance_not_available_key>(
        "instance_not_available_key", "libvexahelper.error.instance_not_available_key",
        "#:libvexahelper.error.instance_not_available_key[snap7_connection,10.0.0.1]",
        "The instance store can't find an instance with type snap7_connection and key 10.0.0.1.",
        "snap7_connection", "10.0.0.1"),
    keyed_row<utils::channel_map_not_initialized>(
        "channel_map_not_initialized", "libvexahelper.error.channel_map_not_initialized",
        "#:libvexahelper.error.channel_map_not_initialized[]", "Channel map is not initialized."),
    keyed_row<utils::setting_not_available>(
        "setting_not_available", "libvexahelper.error.setting_not_available",
        "#:libvexahelper.error.setting_not_available[connection_section.rack]",
        "The setting \"connection_section.rack\" was not available.", "connection_section.rack"),
    keyed_row<utils::setting_selection_parse_error>(
        "setting_selection_parse_error", "libvexahelper.error.setting_selection_parse_error",
        "#:libvexahelper.error.setting_selection_parse_error[maybe,retry]",
        "Value \"maybe\" could not be parsed into selection type \"retry\".", "maybe", "retry"),
    keyed_row<s7ex::api_login_failed>("api_login_failed", "error.api_login_failed",
                                      "#:error.api_login_failed[]", "The user name or password are invalid."),
    keyed_row<s7ex::api_login_infrastructure_error>(
        "api_login_infrastructure_error", "error.api_login_infrastructure_error",
        "#:error.api_login_infrastructure_error[]", "Veltra could not reach the authentication server."),
    keyed_row<s7ex::api_login_no_resources>(
        "api_login_no_resources", "error.api_login_no_resources", "#:error.api_login_no_resources[]",
        "The Veltra core server system does not have the required resources to carry out this request. Try "
        "again when more resources are available."),
    keyed_row<s7ex::api_login_not_accepted>(
        "api_login_not_accepted", "error.api_login_not_accepted", "#:error.api_login_not_accepted[]",
        "Veltra could not authenticate. The CPU does not support this authentication mode."),
    keyed_row<s7ex::api_login_password_expired>(
        "api_login_password_expired", "error.api_login_password_expired",
        "#:error.api_login_password_expired[]",
        "The user account password expired. Please change the password and try again."),
    keyed_row<s7ex::api_permission_denied>(
        "api_permission_denied", "error.api_permission_denied", "#:error.api_permission_denied[]",
        "The current user does not have the appropriate access rights to perform this operation. Enter a "
        "user account with 'read_diagnostics' permissions."),
    keyed_row<s7ex::api_protocol_not_supported>("api_protocol_not_supported",
                                                "error.api_protocol_not_supported",
                                                "#:error.api_protocol_not_supported[]",
                                                "The device did not respond to the JSON-RPC request. Verify "
                                                "that the S7 Web API is enabled on the PLC."),
    keyed_row<s7ex::api_unexpected_error>(
        "api_unexpected_error", "error.api_unexpected_error", "#:error.api_unexpected_error[]",
        "An unexpected error occurred while communicating with the S7 Web API."),
    keyed_row<s7ex::alarms_browse_internal_error>(
        "alarms_browse_internal_error", "error.alarms_browse_internal_error",
        "#:error.alarms_browse_internal_error[]", "An internal error occurred when reading the alarms."),
    keyed_row<s7ex::alarms_browse_not_supported>(
        "alarms_browse_not_supported", "error.alarms_browse_not_supported",
        "#:error.alarms_browse_not_supported[]",
        "This PLC does not support alarm monitoring. This sensor requires as of firmware version 3.1 on "
        "S7-1500 CPUs and as of firmware version 4.1 on redundant S7-1500 R/H CPUs."),
    keyed_row<s7ex::modules_browse_internal_error>(
        "modules_browse_internal_error", "error.modules_browse_internal_error",
        "#:error.modules_browse_internal_error[]",
        "An internal error occurred while browsing the hardware configuration."),
    keyed_row<s7ex::modules_browse_not_supported>(
        "modules_browse_not_supported", "error.modules_browse_not_supported",
        "#:error.modules_browse_not_supported[]",
        "This PLC does not support hardware module monitoring. This function requires firmware version 4.1 "
        "or later and is not available on all CPU types, such as redundant S7-1500 R/H systems."),
    keyed_row<s7ex::modules_read_status_internal_error>(
        "modules_read_status_internal_error", "error.modules_read_status_internal_error",
        "#:error.modules_read_status_internal_error[]",
        "An internal error occurred while reading the status of a hardware module."),
    keyed_row<s7ex::read_mode_selector_state_internal_error>(
        "read_mode_selector_state_internal_error", "error.plc_read_mode_selector_state_internal_error",
        "#:error.plc_read_mode_selector_state_internal_error[]",
        "An internal error occurred while reading the mode selector state."),
    keyed_row<s7ex::read_operating_mode_internal_error>(
        "read_operating_mode_internal_error", "error.plc_read_operating_mode_internal_error",
        "#:error.plc_read_operating_mode_internal_error[]",
        "An internal error occurred while reading the operating mode."),
    keyed_row<s7ex::read_mode_selector_state_invalid_params>(
        "read_mode_selector_state_invalid_params", "error.plc_redundancy_id_invalid_params",
        "#:error.plc_redundancy_id_invalid_params[]",
        "Invalid parameter: The 'redundancy_id' parameter is not valid for this CPU type."),
    keyed_row<s7ex::read_operating_mode_invalid_params>(
        "read_operating_mode_invalid_params", "error.plc_redundancy_id_invalid_params",
        "#:error.plc_redundancy_id_invalid_params[]",
        "Invalid parameter: The 'redundancy_id' parameter is not valid for this CPU type."),
    keyed_row<s7ex::no_leds_found>("no_leds_found", "error.no_leds_found", "#:error.no_leds_found[]",
                                   "No LEDs found"),
    keyed_row<s7ex::unexpected_led_id>(
        "unexpected_led_id", "error.unexpected_led_id", "#:error.unexpected_led_id[1005,01,00]",
        "Unexpected LED ID 0x1005 (IS_ON=0x01, IS_BLINKING=0x00)", "1005", "01", "00"),
    keyed_row<s7ex::unexpected_led_status>(
        "unexpected_led_status", "error.unexpected_led_status", "#:error.unexpected_led_status[0004,00,01]",
        "Unexpected status of LED 0x0004: IS_ON=0x00, IS_BLINKING=0x01", "0004", "00", "01"),
    keyed_row<s7lib::connection_failed>(
        "connection_failed", "libs7.error.connection_failed",
        "#:libs7.error.connection_failed[192.168.0.10,102,TCP \\: Unreachable peer]",
        "Failed to connect to 192.168.0.10:102. TCP : Unreachable peer", "192.168.0.10", "102",
        "TCP : Unreachable peer"),
    keyed_row<s7lib::could_not_set_recv_timeout>(
        "could_not_set_recv_timeout", "libs7.error.could_not_set_recv_timeout",
        "#:libs7.error.could_not_set_recv_timeout[CLI \\: invalid param]",
        "Failed to set receive timeout. CLI : invalid param", "CLI : invalid param"),
    keyed_row<s7lib::could_not_set_remote_port>(
        "could_not_set_remote_port", "libs7.error.could_not_set_remote_port",
        "#:libs7.error.could_not_set_remote_port[CLI \\: invalid param]",
        "Failed to set remote port. CLI : invalid param", "CLI : invalid param"),
    keyed_row<s7lib::read_szl_failed>(
        "read_szl_failed", "libs7.error.read_szl_failed",
        "#:libs7.error.read_szl_failed[0424,0000,CPU \\: Item not available]",
        "Failed to read system status list with SSL-ID 0x0424/0x0000. CPU : Item not available", "0424",
        "0000", "CPU : Item not available"),
    keyed_row<s7lib::szl_too_large>(
        "szl_too_large", "libs7.error.szl_too_large", "#:libs7.error.szl_too_large[00a0,0000]",
        "Failed to read system status list with SSL-ID 0x00a0/0x0000. Too many records in the list.", "00a0",
        "0000"),
    keyed_row<s7lib::element_size_mismatch>(
        "element_size_mismatch", "libs7.error.element_size_mismatch",
        "#:libs7.error.element_size_mismatch[20,28]",
        "The returned SSL element size (20) does not match the expected size (28).", "20", "28"),
    keyed_row<s7lib::total_bytes_mismatch>(
        "total_bytes_mismatch", "libs7.error.total_bytes_mismatch",
        "#:libs7.error.total_bytes_mismatch[38,40]",
        "The returned SSL size (38) does not match the expected size (40).", "38", "40"),
    keyed_row<s7lib::failed_to_read_szl_data_into_type>(
        "failed_to_read_szl_data_into_type", "libs7.error.failed_to_read_szl_data_into_type",
        "#:libs7.error.failed_to_read_szl_data_into_type[]", "Failed to read SSL data into type."),
    keyed_row<s7lib::unexpected_multiple_elements>(
        "unexpected_multiple_elements", "libs7.error.unexpected_multiple_elements",
        "#:libs7.error.unexpected_multiple_elements[]",
        "The returned SSL contained more than one element. Veltra expects exactly one element."),
    keyed_row<tcp::could_not_resolve_host_name>(
        "could_not_resolve_host_name", "error.could_not_resolve_host_name",
        "#:error.could_not_resolve_host_name[plc.example]",
        "IP address for \"plc.example\" could not be found. Check the IP address and DNS name in the "
        "settings of the parent device.",
        "plc.example"),
    keyed_row<rest::add_header_failed>("add_header_failed", "libresthelper.error.add_header_failed",
                                       "#:libresthelper.error.add_header_failed[X-Auth-Token]",
                                       "Adding header X-Auth-Token failed.", "X-Auth-Token"),
    keyed_row<rest::header_not_found>("header_not_found", "libresthelper.error.header_not_found",
                                      "#:libresthelper.error.header_not_found[Content-Type]",
                                      "Header Content-Type not found.", "Content-Type"),
    keyed_row<rest::multiple_authentication_methods>(
        "multiple_authentication_methods", "libresthelper.error.multiple_authentication_methods",
        "#:libresthelper.error.multiple_authentication_methods[]",
        "Multiple authentication methods specified."),
    keyed_row<rest::variable_name_empty>("variable_name_empty", "libresthelper.error.variable_name_empty",
                                         "#:libresthelper.error.variable_name_empty[]",
                                         "The name of a query parameter was empty."),
    keyed_row<rest::connection_failed_with_proxy>(
        "connection_failed_with_proxy", "libresthelper.error.connection_failed_with_proxy",
        "#:libresthelper.error.connection_failed_with_proxy[Could not resolve proxy\\: proxy.local]",
        "The sensor could not connect to the proxy server or target server. Check the proxy settings and if "
        "the sensor can reach the proxy server. Could not resolve proxy: proxy.local",
        "Could not resolve proxy: proxy.local"),
    keyed_row<rest::connection_failed_with_proxy_auth>(
        "connection_failed_with_proxy_auth", "libresthelper.error.connection_failed_with_proxy_auth",
        "#:libresthelper.error.connection_failed_with_proxy_auth[]",
        "The sensor could not connect to the proxy server. Authentication failed."),
    keyed_row<rest::authentication_failed>(
        "authentication_failed", "libresthelper.error.authentication_failed",
        "#:libresthelper.error.authentication_failed[{\"error\"\\:\"denied\"}]",
        "The sensor could not authenticate against the server. Check your credentials in the device "
        "settings. {\"error\":\"denied\"}",
        "{\"error\":\"denied\"}"),
    keyed_row<rest::not_found>("not_found", "libresthelper.error.not_found",
                               "#:libresthelper.error.not_found[]",
                               "The requested resource was not found on the remote server."),
    keyed_row<rest::request_timeout>(
        "request_timeout", "libresthelper.error.request_timeout",
        "#:libresthelper.error.request_timeout[Operation timed out after 5000 milliseconds]",
        "Request timeout. Operation timed out after 5000 milliseconds",
        "Operation timed out after 5000 milliseconds"),
    keyed_row<rest::too_many_requests>("too_many_requests", "libresthelper.error.too_many_requests",
                                       "#:libresthelper.error.too_many_requests[]",
                                       "Too many requests were sent to the remote server."),
    keyed_row<rest::full_url_not_allowed>(
        "full_url_not_allowed", "libresthelper.error.full_url_not_allowed",
        "#:libresthelper.error.full_url_not_allowed[https\\://plc/api/jsonrpc]",
        "Full url https://plc/api/jsonrpc cannot be accepted on rest client creation, please only use "
        "schema://host:port",
        "https://plc/api/jsonrpc"),
    keyed_row<parser::empty_result>("empty_result", "libparser.error.empty_result",
                                    "#:libparser.error.empty_result[/error/code]",
                                    "The queried field \"/error/code\" is empty.", "/error/code"),
    keyed_row<parser::unexpected_type_error>("unexpected_type_error", "libparser.error.unexpected_type",
                                             "#:libparser.error.unexpected_type[object]",
                                             "The received value has an unexpected data type. object",
                                             "object"),
    keyed_row<json::parse_error>(
        "parse_error", "libjsonparser.error.parse",
        "#:libjsonparser.error.parse[Unexpected end of file at line 1 and column 2]",
        "The received JSON data could not be parsed. Unexpected end of file at line 1 and column 2",
        "Unexpected end of file at line 1 and column 2"),
    keyed_row<json::query_error>("query_error", "libjsonparser.error.query",
                                 "#:libjsonparser.error.query[Expected /]",
                                 "The provided JSONPath is incorrect. Expected /", "Expected /"),
    keyed_row<json::conversion_error>("conversion_error", "libjsonparser.error.conversion",
                                      "#:libjsonparser.error.conversion[12a,integer]",
                                      "'12a' could not be converted to 'integer'.", "12a", "integer"),
    keyed_row<json::unexpected_array_error>(
        "unexpected_array_error", "libjsonparser.error.unexpected_array",
        "#:libjsonparser.error.unexpected_array[Array size is\\: 2]",
        "The received value is an array instead of a single value. Array size is: 2", "Array size is: 2"),
};

TEST(exception_classes, every_concrete_class_carries_its_key_and_exact_text) {
    for (const auto& row : keyed_cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.class_key, row.expected_key);
        try {
            row.raise();
            ADD_FAILURE() << "nothing thrown";
        } catch (const i18n::i18n_exception& error) {
            EXPECT_EQ(std::type_index(typeid(error)), row.type);
            EXPECT_EQ(error.get_message().identifier(), row.expected_identifier);
            EXPECT_EQ(error.get_message().text(), row.expected_text);
            EXPECT_EQ(error.what(), row.expected_text);
        }
    }
}

TEST(exception_classes, a_copy_keeps_the_message) {
    const rest::connection_failed_with_proxy_auth original;
    const rest::connection_failed_with_proxy_auth copy = original;
    EXPECT_EQ(copy.get_message(), original.get_message());
    EXPECT_STREQ(copy.what(), original.what());
}

// ---- Catching by base ----

TEST(exception_classes, proxy_auth_failure_is_a_connection_failure) {
    try {
        throw rest::connection_failed_with_proxy_auth();
    } catch (const rest::request_failed&) {
        ADD_FAILURE() << "caught as request_failed";
    } catch (const rest::connection_failed& error) {
        EXPECT_EQ(error.get_message().identifier(),
                  "#:libresthelper.error.connection_failed_with_proxy_auth[]");
        EXPECT_STREQ(error.what(),
                     "The sensor could not connect to the proxy server. Authentication failed.");
    }
    EXPECT_THROW(throw rest::connection_failed_with_proxy_auth(), rest::connection_failed_with_proxy);
    EXPECT_THROW(throw rest::connection_failed_with_proxy("x"), rest::connection_failed);
}

TEST(exception_classes, request_failures_are_caught_as_request_failed) {
    EXPECT_THROW(throw rest::request_timeout("timed out"), rest::request_failed);
    EXPECT_THROW(throw rest::authentication_failed("body"), rest::request_failed);
    EXPECT_THROW(throw rest::not_found(), rest::request_failed);
    EXPECT_THROW(throw rest::too_many_requests(), rest::request_failed);
    EXPECT_THROW(throw rest::full_url_not_allowed("https://plc/x"), rest::invalid_url);
    EXPECT_THROW(throw rest::header_not_found("h"), rest::exception);
}

TEST(exception_classes, both_invalid_params_classes_report_the_redundancy_key) {
    const s7ex::read_mode_selector_state_invalid_params selector;
    const s7ex::read_operating_mode_invalid_params operating_mode;
    EXPECT_EQ(selector.get_message().identifier(), "#:error.plc_redundancy_id_invalid_params[]");
    EXPECT_EQ(operating_mode.get_message().identifier(), "#:error.plc_redundancy_id_invalid_params[]");
    EXPECT_EQ(selector.get_message(), operating_mode.get_message());
    EXPECT_STREQ(selector.what(),
                 "Invalid parameter: The 'redundancy_id' parameter is not valid for this CPU type.");

    // Distinct types: a handler for one does not take the other.
    try {
        throw s7ex::read_operating_mode_invalid_params();
    } catch (const s7ex::read_mode_selector_state_invalid_params&) {
        ADD_FAILURE() << "caught by the mode selector's class";
    } catch (const s7ex::jsonrpc_exception& error) {
        EXPECT_EQ(typeid(error), typeid(s7ex::read_operating_mode_invalid_params));
    }
}

TEST(exception_classes, json_errors_are_caught_as_parser_errors) {
    const std::function<void()> throwers[] = {
        [] { throw json::parse_error("eof"); },
        [] { throw json::query_error("bad path"); },
        [] { throw json::conversion_error("12a", "integer"); },
        [] { throw json::unexpected_array_error("Array size is: 2"); },
    };
    for (const auto& raise : throwers) EXPECT_THROW(raise(), parser::exception);
}

TEST(exception_classes, list_checks_are_not_connection_errors) {
    try {
        throw s7lib::total_bytes_mismatch("38", "40");
    } catch (const s7lib::exception&) {
        ADD_FAILURE() << "caught as a libs7 connection error";
    } catch (const i18n::i18n_exception& error) {
        EXPECT_STREQ(error.what(), "The returned SSL size (38) does not match the expected size (40).");
    }
    EXPECT_THROW(throw s7lib::szl_too_large("00a0", "0000"), s7lib::exception);
}

TEST(exception_classes, protocol_and_web_api_errors_are_s7_errors) {
    EXPECT_THROW(throw s7ex::no_leds_found(), s7ex::s7_protocol_exception);
    EXPECT_THROW(throw s7ex::unexpected_led_id("1005", "01", "00"), s7ex::exception);
    EXPECT_THROW(throw s7ex::api_login_failed(), s7ex::jsonrpc_exception);
    EXPECT_THROW(throw s7ex::modules_browse_not_supported(), s7ex::exception);
    EXPECT_THROW(throw tcp::could_not_resolve_host_name("plc"), tcp::exception);
}

TEST(exception_classes, formatter_errors_are_not_localised) {
    bool caught_as_libexception = false;
    try {
        probekit::libstringutils::format_string("100 %");
    } catch (const i18n::i18n_exception&) {
        ADD_FAILURE() << "caught as i18n_exception";
    } catch (const probekit::libexception::exception& error) {
        caught_as_libexception = true;
        EXPECT_EQ(typeid(error), typeid(stringutils::format_string_error));
        EXPECT_STREQ(error.what(), "Malformed placeholder in format string.");
    }
    EXPECT_TRUE(caught_as_libexception);

    try {
        throw stringutils::format_string_error();
    } catch (const i18n::i18n_exception&) {
        ADD_FAILURE() << "caught as i18n_exception";
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), "Malformed placeholder in format string.");
    }
}

// ---- Bases and intermediate classes take a ready message from the thrower ----

struct given_case {
    std::string name;
    i18n::i18n_msg message;
    std::type_index type;
    std::function<void()> raise;  // throws the class by value, built from the ready message
};

template <typename Error>
given_case given_row(std::string name, const i18n::message_key& key, std::vector<std::string> arguments) {
    auto message = i18n::make_msg(key, std::span<const std::string>(arguments));
    return {std::move(name), message, typeid(Error), [message] { throw Error(message); }};
}

TEST(exception_classes, intermediate_classes_carry_the_message_given_by_the_thrower) {
    const given_case rows[] = {
        given_row<rest::connection_failed>("rest connection_failed", keys::libresthelper::connection_failed,
                                           {"Could not connect to server"}),
        given_row<rest::request_failed>("rest request_failed", keys::libresthelper::request_failed,
                                        {"500", "Internal Server Error", ""}),
        given_row<rest::invalid_url>("rest invalid_url", keys::libresthelper::invalid_url, {"https://[::1"}),
        given_row<rest::exception>("rest exception", keys::libresthelper::invalid_method, {"PATCH"}),
        given_row<s7ex::exception>("s7 exception", keys::libi18n::generic, {"x"}),
        given_row<s7ex::jsonrpc_exception>("s7 jsonrpc_exception", keys::s7::api_unexpected_error, {}),
        given_row<s7ex::s7_protocol_exception>("s7 s7_protocol_exception", keys::s7::no_leds_found, {}),
        given_row<s7lib::exception>("libs7 exception", keys::libs7::generic, {"timeout"}),
        given_row<tcp::exception>("libtcp exception", keys::libi18n::generic, {"x"}),
        given_row<parser::exception>("libparser exception", keys::libi18n::generic, {"x"}),
        given_row<json::exception>("libjsonparser exception", keys::libjsonparser::invalid_content_type,
                                   {"text/html"}),
        given_row<utils::service_container_error>("service_container_error",
                                                  keys::libvexahelper::service_container, {"x"}),
        given_row<utils::initialization_error>("initialization_error", keys::libvexahelper::initialization,
                                               {"x"}),
        given_row<utils::invalid_lookup_value>("invalid_lookup_value",
                                               keys::libvexahelper::invalid_lookup_value, {"16", "0 to 15"}),
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        try {
            row.raise();
            ADD_FAILURE() << "nothing thrown";
        } catch (const i18n::i18n_exception& error) {
            EXPECT_EQ(std::type_index(typeid(error)), row.type);
            EXPECT_EQ(error.get_message(), row.message);
            EXPECT_EQ(error.what(), row.message.text());
        }
    }

    try {
        throw rest::request_failed(
            i18n::make_msg(keys::libresthelper::request_failed, "500", "Internal Server Error", ""));
    } catch (const rest::exception& error) {
        EXPECT_EQ(error.get_message().identifier(),
                  "#:libresthelper.error.request_failed[500,Internal Server Error,]");
        EXPECT_STREQ(error.what(),
                     "The sensor could not get a response from the server. 500 (Internal Server Error). ");
    }
}

}  // namespace
