#pragma once

#include <string>

namespace korvel::probekit::libresthelper {

// The reason text of a standard status code, its name split into words ("Not Found",
// "URI Too Long"). 200 and codes without a name throw std::invalid_argument with
// "The given status code is invalid:" followed by the code.
std::string status_reason(long status);

}  // namespace korvel::probekit::libresthelper
