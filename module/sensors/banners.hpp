#pragma once

#include <string_view>

namespace korvel::probekit::libvexahelper::sensors::banners {

inline constexpr std::string_view initializing = "#################### Initializing ####################";
inline constexpr std::string_view enter_scan = "#################### Enter sensor scan ####################";
inline constexpr std::string_view exit_scan = "#################### Exit sensor scan  ####################";
inline constexpr std::string_view cleaning_up = "#################### Cleaning Up  ####################";

inline constexpr std::string_view module_version = "1.21.0.22799";

}  // namespace korvel::probekit::libvexahelper::sensors::banners
