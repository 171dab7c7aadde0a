#include "host/cli/scan_evaluator.hpp"

#include <cstdint>

#include "host/cli/lookup_entry.hpp"
#include "host/cli/value_text.hpp"

namespace korvel::probekit::host {
namespace {

std::optional<severity> worst_of(std::optional<severity> first, std::optional<severity> second) {
    if (!first) return second;
    if (!second) return first;
    return worst(*first, *second);
}

}  // namespace

scan_summary scan_evaluator::evaluate(const json& result, const sensor_record& sensor) {
    scan_summary summary;
    summary.message = texts_.message(result.value("message", json::object()));
    if (result.value("type", "") == "error_result") {
        summary.failed = true;
        summary.state = severity::error;
        return summary;
    }
    summary.state = severity_of_response_code(result.value("response_code", -1));
    for (const auto& value : result.value("channels", json::array())) {
        const auto known = sensor.channels.find(value.at("id").get<int>());
        auto channel = row(value, known == sensor.channels.end() ? nullptr : &known->second);
        if (channel.state) summary.state = worst(summary.state, *channel.state);
        summary.channels.push_back(std::move(channel));
    }
    return summary;
}

channel_row scan_evaluator::row(const json& value, const known_channel* channel) {
    static const json no_definition = json::object();
    const json& definition = channel != nullptr ? channel->definition : no_definition;
    channel_row row{value.at("id").get<int>(), {}, {}, {}};
    if (definition.contains("name")) {
        row.name = texts_.message(definition.at("name"));
    } else {
        row.name = channel != nullptr ? channel->name : "Channel " + std::to_string(row.id);
    }

    const json& number = value.at("value");
    const int kind = value.value("kind", 0);
    row.value = value_text(number, kind, definition);
    const std::string lookup = definition.value("lookup", "");
    if (!lookup.empty() && number.is_number_integer()) {
        if (const auto entry = find_lookup_entry(descriptor_, lookup, number.get<std::int64_t>())) {
            row.value = texts_.text(entry->text_key, entry->display) + " (" + row.value + ")";
            row.state = entry->state;
        }
    }
    row.state = worst_of(row.state, limit_state(row.id, definition, number));
    return row;
}

std::optional<severity> scan_evaluator::limit_state(int id, const json& definition, const json& value) {
    if (!definition.value("limit_mode", false) || !value.is_number()) return std::nullopt;
    auto tracker =
        trackers_.try_emplace(id, limit_slots_from_json(definition.value("limits", json::array()))).first;
    return tracker->second.evaluate(value.get<double>());
}

}  // namespace korvel::probekit::host
