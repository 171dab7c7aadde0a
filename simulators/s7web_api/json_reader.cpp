#include "simulators/s7web_api/json_reader.hpp"

#include <algorithm>

namespace korvel::probekit::simulators {

json_reader::json_reader(const nlohmann::json& value, std::string where)
    : value_(value), where_(std::move(where)) {
    if (!value_.is_object()) throw scenario_error((where_.empty() ? "/" : where_) + ": expected an object");
}

void json_reader::allow_only(std::initializer_list<std::string_view> known) const {
    for (const auto& [key, value] : value_.items()) {
        if (std::find(known.begin(), known.end(), key) == known.end()) fail(key, "no such member");
    }
}

bool json_reader::has(const std::string& key) const {
    return value_.contains(key);
}

const nlohmann::json& json_reader::member(const std::string& key) const {
    return value_.at(key);
}

json_reader json_reader::object(const std::string& key) const {
    if (!has(key) || !member(key).is_object()) fail(key, "expected an object");
    return json_reader(member(key), where_ + "/" + key);
}

std::string json_reader::text(const std::string& key, std::optional<std::string> fallback,
                              std::size_t max_length) const {
    if (!has(key)) {
        if (!fallback) fail(key, "missing");
        return *fallback;
    }
    const auto& value = member(key);
    if (!value.is_string() || value.get_ref<const std::string&>().size() > max_length)
        fail(key, "expected a text of at most " + std::to_string(max_length) + " characters");
    return value.get<std::string>();
}

std::optional<std::string> json_reader::optional_text(const std::string& key, std::size_t max_length) const {
    if (!has(key)) return std::nullopt;
    return text(key, std::nullopt, max_length);
}

std::int64_t json_reader::integer(const std::string& key, std::optional<std::int64_t> fallback,
                                  std::int64_t min, std::int64_t max) const {
    if (!has(key)) {
        if (!fallback) fail(key, "missing");
        return *fallback;
    }
    const auto& value = member(key);
    // The parser keeps every non-negative integer as unsigned, so both kinds are compared with both ends.
    bool fits = false;
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        fits = number <= static_cast<std::uint64_t>(max) &&
               (min <= 0 || number >= static_cast<std::uint64_t>(min));
    } else if (value.is_number_integer()) {
        const auto number = value.get<std::int64_t>();
        fits = number >= min && number <= max;
    }
    if (!fits) fail(key, "expected an integer from " + std::to_string(min) + " to " + std::to_string(max));
    return value.get<std::int64_t>();
}

std::uint64_t json_reader::unsigned_integer(const std::string& key) const {
    if (!has(key) || !member(key).is_number_unsigned()) fail(key, "expected an integer from 0 to 2^64-1");
    return member(key).get<std::uint64_t>();
}

double json_reader::number(const std::string& key, double fallback) const {
    if (!has(key)) return fallback;
    if (!member(key).is_number() || member(key).get<double>() <= 0) fail(key, "expected a positive number");
    return member(key).get<double>();
}

bool json_reader::flag(const std::string& key, bool fallback) const {
    if (!has(key)) return fallback;
    if (!member(key).is_boolean()) fail(key, "expected true or false");
    return member(key).get<bool>();
}

std::vector<json_reader> json_reader::elements(const std::string& key, std::size_t max_count) const {
    std::vector<json_reader> readers;
    if (!has(key)) return readers;
    const auto& array = member(key);
    if (!array.is_array() || array.size() > max_count)
        fail(key, "expected an array of at most " + std::to_string(max_count) + " elements");
    readers.reserve(array.size());
    for (std::size_t index = 0; index < array.size(); ++index)
        readers.emplace_back(array[index], where_ + "/" + key + "/" + std::to_string(index));
    return readers;
}

std::vector<std::string> json_reader::texts(const std::string& key, std::size_t max_count,
                                            std::size_t max_length) const {
    std::vector<std::string> values;
    if (!has(key)) return values;
    const auto& array = member(key);
    const auto fits = [max_length](const nlohmann::json& element) {
        return element.is_string() && element.get_ref<const std::string&>().size() <= max_length;
    };
    if (!array.is_array() || array.size() > max_count || !std::all_of(array.begin(), array.end(), fits))
        fail(key, "expected an array of at most " + std::to_string(max_count) + " texts of at most " +
                      std::to_string(max_length) + " characters");
    for (const auto& element : array) values.push_back(element.get<std::string>());
    return values;
}

void json_reader::fail(const std::string& member, const std::string& expected) const {
    throw scenario_error(where_ + "/" + member + ": " + expected);
}

}  // namespace korvel::probekit::simulators
