#pragma once

#include <cstdint>

extern "C" {
// How every asynchronous answer reaches the host: its context value, the serialised message, its size.
typedef void (*host_callback)(std::uint64_t host_context, const void* bytes, std::uint32_t size);
}
