#pragma once

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
                                              std::int64_t timeout_seconds = 5,
                                              const std::string& host = "127.0.0.1") {
    libresthelper::settings settings(libresthelper::url("https", host, port));
    settings.certificate_validation = mode;
    settings.timeout = timeout_seconds;
    return settings;
}

// Far beyond any test's own timeouts, so only the settings' timeout can end a request.
inline korvel::probekit::libdeadline::deadline generous_deadline() {
    return korvel::probekit::libdeadline::deadline::after(std::chrono::seconds(30));
}

// Points SSL_CERT_FILE at a file of its own that does not exist yet, for as long as it lives.
class scoped_cert_file {
public:
    scoped_cert_file() {
        std::string pattern = (std::filesystem::temp_directory_path() / "cert-file.XXXXXX").string();
        directory_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
        path_ = directory_ + "/added-ca.pem";
        ::setenv("SSL_CERT_FILE", path_.c_str(), 1);
    }
    ~scoped_cert_file() {
        ::unsetenv("SSL_CERT_FILE");
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
    scoped_cert_file(const scoped_cert_file&) = delete;
    scoped_cert_file& operator=(const scoped_cert_file&) = delete;

    void write(const std::string& pem) const { std::ofstream(path_, std::ios::trunc) << pem; }

private:
    std::string directory_;
    std::string path_;
};

}  // namespace rest_test
