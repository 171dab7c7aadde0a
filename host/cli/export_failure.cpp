#include "host/cli/export_failure.hpp"

namespace korvel::probekit::host {
namespace {

constexpr int exception_code = 2;
constexpr int not_initialised_code = 3;
constexpr int unknown_kind_code = 16;
constexpr int id_in_use_code = 17;

// The module answers 16 both for a name no one knows and for one its descriptor lists but it does
// not serve yet; say which, since the second looks like a working name.
std::string unknown_kind_text(const std::string& what, const std::string& kind, const json& listed) {
    std::string text =
        "unknown " + what + " kind \"" + kind + "\": the module has no " + what + " of that kind";
    if (listed.contains(kind))
        return text + " (its descriptor lists it, but this module build does not provide it yet)";
    text += ". The descriptor lists:";
    for (const auto& [name, entry] : listed.items()) text += " " + name;
    return text;
}

std::string general_failure_text(int code, const std::string& call) {
    if (code == 0) return call + " sent no result";
    if (code == exception_code) return call + " failed: the module refused the settings block (code 2)";
    if (code == not_initialised_code) return call + " failed: the module is not initialised (code 3)";
    return call + " failed with the unexpected code " + std::to_string(code);
}

}  // namespace

std::string creation_failure_text(int code, const std::string& kind, int id, const json& descriptor) {
    if (code == unknown_kind_code) return unknown_kind_text("sensor", kind, descriptor.at("Sensors"));
    if (code == id_in_use_code) return "sensor id " + std::to_string(id) + " is already in use";
    return general_failure_text(code, "creating the sensor");
}

std::string check_failure_text(int code, const std::string& kind, const json& descriptor) {
    if (code == unknown_kind_code) return unknown_kind_text("check", kind, descriptor.at("Checks"));
    return general_failure_text(code, "the check");
}

}  // namespace korvel::probekit::host
