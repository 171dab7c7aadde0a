#pragma once

#include <string>
#include <unordered_map>

#include "liblog/log_interface.hpp"
#include "libparser/parser_interface.hpp"
#include "s7/s7web/s7web_client.hpp"

namespace korvel::probekit::s7 {

// The answers of a batch without those whose id an earlier answer has, in their order: a device that
// repeats an id must not have one reader take the first and another the last. Each answer dropped is
// logged at warning level.
s7web::s7web_client::answers first_answer_per_id(s7web::s7web_client::answers answers,
                                                 liblog::log_interface& log);

// The answers of a batch by their id; where a device repeats an id, the first answer counts. The
// pointers live as long as `answers`.
std::unordered_map<std::string, const libparser::parser_interface*> answers_by_id(
    const s7web::s7web_client::answers& answers);

}  // namespace korvel::probekit::s7
