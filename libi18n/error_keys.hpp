#pragma once

// Every error key of the module with its English default text, in one place: the exception classes
// and the descriptor's English text table both read from here, so no text is written twice.
// Which languages carry a translation of each key is recorded in error_catalogue.cpp.

#include "libi18n/message_key.hpp"

namespace korvel::probekit::libi18n::error_keys {

// Framework-template errors: service container, settings validation, channels and lookups.
// Thrown by the module's templates and the framework layer; never retried.
namespace libvexahelper {
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
inline constexpr message_key template_specialization_missing{"libvexahelper.error.template_specialization_missing", "Template specialization is missing the type: \"%0:s\""};}  // namespace libvexahelper

}  // namespace korvel::probekit::libi18n::error_keys
