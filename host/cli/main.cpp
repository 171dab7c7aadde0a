// s7host: a command-line stand-in for the monitoring host. It loads the module library, drives it
// through its exports and shows what the module answers.

#include <iostream>
#include <string>
#include <vector>

#include "host/cli/info_command.hpp"
#include "host/harness/module_library.hpp"

namespace {

constexpr int exit_unknown = 3;

int usage() {
    std::cerr << "usage: s7host --module PATH info [--lang LANGUAGE]\n";
    return exit_unknown;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string module_path;
    if (arguments.size() >= 2 && arguments[0] == "--module") {
        module_path = arguments[1];
        arguments.erase(arguments.begin(), arguments.begin() + 2);
    }
    if (module_path.empty() || arguments.empty()) return usage();
    try {
        korvel::probekit::host::module_library module(module_path);
        if (module.initialize() != 0) {
            std::cerr << "s7host: the module refused to initialise\n";
            return exit_unknown;
        }
        const std::string command = arguments.front();
        arguments.erase(arguments.begin());
        if (command == "info") return korvel::probekit::host::info_command(module, arguments, std::cout);
        return usage();
    } catch (const std::exception& error) {
        std::cerr << "s7host: " << error.what() << '\n';
        return exit_unknown;
    }
}
