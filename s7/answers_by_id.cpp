#include "s7/answers_by_id.hpp"

#include "s7/s7web/answer_reading.hpp"

namespace korvel::probekit::s7 {

std::unordered_map<std::string, const libparser::parser_interface*> answers_by_id(
    const s7web::s7web_client::answers& answers) {
    std::unordered_map<std::string, const libparser::parser_interface*> index;
    for (const auto& answer : answers) index.try_emplace(s7web::text_or_empty(*answer, "id"), answer.get());
    return index;
}

}  // namespace korvel::probekit::s7
