#include "libresthelper/basic_authentication_provider.hpp"

#include "libstringutils/hash_combine.hpp"

namespace korvel::probekit::libresthelper {

basic_authentication_provider::basic_authentication_provider(std::string user, std::string password)
    : user_(std::move(user)), password_(std::move(password)) {}

std::pair<std::string, std::string> basic_authentication_provider::get_header(const std::string&) const {
    return {"Authorization", "Basic " + base64_encode(user_ + ":" + password_)};
}

std::size_t basic_authentication_provider::hash() const {
    using libstringutils::combine;
    std::uint32_t seed = 0;
    combine(seed, user_);
    combine(seed, password_);
    return seed;
}

bool basic_authentication_provider::equals(const authentication_provider_interface& other) const {
    const auto* basic = dynamic_cast<const basic_authentication_provider*>(&other);
    return basic != nullptr && basic->user_ == user_ && basic->password_ == password_;
}

std::string base64_encode(const std::string& bytes) {
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    encoded.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const auto group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16 |
                           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) encoded += alphabet[(group >> shift) & 0x3F];
    }
    if (const std::size_t rest = bytes.size() - i; rest > 0) {
        std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
        if (rest == 2) group |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        encoded += alphabet[(group >> 18) & 0x3F];
        encoded += alphabet[(group >> 12) & 0x3F];
        encoded += rest == 2 ? alphabet[(group >> 6) & 0x3F] : '=';
        encoded += '=';
    }
    return encoded;
}

}  // namespace korvel::probekit::libresthelper
