#include "libs7/connection_factory.hpp"

#include "libs7/snap7_connection.hpp"

namespace korvel::probekit::libs7 {

connection_factory get_connection_factory() {
    return [](const connection_settings& settings) { return std::make_unique<snap7_connection>(settings); };
}

}  // namespace korvel::probekit::libs7
