#pragma once

namespace korvel::probekit::libvexahelper::module {

// Results of the dispatcher, passed to the host as the exports' return values. 0 is success; the
// values 2 and 3 belong to the module's exports (exception, not initialised) and are never used here.
enum class sensor_create_response_code : int {
    success = 0,
    unknown_sensor_kind = 16,
    sensor_id_in_use = 17,
};

enum class sensor_scan_response_code : int {
    success = 0,
    sensor_not_found = 16,
};

enum class check_response_code : int {
    success = 0,
    unknown_check_kind = 16,
};

enum class meta_scan_response_code : int {
    success = 0,
    not_supported = 16,
};

enum class sensor_destroy_response_code : int {
    success = 0,
    sensor_not_found = 16,
};

}  // namespace korvel::probekit::libvexahelper::module
