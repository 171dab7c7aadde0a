#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "libparser/parser_interface.hpp"

namespace korvel::probekit::s7::s7web {

// The id and method of a batch's login request; its answer carries the same id.
inline constexpr std::string_view login_id = "Api.Login";

// Whether a login answer's token can be kept and sent back as a header: a device's token is 28
// characters of letters, digits, "." and "+"; up to 256 visible ASCII characters are taken, nothing
// with a space, a control character or a byte outside ASCII.
bool usable_token(std::string_view token);

// The token the answer to Api.Login among `answers` grants, read strictly: no Api.Login answer, or an
// error code that is not an integer, is api_unexpected_error; a refusal is its api_login_* error; a
// success (0, or 101) without a usable token is api_login_failed. Each says why in its cause.
std::string login_token(const std::vector<std::unique_ptr<libparser::parser_interface>>& answers);

}  // namespace korvel::probekit::s7::s7web
