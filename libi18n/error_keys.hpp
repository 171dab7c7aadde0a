#pragma once

// Every error key of the module with its English default text, in one place: the exception classes
// and the descriptor's English text table both read from here, so no text is written twice.
// Which languages carry a translation of each key is recorded in error_catalogue.cpp. The texts are
// the product: change none without changing every translation of it.

#include "libi18n/message_key.hpp"

namespace korvel::probekit::libi18n::error_keys {

// Framework-template errors: service container, settings validation, channels and lookups.
// Thrown by the module's templates and the framework layer; never retried.
namespace libvexahelper {
// clang-format off
inline constexpr message_key already_contains_factory{"libvexahelper.error.already_contains_factory", "The factory store already contains a factory with type %0:s."};
inline constexpr message_key already_contains_instance{"libvexahelper.error.already_contains_instance", "The instance store already contains an instance with type %0:s."};
inline constexpr message_key already_contains_instance_key{"libvexahelper.error.already_contains_instance_key", "The instance store already contains an instance with type %0:s and key %1:s."};
inline constexpr message_key channel_already_defined{"libvexahelper.error.channel_already_defined", "Channel with ID %0:s and name %1:s is already defined."};
inline constexpr message_key channel_map_not_initialized{"libvexahelper.error.channel_map_not_initialized", "Channel map is not initialized."};
inline constexpr message_key channel_not_defined{"libvexahelper.error.channel_not_defined", "Channel with ID %0:s is not defined."};
inline constexpr message_key create_protobuf_from_json_failed{"libvexahelper.error.create_protobuf_from_json_failed", "Failed to create protobuf message from JSON: %0:s"};
inline constexpr message_key factory_not_available{"libvexahelper.error.factory_not_available", "The factory store can't find a factory with type %0:s."};
inline constexpr message_key initialization{"libvexahelper.error.initialization", "Initialization error. %0:s"};
inline constexpr message_key instance_not_available{"libvexahelper.error.instance_not_available", "The instance store can't find an instance with type %0:s."};
inline constexpr message_key instance_not_available_key{"libvexahelper.error.instance_not_available_key", "The instance store can't find an instance with type %0:s and key %1:s."};
inline constexpr message_key invalid_channel_mode{"libvexahelper.error.invalid_channel_mode", "set_value called with an %0:s value, but the channel's value mode is not %1:s."};
inline constexpr message_key invalid_lookup_value{"libvexahelper.error.invalid_lookup_value", "The following lookup value is invalid: %0:s. Valid lookup values are: %1:s"};
inline constexpr message_key invalid_reverse_lookup_value{"libvexahelper.error.invalid_reverse_lookup_value", "The following reverse lookup value is invalid: %0:s. Valid reverse lookup values are: %1:s"};
inline constexpr message_key lookup_name_not_defined{"libvexahelper.error.lookup_name_not_defined", "The following lookup name is not defined: %0:s. Valid lookup names are: %1:s"};
inline constexpr message_key message_deserialization_failed{"libvexahelper.error.message_deserialization_failed", "Could not deserialize message type %0:s of size %1:s."};
inline constexpr message_key message_exception{"libvexahelper.error.message_exception", "A message error occurred. %0:s"};
inline constexpr message_key message_serialization_failed{"libvexahelper.error.message_serialization_failed", "Could not serialize message to buffer."};
inline constexpr message_key message_too_long{"libvexahelper.error.message_too_long", "The Message with size %0:s bytes is larger than the maximum allowed length of %1:s bytes."};
inline constexpr message_key notification_already_registered{"libvexahelper.error.notification_already_registered", "Notification with ID %0:s is already registered."};
inline constexpr message_key sensor_already_registered{"libvexahelper.error.sensor_already_registered", "Sensor with ID %0:s is already registered."};
inline constexpr message_key sensor_not_in_sensor_stock{"libvexahelper.error.sensor_not_in_sensor_stock", "Sensor with ID %0:s is not in sensor list."};
inline constexpr message_key sensor_registry{"libvexahelper.error.sensor_registry", "A sensor registry error occurred. %0:s"};
inline constexpr message_key service_container{"libvexahelper.error.service_container", "A service container error occurred. %0:s"};
inline constexpr message_key setting_invalid{"libvexahelper.error.setting_invalid", "Setting value %0:s is invalid. %1:s"};
inline constexpr message_key setting_invalid_bigger_max{"libvexahelper.error.setting_invalid_bigger_max", "Setting value %0:s is bigger than the allowed value of %1:s."};
inline constexpr message_key setting_invalid_less_min{"libvexahelper.error.setting_invalid_less_min", "Setting value %0:s is less than the allowed value of %1:s."};
inline constexpr message_key setting_not_available{"libvexahelper.error.setting_not_available", "The setting \"%0:s\" was not available."};
inline constexpr message_key setting_selection_parse_error{"libvexahelper.error.setting_selection_parse_error", "Value \"%0:s\" could not be parsed into selection type \"%1:s\"."};
inline constexpr message_key string_too_long{"libvexahelper.error.string_too_long", "%0:s's value with length %1:s is longer than the maximum allowed length of %2:s."};
inline constexpr message_key template_specialization_missing{"libvexahelper.error.template_specialization_missing", "Template specialization is missing the type: \"%0:s\""};
// clang-format on
}  // namespace libvexahelper

// Thrown by the Web API session and methods, the LED decoding and the resolver; never retried by a scan.
namespace s7 {
// clang-format off
inline constexpr message_key could_not_resolve_host_name{"error.could_not_resolve_host_name", "IP address for \"%0:s\" could not be found. Check the IP address and DNS name in the settings of the parent device."};
inline constexpr message_key invalid_range{"error.invalid_range", "Invalid order in line %0:s (\"%1:s\") of the port list. The port number where the scan starts must be smaller than the port number where the scan ends."};
inline constexpr message_key out_of_range{"error.out_of_range", "Invalid range in line %0:s (\"%1:s\") of the port list. The port number is outside the supported range of [i]1[/i]-[i]65535[/i]."};
inline constexpr message_key syntax_error{"error.syntax_error", "Invalid syntax in line %0:s (\"%1:s\") of the port list. %2:s"};
inline constexpr message_key alarms_browse_internal_error{"error.alarms_browse_internal_error", "An internal error occurred when reading the alarms."};
inline constexpr message_key alarms_browse_not_supported{"error.alarms_browse_not_supported", "This PLC does not support alarm monitoring. This sensor requires as of firmware version 3.1 on S7-1500 CPUs and as of firmware version 4.1 on redundant S7-1500 R/H CPUs."};
inline constexpr message_key api_login_failed{"error.api_login_failed", "The user name or password are invalid."};
inline constexpr message_key api_login_infrastructure_error{"error.api_login_infrastructure_error", "Veltra could not reach the authentication server."};
inline constexpr message_key api_login_no_resources{"error.api_login_no_resources", "The Veltra core server system does not have the required resources to carry out this request. Try again when more resources are available."};
inline constexpr message_key api_login_not_accepted{"error.api_login_not_accepted", "Veltra could not authenticate. The CPU does not support this authentication mode."};
inline constexpr message_key api_login_password_expired{"error.api_login_password_expired", "The user account password expired. Please change the password and try again."};
inline constexpr message_key api_permission_denied{"error.api_permission_denied", "The current user does not have the appropriate access rights to perform this operation. Enter a user account with 'read_diagnostics' permissions."};
inline constexpr message_key api_protocol_not_supported{"error.api_protocol_not_supported", "The device did not respond to the JSON-RPC request. Verify that the S7 Web API is enabled on the PLC."};
inline constexpr message_key api_unexpected_error{"error.api_unexpected_error", "An unexpected error occurred while communicating with the S7 Web API."};
inline constexpr message_key modules_browse_internal_error{"error.modules_browse_internal_error", "An internal error occurred while browsing the hardware configuration."};
inline constexpr message_key modules_browse_not_supported{"error.modules_browse_not_supported", "This PLC does not support hardware module monitoring. This function requires firmware version 4.1 or later and is not available on all CPU types, such as redundant S7-1500 R/H systems."};
inline constexpr message_key modules_read_status_internal_error{"error.modules_read_status_internal_error", "An internal error occurred while reading the status of a hardware module."};
inline constexpr message_key no_leds_found{"error.no_leds_found", "No LEDs found"};
inline constexpr message_key plc_read_mode_selector_state_internal_error{"error.plc_read_mode_selector_state_internal_error", "An internal error occurred while reading the mode selector state."};
inline constexpr message_key plc_read_operating_mode_internal_error{"error.plc_read_operating_mode_internal_error", "An internal error occurred while reading the operating mode."};
inline constexpr message_key plc_redundancy_id_invalid_params{"error.plc_redundancy_id_invalid_params", "Invalid parameter: The 'redundancy_id' parameter is not valid for this CPU type."};
inline constexpr message_key unexpected_led_id{"error.unexpected_led_id", "Unexpected LED ID 0x%0:s (IS_ON=0x%1:s, IS_BLINKING=0x%2:s)"};
inline constexpr message_key unexpected_led_status{"error.unexpected_led_status", "Unexpected status of LED 0x%0:s: IS_ON=0x%1:s, IS_BLINKING=0x%2:s"};
// clang-format on
}  // namespace s7

// Thrown by the snap7 connection and read_szl's list checks; read_szl retries all but szl_too_large.
namespace libs7 {
// clang-format off
inline constexpr message_key connection_failed{"libs7.error.connection_failed", "Failed to connect to %0:s:%1:s. %2:s"};
inline constexpr message_key could_not_set_recv_timeout{"libs7.error.could_not_set_recv_timeout", "Failed to set receive timeout. %0:s"};
inline constexpr message_key could_not_set_remote_port{"libs7.error.could_not_set_remote_port", "Failed to set remote port. %0:s"};
inline constexpr message_key element_size_mismatch{"libs7.error.element_size_mismatch", "The returned SSL element size (%0:s) does not match the expected size (%1:s)."};
inline constexpr message_key failed_to_read_szl_data_into_type{"libs7.error.failed_to_read_szl_data_into_type", "Failed to read SSL data into type."};
inline constexpr message_key generic{"libs7.error.generic", "Error during S7 communication: %0:s"};
inline constexpr message_key read_szl_failed{"libs7.error.read_szl_failed", "Failed to read system status list with SSL-ID 0x%0:s/0x%1:s. %2:s"};
inline constexpr message_key szl_too_large{"libs7.error.szl_too_large", "Failed to read system status list with SSL-ID 0x%0:s/0x%1:s. Too many records in the list."};
inline constexpr message_key total_bytes_mismatch{"libs7.error.total_bytes_mismatch", "The returned SSL size (%0:s) does not match the expected size (%1:s)."};
inline constexpr message_key unexpected_multiple_elements{"libs7.error.unexpected_multiple_elements", "The returned SSL contained more than one element. Veltra expects exactly one element."};
// clang-format on
}  // namespace libs7

// Thrown by the REST client's settings, URL rules and libcurl transport; never retried by a scan.
namespace libresthelper {
// clang-format off
inline constexpr message_key add_header_failed{"libresthelper.error.add_header_failed", "Adding header %0:s failed."};
inline constexpr message_key authentication_failed{"libresthelper.error.authentication_failed", "The sensor could not authenticate against the server. Check your credentials in the device settings. %0:s"};
inline constexpr message_key cannot_parse_custom_header{"libresthelper.error.cannot_parse_custom_header", "Line '%0:s' in the custom headers setting is invalid. '%1:s' does either not contain a ':' or key is empty. Each line in custom headers need to follow the syntax 'key:value'."};
inline constexpr message_key connection_failed{"libresthelper.error.connection_failed", "The sensor could not connect to the server. %0:s"};
inline constexpr message_key connection_failed_with_proxy{"libresthelper.error.connection_failed_with_proxy", "The sensor could not connect to the proxy server or target server. Check the proxy settings and if the sensor can reach the proxy server. %0:s"};
inline constexpr message_key connection_failed_with_proxy_auth{"libresthelper.error.connection_failed_with_proxy_auth", "The sensor could not connect to the proxy server. Authentication failed."};
inline constexpr message_key connection_failed_with_proxy_timeout{"libresthelper.error.connection_failed_with_proxy_timeout", "The sensor could not connect to the proxy server. Proxy server not reachable."};
inline constexpr message_key cookie_not_found{"libresthelper.error.cookie_not_found", "Cookie %0:s not found."};
inline constexpr message_key full_url_not_allowed{"libresthelper.error.full_url_not_allowed", "Full url %0:s cannot be accepted on rest client creation, please only use schema://host:port"};
inline constexpr message_key header_not_found{"libresthelper.error.header_not_found", "Header %0:s not found."};
inline constexpr message_key invalid_method{"libresthelper.error.invalid_method", "Invalid request method. %0:s"};
inline constexpr message_key invalid_url{"libresthelper.error.invalid_url", "URL %0:s could not be parsed."};
inline constexpr message_key multiple_authentication_methods{"libresthelper.error.multiple_authentication_methods", "Multiple authentication methods specified."};
inline constexpr message_key not_found{"libresthelper.error.not_found", "The requested resource was not found on the remote server."};
inline constexpr message_key request_failed{"libresthelper.error.request_failed", "The sensor could not get a response from the server. %0:s (%1:s). %2:s"};
inline constexpr message_key request_timeout{"libresthelper.error.request_timeout", "Request timeout. %0:s"};
inline constexpr message_key too_many_pages{"libresthelper.error.too_many_pages", "The number of pages provided by the API exceeds the limit of %0:s pages."};
inline constexpr message_key too_many_redirects{"libresthelper.error.too_many_redirects", "The number of redirects exceeds the limit."};
inline constexpr message_key too_many_requests{"libresthelper.error.too_many_requests", "Too many requests were sent to the remote server."};
inline constexpr message_key variable_name_empty{"libresthelper.error.variable_name_empty", "The name of a query parameter was empty."};
// clang-format on
}  // namespace libresthelper

// Thrown by the JSON query helpers; never retried (query_or_default turns both into its default).
namespace libparser {
// clang-format off
inline constexpr message_key empty_result{"libparser.error.empty_result", "The queried field \"%0:s\" is empty."};
inline constexpr message_key unexpected_type{"libparser.error.unexpected_type", "The received value has an unexpected data type. %0:s"};
// clang-format on
}  // namespace libparser

// Thrown by the jsoncons parser behind the query helpers; never retried.
namespace libjsonparser {
// clang-format off
inline constexpr message_key invalid_content_type{"libjsonparser.error.invalid_content_type", "Invalid Content-Type: REST response did return unsupported Content-Type '%0:s'."};
inline constexpr message_key conversion{"libjsonparser.error.conversion", "'%0:s' could not be converted to '%1:s'."};
inline constexpr message_key invalid_schema{"libjsonparser.error.invalid_schema", "The provided JSON data is not a valid JSON Schema. %0:s"};
inline constexpr message_key parse{"libjsonparser.error.parse", "The received JSON data could not be parsed. %0:s"};
inline constexpr message_key query{"libjsonparser.error.query", "The provided JSONPath is incorrect. %0:s"};
inline constexpr message_key unexpected_array{"libjsonparser.error.unexpected_array", "The received value is an array instead of a single value. %0:s"};
inline constexpr message_key validation{"libjsonparser.error.validation", "The received data does not match the JSON Schema. %0:s"};
// clang-format on
}  // namespace libjsonparser

// Carried for the descriptor's text table; the module's own code never throws it.
namespace libi18n {
// clang-format off
inline constexpr message_key generic{"libi18n.error.generic", "An error occurred. %0:s"};
// clang-format on
}  // namespace libi18n

// Carried for the descriptor's certificate texts; the trust store throws none of them.
namespace certificate_helper {
// clang-format off
inline constexpr message_key bad_alloc{"certificate_helper.error.bad_alloc", "Internal Error: Memory allocation failed. (%0:s)"};
inline constexpr message_key certificate_der_invalid{"certificate_helper.error.certificate_der_invalid", "The provided certificate is not in a valid DER format."};
inline constexpr message_key certificate_empty{"certificate_helper.error.certificate_empty", "The provided certificate is empty. Enter a valid certificate."};
inline constexpr message_key certificate_pem_invalid{"certificate_helper.error.certificate_pem_invalid", "The provided certificate is not in valid PEM format."};
inline constexpr message_key certificate_revocation_list_der_invalid{"certificate_helper.error.certificate_revocation_list_der_invalid", "The provided certificate revocation list is not in a valid DER format."};
inline constexpr message_key certificate_revocation_list_empty{"certificate_helper.error.certificate_revocation_list_empty", "The provided certificate revocation list is empty. Enter a valid certificate revocation list."};
inline constexpr message_key certificate_revocation_list_pem_invalid{"certificate_helper.error.certificate_revocation_list_pem_invalid", "The provided certificate revocation list is not in a valid PEM format."};
inline constexpr message_key certificate_revocation_list_signature_verification_failed{"certificate_helper.error.certificate_revocation_list_signature_verification_failed", "Failed to verify the signature of the certificate revocation list. %0:s"};
inline constexpr message_key could_not_load_private_key{"certificate_helper.error.could_not_load_private_key", "Failed to load the provided private key. %0:s"};
inline constexpr message_key could_not_load_public_key{"certificate_helper.error.could_not_load_public_key", "Failed to load the provided public key. %0:s"};
inline constexpr message_key data_encipherment_not_supported{"certificate_helper.error.data_encipherment_not_supported", "The provided certificate does not support data encipherment."};
inline constexpr message_key get_x509_issuer_failed{"certificate_helper.error.get_x509_issuer_failed", "Failed to get issuer name from certificate. %0:s"};
inline constexpr message_key get_x509_subject_failed{"certificate_helper.error.get_x509_subject_failed", "Failed to get subject name from certificate. %0:s"};
inline constexpr message_key missing_application_uri{"certificate_helper.error.missing_application_uri", "The provided certificate does not contain an URI."};
inline constexpr message_key private_key_empty{"certificate_helper.error.private_key_empty", "Missing private key. Enter a valid private key."};
inline constexpr message_key public_key_empty{"certificate_helper.error.public_key_empty", "Missing public key. Make sure the certificate contains a valid public key."};
inline constexpr message_key signature_verification_failed{"certificate_helper.error.signature_verification_failed", "Failed to verify the signature of the certificate. %0:s"};
inline constexpr message_key store_ctx_init_failed{"certificate_helper.error.store_ctx_init_failed", "Failed to initialize certificate verification context. %0:s"};
inline constexpr message_key store_set_default_paths_failed{"certificate_helper.error.store_set_default_paths_failed", "Failed to initialize the default trust store paths. %0:s"};
inline constexpr message_key windows_add_cert_failed{"certificate_helper.error.windows_add_cert_failed", "Failed to add certificate from Windows certificate store to trust store. %0:s"};
inline constexpr message_key windows_cert_store_open_failed{"certificate_helper.error.windows_cert_store_open_failed", "Failed to open Windows certificate store '%0:s'."};
inline constexpr message_key wrong_hash_length{"certificate_helper.error.wrong_hash_length", "The length (%0:s) of the provided hash is invalid. A hash with the length of %1:s is required."};
// clang-format on
}  // namespace certificate_helper

}  // namespace korvel::probekit::libi18n::error_keys
