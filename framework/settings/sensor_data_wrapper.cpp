#include "framework/settings/sensor_data_wrapper.hpp"

#include <algorithm>
#include <charconv>
#include <nlohmann/json.hpp>
#include <string_view>

#include "libi18n/error_keys.hpp"
#include "module/utils/exceptions.hpp"

namespace korvel::probekit::libvexahelper::settings {
namespace {

using json = nlohmann::json;

constexpr std::string_view masked_value = "***";

// The reasons name members and keys but never echo a value: the block holds passwords, and the error
// text reaches the host and the log. For the same reason a JSON syntax error reports only its offset.
[[noreturn]] void fail(const std::string& reason) {
    throw utils::exceptions::initialization_error(
        libi18n::make_msg(libi18n::error_keys::libvexahelper::initialization, reason));
}

std::string in_quotes(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

json parse_block(const void* bytes, std::size_t size) {
    if (size == 0) fail("The settings block is empty.");
    if (bytes == nullptr) fail("The settings block is missing.");
    const char* begin = static_cast<const char*>(bytes);
    try {
        return json::parse(begin, begin + size);
    } catch (const json::parse_error& error) {
        fail("The settings block is not valid JSON (error at byte " + std::to_string(error.byte) + ").");
    }
}

// The member of the block, or null when the block has none.
const json* find_member(const json& block, const char* name) {
    const auto found = block.find(name);
    return found == block.end() ? nullptr : &*found;
}

const json& object_member(const json& block, const char* name) {
    const json* value = find_member(block, name);
    if (value == nullptr) fail("Member " + in_quotes(name) + " is missing.");
    if (!value->is_object()) fail("Member " + in_quotes(name) + " must be an object.");
    return *value;
}

// Every value of the object must be a string; `what` names one entry in the error.
std::map<std::string, std::string> string_map(const json& object, const std::string& what) {
    std::map<std::string, std::string> values;
    for (const auto& [key, value] : object.items()) {
        if (!value.is_string()) fail(what + " " + in_quotes(key) + " must have a string value.");
        values.emplace(key, value.get<std::string>());
    }
    return values;
}

// The whole text must be a decimal int: no sign but "-", no blanks, no trailing characters.
std::optional<int> parse_channel_id(const std::string& text) {
    int id = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, id);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    return id;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

}  // namespace

sensor_data_wrapper::sensor_data_wrapper(const void* bytes, std::size_t size) {
    const json block = parse_block(bytes, size);
    if (!block.is_object()) fail("The settings block must be a JSON object.");

    const json* kind = find_member(block, "kind");
    if (kind == nullptr) fail("Member \"kind\" is missing.");
    if (!kind->is_string() || kind->get_ref<const std::string&>().empty()) {
        fail("Member \"kind\" must be a non-empty string.");
    }
    kind_ = kind->get<std::string>();

    settings_ = string_map(object_member(block, "settings"), "Setting");

    if (const json* secure = find_member(block, "secure_settings")) {
        if (!secure->is_array()) fail("Member \"secure_settings\" must be an array of strings.");
        for (const json& key : *secure) {
            if (!key.is_string()) fail("Member \"secure_settings\" must be an array of strings.");
            secure_keys_.insert(key.get<std::string>());
        }
    }

    if (find_member(block, "channels") != nullptr) {
        for (const auto& [key, name] : string_map(object_member(block, "channels"), "Channel")) {
            const std::optional<int> id = parse_channel_id(key);
            if (!id) fail("Channel id " + in_quotes(key) + " is not a decimal integer.");
            if (!channels_.emplace(*id, name).second)
                fail("Channel id " + std::to_string(*id) + " appears twice.");
        }
        has_channels_ = true;
    }

    if (find_member(block, "persistent_data") != nullptr) {
        persistent_data_ = string_map(object_member(block, "persistent_data"), "Persistent value");
    }
}

std::optional<std::string> sensor_data_wrapper::get_setting(const std::string& key) const {
    const auto found = settings_.find(key);
    return found == settings_.end() ? std::nullopt : std::optional<std::string>(found->second);
}

bool sensor_data_wrapper::is_secure(const std::string& key) const {
    if (secure_keys_.contains(key)) return true;
    const std::size_t dot = key.rfind('.');
    const std::string_view name =
        dot == std::string::npos ? std::string_view(key) : std::string_view(key).substr(dot + 1);
    return equals_ignoring_case(name, "password") || equals_ignoring_case(name, "korvelcloudapikey");
}

std::vector<std::string> sensor_data_wrapper::secure_values() const {
    std::vector<std::string> values;
    for (const auto& [key, value] : settings_) {
        if (!value.empty() && is_secure(key)) values.push_back(value);
    }
    return values;
}

std::string sensor_data_wrapper::to_json() const {
    nlohmann::ordered_json block = nlohmann::ordered_json::object();
    block["kind"] = kind_;
    nlohmann::ordered_json values = nlohmann::ordered_json::object();
    for (const auto& [key, value] : settings_) {
        values[key] = is_secure(key) ? std::string(masked_value) : value;
    }
    block["settings"] = std::move(values);
    if (!secure_keys_.empty()) block["secure_settings"] = secure_keys_;
    if (has_channels_) {
        nlohmann::ordered_json channels = nlohmann::ordered_json::object();
        for (const auto& [id, name] : channels_) channels[std::to_string(id)] = name;
        block["channels"] = std::move(channels);
    }
    if (!persistent_data_.empty()) block["persistent_data"] = persistent_data_;
    return block.dump();
}

}  // namespace korvel::probekit::libvexahelper::settings
