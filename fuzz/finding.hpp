#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace korvel::probekit::fuzz {

// A broken property: says which and aborts, which libFuzzer records as a crash with its input and the
// replay program as a failed test.
[[noreturn]] inline void finding(std::string_view what) {
    std::fprintf(stderr, "finding: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

inline void require(bool holds, std::string_view what) {
    if (!holds) finding(what);
}

}  // namespace korvel::probekit::fuzz
