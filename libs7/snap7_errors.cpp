#include "libs7/snap7_errors.hpp"

#include <snap7.h>

#include "libs7/exceptions.hpp"

namespace korvel::probekit::libs7 {

std::string snap7_error_text(int result) {
    char text[1024] = {};
    Cli_ErrorText(result, text, sizeof text - 1);
    return text;
}

void throw_connect_failure(connect_step step, const connection_settings& settings, int result) {
    const std::string reason = snap7_error_text(result);
    switch (step) {
        case connect_step::set_remote_port:
            throw exceptions::could_not_set_remote_port(reason);
        case connect_step::set_receive_timeout:
            throw exceptions::could_not_set_recv_timeout(reason);
        case connect_step::connect:
            break;
    }
    throw exceptions::connection_failed(settings.host, std::to_string(settings.port), reason);
}

void throw_on_read_failure(const szl_address& address, int result) {
    if (result == 0) return;
    const auto szl_id = four_hex_digits(address.szl_id);
    const auto index = four_hex_digits(address.index);
    // The list is larger than the buffer: reading it again would meet the same list.
    if (result == static_cast<int>(errCliBufferTooSmall)) throw exceptions::szl_too_large(szl_id, index);
    throw exceptions::read_szl_failed(szl_id, index, snap7_error_text(result));
}

}  // namespace korvel::probekit::libs7
