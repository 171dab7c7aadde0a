#include "s7/answers_by_id.hpp"

#include <unordered_set>

#include "liblog/log_levels.hpp"
#include "liblog/log_line.hpp"
#include "libresthelper/quoted_text.hpp"
#include "s7/s7web/answer_reading.hpp"

namespace korvel::probekit::s7 {

s7web::s7web_client::answers first_answer_per_id(s7web::s7web_client::answers answers,
                                                 liblog::log_interface& log) {
    std::unordered_set<std::string> seen;
    s7web::s7web_client::answers kept;
    kept.reserve(answers.size());
    for (auto& answer : answers) {
        std::string id = s7web::text_or_empty(*answer, "id");
        if (seen.insert(id).second) {
            kept.push_back(std::move(answer));
        } else {
            liblog::write_line(log, liblog::level::warning, "Ignoring a further answer with the id \"",
                               libresthelper::quoted_text(id, 64), "\"; the first one counts");
        }
    }
    return kept;
}

std::unordered_map<std::string, const libparser::parser_interface*> answers_by_id(
    const s7web::s7web_client::answers& answers) {
    std::unordered_map<std::string, const libparser::parser_interface*> index;
    for (const auto& answer : answers) index.try_emplace(s7web::text_or_empty(*answer, "id"), answer.get());
    return index;
}

}  // namespace korvel::probekit::s7
