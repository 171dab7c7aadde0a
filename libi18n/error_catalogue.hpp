#pragma once

#include <span>

#include "libi18n/message_key.hpp"

namespace korvel::probekit::libi18n {

// Which of the descriptor's nine languages carry a text for a key.
enum class translation_coverage {
    all_languages,
    english_german_spanish_dutch,
    english_german_spanish,
    english_only,
};

struct catalogued_error {
    const message_key& key;
    translation_coverage coverage;
};

// All error keys, in the order of the catalogue.
std::span<const catalogued_error> error_catalogue();

}  // namespace korvel::probekit::libi18n
