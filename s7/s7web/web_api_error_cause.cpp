#include "s7/s7web/web_api_error_cause.hpp"

namespace korvel::probekit::s7::s7web {
namespace {

// The codes the device documents, in the words an engineer checking the controller would use.
std::string_view meaning(std::int64_t code) {
    switch (code) {
        case 1:
            return "internal error of the controller";
        case 2:
            return "the user lacks the right for this request, or the session has ended";
        case 3:
            return "the controller is busy";
        case 4:
            return "the controller has no free Web API session";
        case 6:
            return "the controller does not accept this kind of login";
        case 100:
            return "the controller refused the user name or password";
        case 102:
            return "the password has expired";
        case 105:
            return "the user management server could not be reached";
        case -32700:
            return "the controller could not parse the request";
        case -32600:
            return "the controller found the request invalid";
        case -32601:
            return "the controller does not know this method";
        case -32602:
            return "the controller refused the parameters";
        default:
            return "a code the controller does not document";
    }
}

// An id comes back from the device: a longer one is cut, so an answer cannot flood the message.
constexpr std::size_t max_id_shown = 64;

}  // namespace

std::string web_api_error_cause(std::string_view request_id, std::int64_t code) {
    return std::string(request_id.substr(0, max_id_shown)) + " error " + std::to_string(code) + ": " +
           std::string(meaning(code));
}

}  // namespace korvel::probekit::s7::s7web
