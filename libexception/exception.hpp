#pragma once

#include <exception>
#include <string>

namespace korvel::probekit::libexception {

// Root of every exception the module throws itself; carries the English text.
class exception : public std::exception {
public:
    explicit exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

}  // namespace korvel::probekit::libexception
