#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvel::probekit::s7::s7web {

// What a Web API error code says, after the request it answered, for the parenthesis that follows an
// error's catalogue text: "Api.Login error 4: the controller has no free Web API session". Names the
// request and the code only, never what was sent.
std::string web_api_error_cause(std::string_view request_id, std::int64_t code);

}  // namespace korvel::probekit::s7::s7web
