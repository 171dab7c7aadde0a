#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace test_support {

// A real tinyproxy (Debian's package) on 127.0.0.1 and a free port, with a configuration written for
// it that demands basic authentication with the given credentials. Started by the constructor, which
// returns once the proxy accepts connections; stopped by the destructor. A missing tinyproxy throws
// with what to install.
class tinyproxy_process {
public:
    tinyproxy_process(const std::string& user, const std::string& password);
    ~tinyproxy_process();
    tinyproxy_process(const tinyproxy_process&) = delete;
    tinyproxy_process& operator=(const tinyproxy_process&) = delete;

    std::uint16_t port() const { return port_; }

private:
    std::string directory_;
    std::uint16_t port_ = 0;
    pid_t process_ = -1;
};

}  // namespace test_support
