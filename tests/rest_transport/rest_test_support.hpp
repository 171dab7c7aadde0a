#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "libdeadline/deadline.hpp"
#include "libresthelper/settings.hpp"
#include "simulators/https_server/test_certificates.hpp"

namespace rest_test {

namespace libresthelper = korvel::probekit::libresthelper;
namespace simulators = korvel::probekit::simulators;
using libresthelper::certificate_validation;

// Made once per test process: a handful of milliseconds.
inline const simulators::test_certificates& certificates() {
    static const auto set = simulators::generate_test_certificates();
    return set;
}

inline libresthelper::settings local_settings(std::uint16_t port, certificate_validation mode,
                                              std::int64_t timeout_seconds = 5) {
    libresthelper::settings settings(libresthelper::url("https", "127.0.0.1", port));
    settings.certificate_validation = mode;
    settings.timeout = timeout_seconds;
    return settings;
}

// Far beyond any test's own timeouts, so only the settings' timeout can end a request.
inline korvel::probekit::libdeadline::deadline generous_deadline() {
    return korvel::probekit::libdeadline::deadline::after(std::chrono::seconds(30));
}

// The text of the E that `call` throws; a failure, and no text, when it throws nothing.
template <typename E = std::exception>
std::string text_of(const std::function<void()>& call) {
    try {
        call();
        ADD_FAILURE() << "no exception";
    } catch (const E& error) {
        return error.what();
    }
    return {};
}

}  // namespace rest_test
