#pragma once

#include <string>

#include "libs7/connection_settings.hpp"
#include "libs7/szl_address.hpp"

// Internal to libs7: every snap7 result code becomes one of our exceptions here, and only here.
namespace korvel::probekit::libs7 {

// snap7's text for a result code.
std::string snap7_error_text(int result);

// The step of a connect that failed; each has its own error.
enum class connect_step { set_remote_port, set_receive_timeout, connect };

// Throws could_not_set_remote_port, could_not_set_recv_timeout or connection_failed with snap7's text.
[[noreturn]] void throw_connect_failure(connect_step step, const connection_settings& settings, int result);

// Does nothing for result 0; otherwise throws szl_too_large for snap7's "buffer too small" and
// read_szl_failed with snap7's text for every other result.
void throw_on_read_failure(const szl_address& address, int result);

}  // namespace korvel::probekit::libs7
