#pragma once

#include <string>
#include <unordered_map>

#include "libparser/parser_interface.hpp"
#include "s7/s7web/s7web_client.hpp"

namespace korvel::probekit::s7 {

// The answers of a batch by their id; where a device repeats an id, the first answer counts. The
// pointers live as long as `answers`.
std::unordered_map<std::string, const libparser::parser_interface*> answers_by_id(
    const s7web::s7web_client::answers& answers);

}  // namespace korvel::probekit::s7
