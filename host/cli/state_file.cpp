#include "host/cli/state_file.hpp"

#include <unistd.h>

#include <fstream>
#include <stdexcept>
#include <string>

namespace korvel::probekit::host {

host_state load_state(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) {
        if (!std::filesystem::exists(file)) return {};
        throw std::runtime_error("cannot read the state file " + file.string());
    }
    try {
        return host_state::from_json(json::parse(in));
    } catch (const std::exception& error) {
        throw std::runtime_error("the state file " + file.string() + " is not valid: " + error.what());
    }
}

void save_state(const host_state& state, const std::filesystem::path& file) {
    std::filesystem::path temporary = file;
    temporary += ".tmp." + std::to_string(getpid());
    std::ofstream out(temporary, std::ios::trunc);
    out << state.to_json().dump(2) << '\n';
    out.close();
    std::error_code error;
    if (out) std::filesystem::rename(temporary, file, error);
    if (!out || error) {
        std::filesystem::remove(temporary, error);
        throw std::runtime_error("cannot write the state file " + file.string());
    }
}

}  // namespace korvel::probekit::host
