// s7host: a command-line stand-in for the monitoring host. It loads the module library, drives it
// through its exports and shows what the module answers.

#include <iostream>
#include <string>
#include <vector>

#include "host/cli/run_host.hpp"

int main(int argc, char** argv) {
    return korvel::probekit::host::run_host(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                            std::cerr);
}
