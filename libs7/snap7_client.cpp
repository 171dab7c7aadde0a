#include "libs7/snap7_client.hpp"

#include <snap7.h>

#include <new>
#include <utility>

namespace korvel::probekit::libs7 {

static_assert(snap7_list_too_large == static_cast<int>(errCliBufferTooSmall));
static_assert(sizeof(TS7SZL) == szl_buffer_size);
static_assert(std::is_same_v<S7Object, std::uintptr_t>);

std::string snap7_error_text(int result) {
    char text[1024] = {};
    Cli_ErrorText(result, text, sizeof text - 1);
    return text;
}

std::int32_t snap7_receive_timeout(std::chrono::milliseconds timeout) {
    // The settings bound the timeout to 1..300000 ms, so the low 32 bits are the whole value; an
    // out-of-range count keeps its low 32 bits, as snap7's 32-bit parameter would receive them.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(timeout.count()));
}

snap7_client::snap7_client() : handle_(Cli_Create()) {
    if (handle_ == 0) throw std::bad_alloc();
}

snap7_client::~snap7_client() {
    // Destroying the client also drops an open link.
    if (handle_ != 0) Cli_Destroy(&handle_);
}

snap7_client::snap7_client(snap7_client&& other) noexcept : handle_(std::exchange(other.handle_, 0)) {}

snap7_client& snap7_client::operator=(snap7_client&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
}

int snap7_client::set_remote_port(std::uint16_t port) {
    return Cli_SetParam(handle_, p_u16_RemotePort, &port);
}

int snap7_client::set_receive_timeout(std::int32_t milliseconds) {
    return Cli_SetParam(handle_, p_i32_RecvTimeout, &milliseconds);
}

int snap7_client::connect_to(const std::string& host, int rack, int slot) {
    return Cli_ConnectTo(handle_, host.c_str(), rack, slot);
}

bool snap7_client::connected() const {
    int connected = 0;
    Cli_GetConnected(handle_, &connected);
    return connected != 0;
}

void snap7_client::disconnect() {
    Cli_Disconnect(handle_);
}

int snap7_client::read_szl(std::uint16_t szl_id, std::uint16_t index, szl_buffer& buffer, int& size) {
    return Cli_ReadSZL(handle_, szl_id, index, reinterpret_cast<TS7SZL*>(buffer.data()), &size);
}

}  // namespace korvel::probekit::libs7
