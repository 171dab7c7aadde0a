#pragma once

#include <map>
#include <string>

#include "host/cli/json.hpp"

namespace korvel::probekit::host {

// Translates through the descriptor's Text table into one language, as the monitoring host does.
class translator {
public:
    translator(const json& descriptor, const std::string& language);

    // A descriptor text by key: the chosen language, else English, else the descriptor's own text.
    std::string text(const std::string& key, const std::string& fallback) const;
    // A localisable message {"id": identifier, "text": English text}: the key in the chosen language
    // with its arguments filled in, else the English text it carries.
    std::string message(const json& localisable) const;

private:
    std::map<std::string, std::string> chosen_;
    std::map<std::string, std::string> english_;
};

}  // namespace korvel::probekit::host
