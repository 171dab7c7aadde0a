#pragma once

#include <stdexcept>

namespace korvel::probekit::simulators {

// A scenario that cannot be used: the text names the file (when there is one), the member at fault
// as a JSON pointer, and what was expected.
class scenario_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace korvel::probekit::simulators
