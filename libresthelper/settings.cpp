#include "libresthelper/settings.hpp"

#include "libi18n/i18n_msg.hpp"
#include "libresthelper/exceptions.hpp"
#include "libstringutils/hash_combine.hpp"

namespace korvel::probekit::libresthelper {
namespace {

using libstringutils::combine;

bool is_set(const std::optional<std::string>& part) {
    return part.has_value() && !part->empty();
}

bool same_provider(const std::shared_ptr<authentication_provider_interface>& left,
                   const std::shared_ptr<authentication_provider_interface>& right) {
    if (!left || !right) return !left && !right;
    return left == right || left->equals(*right);
}

// Each entry is hashed on its own and the results added, which no iteration order can change.
std::uint32_t hash_of(const std::unordered_map<std::string, std::string>& entries) {
    std::uint32_t sum = 0;
    for (const auto& [name, value] : entries) {
        std::uint32_t entry = 0;
        combine(entry, name);
        combine(entry, value);
        sum += entry;
    }
    return sum;
}

}  // namespace

settings::settings(url base) : base_url(std::move(base)) {
    if (is_set(base_url.path) || is_set(base_url.query) || is_set(base_url.fragment)) {
        throw exceptions::full_url_not_allowed(to_display_string(base_url));
    }
}

bool settings::operator==(const settings& other) const {
    return base_url == other.base_url && same_provider(authentication, other.authentication) &&
           default_headers == other.default_headers && default_cookies == other.default_cookies &&
           timeout == other.timeout && proxy == other.proxy &&
           certificate_validation == other.certificate_validation;
}

}  // namespace korvel::probekit::libresthelper

std::size_t std::hash<korvel::probekit::libresthelper::proxy_settings>::operator()(
    const korvel::probekit::libresthelper::proxy_settings& proxy) const noexcept {
    using korvel::probekit::libstringutils::combine;
    std::uint32_t seed = 0;
    combine(seed, proxy.host);
    combine(seed, proxy.port);
    combine(seed, proxy.user);
    combine(seed, proxy.password);
    return seed;
}

std::size_t std::hash<korvel::probekit::libresthelper::settings>::operator()(
    const korvel::probekit::libresthelper::settings& settings) const noexcept {
    using namespace korvel::probekit::libresthelper;
    using korvel::probekit::libstringutils::combine;
    using korvel::probekit::libstringutils::combine_hash;
    std::uint32_t seed = 0;
    combine(seed, settings.base_url);
    combine_hash(seed,
                 settings.authentication ? static_cast<std::uint32_t>(settings.authentication->hash()) : 0);
    combine_hash(seed, hash_of(settings.default_headers));
    combine_hash(seed, hash_of(settings.default_cookies));
    combine(seed, settings.timeout);
    combine_hash(
        seed, settings.proxy ? static_cast<std::uint32_t>(std::hash<proxy_settings>()(*settings.proxy)) : 0);
    combine(seed, static_cast<int>(settings.certificate_validation));
    return seed;
}
