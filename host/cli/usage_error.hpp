#pragma once

#include <stdexcept>

namespace korvel::probekit::host {

// The command line cannot be carried out as given; the program answers with the usage text.
class usage_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace korvel::probekit::host
