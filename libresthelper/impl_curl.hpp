#pragma once

#include <memory>

#include "libresthelper/rest_interface.hpp"
#include "libresthelper/settings.hpp"

namespace korvel::probekit::libresthelper {

// The REST client over libcurl: one easy handle, reused for every request so that its connection
// stays open between them, and one lock that makes the requests of a client strictly sequential.
class impl_curl final : public rest_interface {
public:
    // Keeps a copy of the settings; with strict validation it also holds the shared system trust.
    explicit impl_curl(settings settings);
    ~impl_curl() override;
    impl_curl(const impl_curl&) = delete;
    impl_curl& operator=(const impl_curl&) = delete;

    response perform(const request& request, const libdeadline::deadline& deadline) override;

private:
    class transport;
    std::unique_ptr<transport> transport_;
};

}  // namespace korvel::probekit::libresthelper
