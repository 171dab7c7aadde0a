#include "libs7/snap7_client.hpp"

#include <snap7.h>

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

namespace korvel::probekit::libs7 {

static_assert(sizeof(TS7SZL) == szl_buffer_size);
static_assert(std::is_same_v<S7Object, std::uintptr_t>);

std::int32_t snap7_milliseconds(std::chrono::milliseconds duration) {
    // The settings bound receive timeouts to 300 s and scan time-outs to a day, far inside 32 bits;
    // anything beyond is clamped rather than wrapped into a negative (meaning "none") value.
    constexpr std::int64_t longest = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(duration.count(), 0, longest));
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

int snap7_client::set_receive_timeout(std::chrono::milliseconds timeout) {
    std::int32_t milliseconds = snap7_milliseconds(timeout);
    return Cli_SetParam(handle_, p_i32_RecvTimeout, &milliseconds);
}

int snap7_client::set_operation_budget(std::chrono::milliseconds budget) {
    // Zero would clear the budget: a budget that has run out is one millisecond, not none.
    std::int32_t milliseconds = std::max<std::int32_t>(snap7_milliseconds(budget), 1);
    return Cli_SetParam(handle_, p_i32_OperationBudget, &milliseconds);
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
