#include "simulators/s7web_api/session_table.hpp"

#include <string_view>

namespace korvel::probekit::simulators {
namespace {

// Device tokens are 28 characters of this alphabet, "." and "+" included.
constexpr std::string_view token_alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789.+";
constexpr std::size_t token_length = 28;

}  // namespace

session_table::session_table() : random_(std::random_device{}()) {}

std::optional<std::string> session_table::open(const std::string& user, const session_limits& limits,
                                               clock::time_point now) {
    drop_expired(limits, now);
    if (sessions_.size() >= limits.max_sessions) return std::nullopt;
    std::string token = new_token();
    while (sessions_.contains(token)) token = new_token();
    sessions_.emplace(token, session{user, now});
    return token;
}

std::optional<std::string> session_table::use(std::string_view token, const session_limits& limits,
                                              clock::time_point now) {
    drop_expired(limits, now);
    const auto found = sessions_.find(std::string(token));
    if (found == sessions_.end()) return std::nullopt;
    found->second.last_use = now;
    return found->second.user;
}

std::size_t session_table::live(const session_limits& limits, clock::time_point now) {
    drop_expired(limits, now);
    return sessions_.size();
}

std::vector<std::string> session_table::users(const session_limits& limits, clock::time_point now) {
    drop_expired(limits, now);
    std::vector<std::string> found;
    found.reserve(sessions_.size());
    for (const auto& entry : sessions_) found.push_back(entry.second.user);
    return found;
}

bool session_table::close(std::string_view token) {
    return sessions_.erase(std::string(token)) != 0;
}

void session_table::drop_expired(const session_limits& limits, clock::time_point now) {
    std::erase_if(sessions_,
                  [&](const auto& entry) { return now - entry.second.last_use >= limits.lifetime; });
}

std::string session_table::new_token() {
    std::uniform_int_distribution<std::size_t> pick(0, token_alphabet.size() - 1);
    std::string token(token_length, ' ');
    for (char& character : token) character = token_alphabet[pick(random_)];
    return token;
}

}  // namespace korvel::probekit::simulators
