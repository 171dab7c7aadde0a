#include "module/descriptor/compact_json_writer.hpp"

namespace korvel::probekit::s7 {
namespace {

void write(const nlohmann::ordered_json& value, std::string& out) {
    if (value.is_object()) {
        out.push_back('{');
        bool first = true;
        for (const auto& [name, member] : value.items()) {
            if (!first) out.append(", ");
            first = false;
            out.append(nlohmann::ordered_json(name).dump(-1, ' ', false));
            out.append(": ");
            write(member, out);
        }
        out.push_back('}');
    } else if (value.is_array()) {
        out.push_back('[');
        bool first = true;
        for (const auto& element : value) {
            if (!first) out.append(", ");
            first = false;
            write(element, out);
        }
        out.push_back(']');
    } else {
        out.append(value.dump(-1, ' ', false));
    }
}

}  // namespace

std::string write_compact_json(const nlohmann::ordered_json& value) {
    std::string out;
    write(value, out);
    return out;
}

}  // namespace korvel::probekit::s7
