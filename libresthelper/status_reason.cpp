#include "libresthelper/status_reason.hpp"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <stdexcept>
#include <string_view>

namespace korvel::probekit::libresthelper {
namespace {

struct status_name {
    long code;
    std::string_view name;
};

// clang-format off
constexpr status_name status_names[] = {
    {100, "Continue"}, {101, "SwitchingProtocols"}, {102, "Processing"}, {103, "EarlyHints"},
    {201, "Created"}, {202, "Accepted"}, {203, "NonAuthoritativeInformation"}, {204, "NoContent"},
    {205, "ResetContent"}, {206, "PartialContent"}, {207, "MultiStatus"}, {208, "AlreadyReported"},
    {226, "ImUsed"},
    {300, "MultipleChoices"}, {301, "MovedPermanently"}, {302, "Found"}, {303, "SeeOther"},
    {304, "NotModified"}, {305, "UseProxy"}, {307, "TemporaryRedirect"}, {308, "PermanentRedirect"},
    {400, "BadRequest"}, {401, "Unauthorized"}, {402, "PaymentRequired"}, {403, "Forbidden"},
    {404, "NotFound"}, {405, "MethodNotAllowed"}, {406, "NotAcceptable"}, {407, "ProxyAuthenticationRequired"},
    {408, "RequestTimeout"}, {409, "Conflict"}, {410, "Gone"}, {411, "LengthRequired"},
    {412, "PreconditionFailed"}, {413, "PayloadTooLarge"}, {414, "URITooLong"}, {415, "UnsupportedMediaType"},
    {416, "RangeNotSatisfiable"}, {417, "ExpectationFailed"}, {418, "ImATeapot"}, {422, "UnprocessableEntity"},
    {423, "Locked"}, {424, "FailedDependency"}, {426, "UpgradeRequired"}, {428, "PreconditionRequired"},
    {429, "TooManyRequests"}, {431, "RequestHeaderFieldsTooLarge"}, {451, "UnavailableForLegalReasons"},
    {500, "InternalServerError"}, {501, "NotImplemented"}, {502, "BadGateway"}, {503, "ServiceUnavailable"},
    {504, "GatewayTimeout"}, {505, "HTTPVersionNotSupported"}, {506, "VariantAlsoNegotiates"},
    {507, "InsufficientStorage"}, {508, "LoopDetected"}, {510, "NotExtended"}, {511, "NetworkAuthenticationRequired"},
};
// clang-format on

bool is_upper(char c) {
    return std::isupper(static_cast<unsigned char>(c)) != 0;
}
bool is_lower(char c) {
    return std::islower(static_cast<unsigned char>(c)) != 0;
}

// A word starts at a capital after a small letter ("Not|Found"), and at the last capital of a run
// that a small letter follows ("URI|Too", "HTTP|Version", "Im|A|Teapot").
std::string words(std::string_view name) {
    std::string text;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const bool starts_word = i > 0 && is_upper(name[i]) &&
                                 (is_lower(name[i - 1]) ||
                                  (is_upper(name[i - 1]) && i + 1 < name.size() && is_lower(name[i + 1])));
        if (starts_word) text += ' ';
        text += name[i];
    }
    return text;
}

}  // namespace

std::string status_reason(long status) {
    const auto found = std::find_if(std::begin(status_names), std::end(status_names),
                                    [status](const status_name& entry) { return entry.code == status; });
    if (found == std::end(status_names)) {
        throw std::invalid_argument("The given status code is invalid:" + std::to_string(status));
    }
    return words(found->name);
}

std::string status_reason_text(long status) {
    if (status == 0) return "No response code received";
    try {
        return status_reason(status);
    } catch (const std::invalid_argument&) {
        // 200 and other codes without a name: the class of the status still says what it means.
        switch (status / 100) {
            case 1:
                return "Informational";
            case 2:
                return "Successful";
            case 3:
                return "Redirection";
            case 4:
                return "Client Error";
            case 5:
                return "Server Error";
            default:
                return "Unknown status code";
        }
    }
}

}  // namespace korvel::probekit::libresthelper
