#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvel::probekit::libcertificatehelper {

// Where the system trust comes from on this platform: the CA file and directory OpenSSL uses by
// default (the directory may be overridden by its environment variable, as OpenSSL allows), plus the
// file named by SSL_CERT_FILE, which adds to the system file rather than replacing it.
struct trust_locations {
    std::vector<std::string> files;
    std::vector<std::string> directories;

    bool operator==(const trust_locations&) const = default;
};

// Read from the environment on every call, so a changed SSL_CERT_FILE takes effect without a restart.
trust_locations current_trust_locations();

// What stat() reports for one location; a file rewritten within one tick of the clock still changes
// its size or inode.
struct location_stamp {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modified_ns = 0;
    std::int64_t changed_ns = 0;

    bool operator==(const location_stamp&) const = default;
};

// Equal stamps mean the trust is unchanged: a few stat() calls, cheap enough for every request.
struct trust_stamp {
    trust_locations locations;
    std::vector<location_stamp> stamps;

    bool operator==(const trust_stamp&) const = default;
};

trust_stamp stamp_of(trust_locations locations);

}  // namespace korvel::probekit::libcertificatehelper
