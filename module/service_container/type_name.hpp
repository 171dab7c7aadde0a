#pragma once

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <typeinfo>

namespace korvel::probekit::libvexahelper::module {

// Container errors name types as C++ spells them, not as mangled symbols.
template <typename T>
std::string type_name() {
    const char* mangled = typeid(T).name();
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                          &std::free);
    return status == 0 && demangled ? std::string(demangled.get()) : std::string(mangled);
}

}  // namespace korvel::probekit::libvexahelper::module
