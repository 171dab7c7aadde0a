#include "s7/s7web/login_verdict.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>

#include "libparser/exceptions.hpp"
#include "s7/exceptions/exceptions.hpp"
#include "s7/s7web/answer_reading.hpp"
#include "s7/s7web/web_api_error_cause.hpp"

namespace korvel::probekit::s7::s7web {
namespace {

using libi18n::because;

constexpr std::size_t max_token_length = 256;

// "error.code" of the login answer: 0 when the answer has no "error"; nothing when it has one whose
// code is not an integer (100.0, "100", none at all), which says nothing about the login.
std::optional<std::int64_t> strict_error_code(const parser_interface& answer) {
    if (!answer.designates("error")) return 0;
    try {
        const auto error = answer.get_object("error");
        const auto code = error.find("code");
        if (code == error.end()) return std::nullopt;
        const std::string text = code->second->to_string();
        std::int64_t value = 0;
        const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (failure != std::errc() || end != text.data() + text.size()) return std::nullopt;
        return value;
    } catch (const libparser::exceptions::exception&) {
        return std::nullopt;  // "error" is no object
    }
}

[[noreturn]] void throw_refusal(std::int64_t code) {
    const because cause{web_api_error_cause(login_id, code)};
    switch (code) {
        case 4:
            throw exceptions::api_login_no_resources(cause);
        case 6:
            throw exceptions::api_login_not_accepted(cause);
        case 102:
            throw exceptions::api_login_password_expired(cause);
        case 105:
            throw exceptions::api_login_infrastructure_error(cause);
        default:  // 100 and every code the device documents for nothing else
            throw exceptions::api_login_failed(cause);
    }
}

}  // namespace

bool usable_token(std::string_view token) {
    return !token.empty() && token.size() <= max_token_length &&
           std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < '\x7f'; });
}

std::string login_token(const std::vector<std::unique_ptr<parser_interface>>& answers) {
    const auto found = std::find_if(answers.begin(), answers.end(), [](const auto& answer) {
        return text_or_empty(*answer, "id") == login_id;
    });
    if (found == answers.end()) throw exceptions::api_unexpected_error(because{"no answer to Api.Login"});
    const auto code = strict_error_code(**found);
    if (!code)
        throw exceptions::api_unexpected_error(
            because{"Api.Login answered an error without an integer code"});
    // 101: logged in, with a note the module does not need.
    if (*code != 0 && *code != 101) throw_refusal(*code);
    std::string token = text_or_empty(**found, "result.token");
    if (!usable_token(token))
        throw exceptions::api_login_failed(because{"Api.Login answered without a usable token"});
    return token;
}

}  // namespace korvel::probekit::s7::s7web
