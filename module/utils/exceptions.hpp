#pragma once

#include "libi18n/error_keys.hpp"
#include "libi18n/i18n_exception.hpp"
#include "libi18n/keyed_exception.hpp"

// Errors of the framework templates (service container, settings, channels, lookups).
// None of them is retried: they describe the module's own set-up or the host's settings.
namespace korvel::probekit::libvexahelper::utils::exceptions {

namespace keys = libi18n::error_keys::libvexahelper;
using libi18n::keyed_exception;

class exception : public libi18n::i18n_exception {
public:
    using i18n_exception::i18n_exception;
};

// Store errors leave both stores unchanged.
class service_container_error : public exception {
public:
    using exception::exception;
};

// clang-format off
class already_contains_factory : public keyed_exception<service_container_error, keys::already_contains_factory> { public: using keyed_exception::keyed_exception; };
class factory_not_available : public keyed_exception<service_container_error, keys::factory_not_available> { public: using keyed_exception::keyed_exception; };
class already_contains_instance : public keyed_exception<service_container_error, keys::already_contains_instance> { public: using keyed_exception::keyed_exception; };
class already_contains_instance_key : public keyed_exception<service_container_error, keys::already_contains_instance_key> { public: using keyed_exception::keyed_exception; };
class instance_not_available : public keyed_exception<service_container_error, keys::instance_not_available> { public: using keyed_exception::keyed_exception; };
class instance_not_available_key : public keyed_exception<service_container_error, keys::instance_not_available_key> { public: using keyed_exception::keyed_exception; };
// clang-format on

class initialization_error : public exception {
public:
    using exception::exception;
};

class channel_map_not_initialized : public keyed_exception<initialization_error, keys::channel_map_not_initialized> {
public:
    using keyed_exception::keyed_exception;
};

// Thrown by the settings validators for a missing required value; absorbed where a setting is optional.
class setting_not_available : public keyed_exception<exception, keys::setting_not_available> {
public:
    using keyed_exception::keyed_exception;
};

class setting_selection_parse_error : public keyed_exception<exception, keys::setting_selection_parse_error> {
public:
    using keyed_exception::keyed_exception;
};

class invalid_lookup_value : public libi18n::i18n_exception {
public:
    using i18n_exception::i18n_exception;
};

}  // namespace korvel::probekit::libvexahelper::utils::exceptions
