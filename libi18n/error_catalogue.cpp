#include "libi18n/error_catalogue.hpp"

#include "libi18n/error_keys.hpp"

namespace korvel::probekit::libi18n {
namespace {

namespace keys = error_keys;

const catalogued_error catalogue[] = {
    {keys::libvexahelper::already_contains_factory, translation_coverage::all_languages},
    {keys::libvexahelper::already_contains_instance, translation_coverage::all_languages},
    {keys::libvexahelper::already_contains_instance_key, translation_coverage::all_languages},
    {keys::libvexahelper::channel_already_defined, translation_coverage::all_languages},
    {keys::libvexahelper::channel_map_not_initialized, translation_coverage::all_languages},
    {keys::libvexahelper::channel_not_defined, translation_coverage::all_languages},
    {keys::libvexahelper::create_protobuf_from_json_failed, translation_coverage::all_languages},
    {keys::libvexahelper::factory_not_available, translation_coverage::all_languages},
    {keys::libvexahelper::initialization, translation_coverage::all_languages},
    {keys::libvexahelper::instance_not_available, translation_coverage::all_languages},
    {keys::libvexahelper::instance_not_available_key, translation_coverage::all_languages},
    {keys::libvexahelper::invalid_channel_mode, translation_coverage::all_languages},
    {keys::libvexahelper::invalid_lookup_value, translation_coverage::all_languages},
    {keys::libvexahelper::invalid_reverse_lookup_value, translation_coverage::all_languages},
    {keys::libvexahelper::lookup_name_not_defined, translation_coverage::all_languages},
    {keys::libvexahelper::message_deserialization_failed, translation_coverage::all_languages},
    {keys::libvexahelper::message_exception, translation_coverage::all_languages},
    {keys::libvexahelper::message_serialization_failed, translation_coverage::all_languages},
    {keys::libvexahelper::message_too_long, translation_coverage::all_languages},
    {keys::libvexahelper::notification_already_registered, translation_coverage::all_languages},
    {keys::libvexahelper::sensor_already_registered, translation_coverage::all_languages},
    {keys::libvexahelper::sensor_not_in_sensor_stock, translation_coverage::all_languages},
    {keys::libvexahelper::sensor_registry, translation_coverage::all_languages},
    {keys::libvexahelper::service_container, translation_coverage::all_languages},
    {keys::libvexahelper::setting_invalid, translation_coverage::all_languages},
    {keys::libvexahelper::setting_invalid_bigger_max, translation_coverage::all_languages},
    {keys::libvexahelper::setting_invalid_less_min, translation_coverage::all_languages},
    {keys::libvexahelper::setting_not_available, translation_coverage::all_languages},
    {keys::libvexahelper::setting_selection_parse_error, translation_coverage::all_languages},
    {keys::libvexahelper::string_too_long, translation_coverage::all_languages},
    {keys::libvexahelper::template_specialization_missing, translation_coverage::all_languages},
};

}  // namespace

std::span<const catalogued_error> error_catalogue() { return catalogue; }

}  // namespace korvel::probekit::libi18n
