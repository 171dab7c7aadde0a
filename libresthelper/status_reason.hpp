#pragma once

#include <string>

namespace korvel::probekit::libresthelper {

// The reason text of a standard status code, its name split into words ("Not Found",
// "URI Too Long"). 200 and codes without a name throw std::invalid_argument with
// "The given status code is invalid:" followed by the code.
std::string status_reason(long status);

// The reason text for a message: the status's name in words; for a code without a name the words of
// its class ("Successful" for 200, "Redirection" for 399); "No response code received" for 0. Never
// throws, so the lookup's own error cannot hide the failure being reported.
std::string status_reason_text(long status);

}  // namespace korvel::probekit::libresthelper
