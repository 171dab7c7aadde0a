#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "simulators/s7web_api/scenario_error.hpp"

namespace korvel::probekit::simulators {

// Reads one JSON object of a scenario with bounds on every value, so a bad file fails at once with
// the member's place rather than as a strange device later.
class json_reader {
public:
    json_reader(const nlohmann::json& value, std::string where);

    // Fails for a member that is not among these, which catches a misspelt name.
    void allow_only(std::initializer_list<std::string_view> known) const;
    bool has(const std::string& key) const;
    json_reader object(const std::string& key) const;
    std::string text(const std::string& key, std::optional<std::string> fallback,
                     std::size_t max_length) const;
    std::optional<std::string> optional_text(const std::string& key, std::size_t max_length) const;
    std::int64_t integer(const std::string& key, std::optional<std::int64_t> fallback, std::int64_t min,
                         std::int64_t max) const;
    std::uint64_t unsigned_integer(const std::string& key) const;
    double number(const std::string& key, double fallback) const;
    bool flag(const std::string& key, bool fallback) const;
    // The elements of an array member (none when it is absent), at most max_count of them.
    std::vector<json_reader> elements(const std::string& key, std::size_t max_count) const;
    std::vector<std::string> texts(const std::string& key, std::size_t max_count,
                                   std::size_t max_length) const;

    const std::string& where() const { return where_; }
    [[noreturn]] void fail(const std::string& member, const std::string& expected) const;

private:
    const nlohmann::json& member(const std::string& key) const;

    const nlohmann::json& value_;
    std::string where_;
};

}  // namespace korvel::probekit::simulators
