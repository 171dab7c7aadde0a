#include "libcertificatehelper/trust_locations.hpp"

#include <openssl/x509.h>
#include <sys/stat.h>

#include <cstdlib>

namespace korvel::probekit::libcertificatehelper {
namespace {

constexpr const char* added_file_variable = "SSL_CERT_FILE";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

std::int64_t nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

location_stamp stamp_of_path(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return {};
    return {true,
            static_cast<std::uint64_t>(status.st_dev),
            static_cast<std::uint64_t>(status.st_ino),
            static_cast<std::int64_t>(status.st_size),
            nanoseconds(status.st_mtim),
            nanoseconds(status.st_ctim)};
}

}  // namespace

trust_locations current_trust_locations() {
    trust_locations locations;
    locations.files.emplace_back(X509_get_default_cert_file());
    if (auto added = environment(added_file_variable); !added.empty())
        locations.files.push_back(std::move(added));
    // The compiled-in directory only: the module reads no environment but SSL_CERT_FILE.
    locations.directories = {X509_get_default_cert_dir()};
    return locations;
}

trust_stamp stamp_of(trust_locations locations) {
    trust_stamp stamp{std::move(locations), {}};
    for (const auto& file : stamp.locations.files) stamp.stamps.push_back(stamp_of_path(file));
    for (const auto& directory : stamp.locations.directories)
        stamp.stamps.push_back(stamp_of_path(directory));
    return stamp;
}

}  // namespace korvel::probekit::libcertificatehelper
