#include "libtcp/resolver.hpp"

#include <asio.hpp>
#include <stdexcept>

#include "libtcp/exceptions.hpp"

namespace korvel::probekit::libtcp {

namespace {

using tcp = asio::ip::tcp;

tcp::resolver::results_type resolve_for_family(tcp::resolver& resolver, const resolve_query& query,
                                               asio::error_code& error) {
    const std::string service = std::to_string(query.port);
    switch (query.ip_version) {
        case ip_family::any:
            return resolver.resolve(query.host, service, error);
        case ip_family::ipv4:
            return resolver.resolve(tcp::v4(), query.host, service, error);
        case ip_family::ipv6:
            return resolver.resolve(tcp::v6(), query.host, service, error);
    }
    throw std::logic_error("never reached");
}

}  // namespace

std::vector<std::string> resolver::resolve(const resolve_query& query) {
    asio::io_context context;
    tcp::resolver system_resolver(context);
    asio::error_code error;
    const auto results = resolve_for_family(system_resolver, query, error);
    // Only a name that does not exist is the user's to fix; a failing name server stays a system error.
    if (error == asio::error::host_not_found) throw exceptions::could_not_resolve_host_name(query.host);
    if (error) throw asio::system_error(error, "resolve");

    std::vector<std::string> addresses;
    addresses.reserve(results.size());
    for (const auto& entry : results) addresses.push_back(entry.endpoint().address().to_string());
    return addresses;
}

}  // namespace korvel::probekit::libtcp
