#pragma once

#include "libi18n/error_keys.hpp"
#include "libi18n/i18n_exception.hpp"
#include "libi18n/keyed_exception.hpp"

// Errors the sensors raise themselves: answers of the S7 Web API and S7 protocol data
// the sensors cannot use. None is retried within a scan; the next scan starts over.
namespace korvel::probekit::s7::exceptions {

namespace keys = libi18n::error_keys::s7;
using libi18n::keyed_exception;

// Base of the sensor-side S7 errors; the thrower gives the message.
class exception : public libi18n::i18n_exception {
public:
    using i18n_exception::i18n_exception;
};

// Errors reported by the S7 Web API; the thrower gives the message.
class jsonrpc_exception : public exception {
public:
    using exception::exception;
};

// clang-format off
class api_login_failed : public keyed_exception<jsonrpc_exception, keys::api_login_failed> { public: using keyed_exception::keyed_exception; };
class api_login_infrastructure_error : public keyed_exception<jsonrpc_exception, keys::api_login_infrastructure_error> { public: using keyed_exception::keyed_exception; };
class api_login_no_resources : public keyed_exception<jsonrpc_exception, keys::api_login_no_resources> { public: using keyed_exception::keyed_exception; };
class api_login_not_accepted : public keyed_exception<jsonrpc_exception, keys::api_login_not_accepted> { public: using keyed_exception::keyed_exception; };
class api_login_password_expired : public keyed_exception<jsonrpc_exception, keys::api_login_password_expired> { public: using keyed_exception::keyed_exception; };
class api_permission_denied : public keyed_exception<jsonrpc_exception, keys::api_permission_denied> { public: using keyed_exception::keyed_exception; };
class api_protocol_not_supported : public keyed_exception<jsonrpc_exception, keys::api_protocol_not_supported> { public: using keyed_exception::keyed_exception; };
class api_unexpected_error : public keyed_exception<jsonrpc_exception, keys::api_unexpected_error> { public: using keyed_exception::keyed_exception; };

class alarms_browse_internal_error : public keyed_exception<jsonrpc_exception, keys::alarms_browse_internal_error> { public: using keyed_exception::keyed_exception; };
class alarms_browse_not_supported : public keyed_exception<jsonrpc_exception, keys::alarms_browse_not_supported> { public: using keyed_exception::keyed_exception; };
class modules_browse_internal_error : public keyed_exception<jsonrpc_exception, keys::modules_browse_internal_error> { public: using keyed_exception::keyed_exception; };
class modules_browse_not_supported : public keyed_exception<jsonrpc_exception, keys::modules_browse_not_supported> { public: using keyed_exception::keyed_exception; };
class modules_read_status_internal_error : public keyed_exception<jsonrpc_exception, keys::modules_read_status_internal_error> { public: using keyed_exception::keyed_exception; };

class read_mode_selector_state_internal_error : public keyed_exception<jsonrpc_exception, keys::plc_read_mode_selector_state_internal_error> { public: using keyed_exception::keyed_exception; };
class read_operating_mode_internal_error : public keyed_exception<jsonrpc_exception, keys::plc_read_operating_mode_internal_error> { public: using keyed_exception::keyed_exception; };
// clang-format on

// Code -32602 of the two mode reads: the controller rejects the redundancy id. Both carry one key,
// but they are distinct types, so a handler can tell which request was rejected.
// clang-format off
class read_mode_selector_state_invalid_params : public keyed_exception<jsonrpc_exception, keys::plc_redundancy_id_invalid_params> { public: using keyed_exception::keyed_exception; };
class read_operating_mode_invalid_params : public keyed_exception<jsonrpc_exception, keys::plc_redundancy_id_invalid_params> { public: using keyed_exception::keyed_exception; };
// clang-format on

// Errors found in S7 protocol data; the thrower gives the message.
class s7_protocol_exception : public exception {
public:
    using exception::exception;
};

// clang-format off
class no_leds_found : public keyed_exception<s7_protocol_exception, keys::no_leds_found> { public: using keyed_exception::keyed_exception; };
class unexpected_led_id : public keyed_exception<s7_protocol_exception, keys::unexpected_led_id> { public: using keyed_exception::keyed_exception; };
class unexpected_led_status : public keyed_exception<s7_protocol_exception, keys::unexpected_led_status> { public: using keyed_exception::keyed_exception; };
// clang-format on

}  // namespace korvel::probekit::s7::exceptions
