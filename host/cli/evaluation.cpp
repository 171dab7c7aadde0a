#include "host/cli/evaluation.hpp"

#include <algorithm>
#include <cstdint>
#include <iomanip>
#include <sstream>

#include "host/harness/protocol.hpp"

namespace korvel::probekit::host {
namespace {

namespace response_code = protocol::response_code;
namespace unit = protocol::unit;

std::optional<severity> worst_of(std::optional<severity> first, std::optional<severity> second) {
    if (!first) return second;
    if (!second) return first;
    return worst(*first, *second);
}

double factor_of(const json& definition) {
    const auto found = definition.find("factor");
    return found != definition.end() && found->is_number() ? found->get<double>() : 1.0;
}

// The value as shown: an integer stays exact unless a factor scales it.
json shown_number(const json& value, const json& definition) {
    if (!value.is_number()) return nullptr;
    const double factor = factor_of(definition);
    if (value.is_number_integer() && factor == 1.0) return value.get<std::int64_t>();
    return value.get<double>() * factor;
}

// Up to three decimals, without trailing zeros, so 42.5 stays "42.5" and 1e6 is not "1e+06".
std::string number_text(const json& number) {
    if (number.is_number_integer()) return std::to_string(number.get<std::int64_t>());
    std::ostringstream out;
    out << std::fixed << std::setprecision(3) << number.get<double>();
    std::string text = out.str();
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

struct unit_texts {
    std::string symbol;
    std::string name;
};

// A custom unit replaces the unit's own text; reserved codes show none.
unit_texts unit_of(const json& definition) {
    const std::string custom = text_member(definition, "custom_unit");
    if (!custom.empty()) return {custom, custom};
    switch (integer_member(definition, "unit").value_or(unit::none)) {
        case unit::percent:
            return {"%", "percent"};
        case unit::milliseconds:
            return {"ms", "milliseconds"};
        case unit::count:
            return {"#", "count"};
        default:
            return {};
    }
}

struct lookup_entry {
    std::string text;
    std::optional<severity> state;
};

std::optional<lookup_entry> find_lookup_entry(const json& descriptor, const std::string& lookup,
                                              std::int64_t value, const translator& texts) {
    for (const auto& entry : lookup_values(descriptor, lookup, texts)) {
        if (entry.value == value) return lookup_entry{entry.text, entry.state};
    }
    return std::nullopt;
}

}  // namespace

severity severity_of_response_code(std::optional<std::int64_t> code) {
    if (code == response_code::ok) return severity::ok;
    if (code == response_code::warning) return severity::warning;
    if (code == response_code::error) return severity::error;
    return severity::unknown;
}

std::optional<severity> severity_of_lookup_state(std::string_view state) {
    if (state == "LookupValueStateOk") return severity::ok;
    if (state == "LookupValueStateWarning") return severity::warning;
    if (state == "LookupValueStateError") return severity::error;
    return std::nullopt;
}

limit_slots limit_slots_from_json(const json& limits) {
    limit_slots slots;
    if (!limits.is_array()) return slots;
    for (std::size_t slot = 0; slot < slots.size() && slot < limits.size(); ++slot) {
        if (limits[slot].is_number()) slots[slot] = limits[slot].get<double>();
    }
    return slots;
}

severity limit_tracker::evaluate(double value) {
    const auto& [slot_1, slot_2, slot_3, slot_4] = slots_;
    const bool was_held = held_by_slot_1_;
    held_by_slot_1_ = false;
    if (slot_4 && value >= *slot_4) return severity::error;
    if (slot_2 && value > *slot_2) return severity::warning;
    if (slot_1 && (value >= *slot_1 || (slot_3 && was_held && value >= *slot_3))) {
        held_by_slot_1_ = true;
        return severity::warning;
    }
    return severity::ok;
}

sensor_report failure_report(sensor_report header, std::string message) {
    header.failed = true;
    header.state = severity::unknown;
    header.message = std::move(message);
    header.channels.clear();
    return header;
}

std::vector<lookup_value> lookup_values(const json& descriptor, const std::string& lookup,
                                        const translator& texts) {
    std::vector<lookup_value> values;
    const auto lookups = descriptor.find("Lookups");
    if (lookups == descriptor.end() || !lookups->contains(lookup)) return values;
    for (const auto& entry : lookups->at(lookup).value("LookupValues", json::array())) {
        const auto value = integer_member(entry, "Value");
        if (!value) continue;
        values.push_back(
            {*value,
             texts.text("lookup." + lookup + "." + std::to_string(*value), text_member(entry, "Display")),
             severity_of_lookup_state(text_member(entry, "State"))});
    }
    return values;
}

sensor_report scan_evaluator::evaluate(sensor_report header, const json& result,
                                       const sensor_record& sensor) {
    sensor_report report = std::move(header);
    report.message = texts_.message(result.value("message", json::object()));
    if (text_member(result, "type") != protocol::message_type::scan_result) {
        report.failed = true;
        report.state = failed_scan_;
        return report;
    }
    report.failed = false;
    report.state = severity_of_response_code(integer_member(result, "response_code"));
    const json channels = result.value("channels", json::array());
    for (const auto& value : channels.is_array() ? channels : json::array()) {
        const auto id = integer_member(value, "id");
        if (!id) continue;
        const auto known = sensor.channels.find(static_cast<int>(*id));
        auto channel = row(value, known == sensor.channels.end() ? json::object() : known->second.definition);
        if (known != sensor.channels.end() && channel.english_name.empty())
            channel.english_name = known->second.name;
        if (channel.state) report.state = worst(report.state, *channel.state);
        report.channels.push_back(std::move(channel));
    }
    return report;
}

sensor_report scan_evaluator::evaluate_check(sensor_report header, const json& result) const {
    sensor_report report = std::move(header);
    const auto success_member = result.find("success");
    const bool success =
        success_member != result.end() && success_member->is_boolean() && success_member->get<bool>();
    report.failed = false;
    report.state = success ? severity::ok : severity::error;
    report.message =
        result.contains("message") ? texts_.message(result.at("message")) : severity_name(report.state);
    return report;
}

channel_report scan_evaluator::describe(int id, const json& definition) const {
    channel_report channel;
    channel.id = id;
    channel.key = text_member(definition, "key");
    const json name = definition.value("name", json());
    channel.english_name = text_member(name, "text");
    channel.name = name.is_object() ? texts_.message(name) : "";
    if (channel.name.empty()) channel.name = "Channel " + std::to_string(id);
    if (channel.english_name.empty()) channel.english_name = channel.name;
    const auto unit = unit_of(definition);
    channel.unit = unit.symbol;
    channel.unit_name = unit.name;
    if (definition.value("limit_mode", false))
        channel.limits = limit_slots_from_json(definition.value("limits", json()));
    for (const auto& threshold : thresholds_) {
        if (!threshold.names(channel.key, channel.english_name)) continue;
        const bool warning = threshold.level == threshold_level::warning;
        (warning ? channel.warning_range : channel.critical_range) = threshold.range;
        if (!channel.limits) continue;
        auto& slots = *channel.limits;
        if (warning) {
            slots[0] = slots[1] = slots[2] = std::nullopt;
        } else {
            slots[3] = std::nullopt;
        }
    }
    return channel;
}

channel_report scan_evaluator::row(const json& value, const json& definition) {
    channel_report channel = describe(static_cast<int>(*integer_member(value, "id")), definition);
    const json number = value.value("value", json());
    channel.value = shown_number(number, definition);
    if (channel.value.is_null()) {
        channel.text = "no value";
        return channel;
    }
    channel.text = text_member(definition, "value_prefix") + number_text(channel.value) +
                   text_member(definition, "value_suffix") + (channel.unit.empty() ? "" : " " + channel.unit);
    const std::string lookup = text_member(definition, "lookup");
    if (!lookup.empty() && number.is_number_integer()) {
        if (const auto entry = find_lookup_entry(descriptor_, lookup, number.get<std::int64_t>(), texts_)) {
            channel.text = entry->text;
            channel.from_lookup = true;
            channel.state = entry->state;
        }
    }
    channel.state = worst_of(channel.state, limit_state(channel, number));
    return channel;
}

std::optional<severity> scan_evaluator::limit_state(const channel_report& channel, const json& value) {
    if (!value.is_number()) return std::nullopt;
    const double number = value.get<double>();
    std::optional<severity> state;
    if (channel.limits)
        state = trackers_.try_emplace(channel.id, *channel.limits).first->second.evaluate(number);
    if (channel.warning_range)
        state = worst_of(state, channel.warning_range->alerts(number) ? severity::warning : severity::ok);
    if (channel.critical_range)
        state = worst_of(state, channel.critical_range->alerts(number) ? severity::error : severity::ok);
    return state;
}

}  // namespace korvel::probekit::host
