#pragma once

#include <map>
#include <optional>
#include <string>

namespace korvel::probekit::libvexahelper::settings {

// A sensor's copy of the values the host keeps for it between runs.
class persistent_data_storage {
public:
    persistent_data_storage() = default;
    explicit persistent_data_storage(std::map<std::string, std::string> values) : values_(std::move(values)) {}

    bool exists(const std::string& key) const { return values_.contains(key); }
    std::string& operator[](const std::string& key) { return values_[key]; }
    const std::string& at(const std::string& key) const { return values_.at(key); }
    std::optional<std::string> at_opt(const std::string& key) const {
        const auto found = values_.find(key);
        return found == values_.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    const std::map<std::string, std::string>& values() const { return values_; }

private:
    std::map<std::string, std::string> values_;
};

}  // namespace korvel::probekit::libvexahelper::settings
