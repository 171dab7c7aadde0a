#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

// Internal to libs7: the only place that calls the snap7 client. Its header stays free of snap7.h so
// that nothing outside libs7 depends on the C library.
namespace korvel::probekit::libs7 {

// What Cli_ReadSZL fills: a 4-byte list header and up to 16380 record bytes.
inline constexpr std::size_t szl_buffer_size = 16384;
using szl_buffer = std::array<std::uint8_t, szl_buffer_size>;

// snap7 takes its times as signed 32-bit milliseconds.
std::int32_t snap7_milliseconds(std::chrono::milliseconds duration);

// Owns one snap7 client object; move-only. Results are snap7's codes, 0 meaning success.
class snap7_client {
public:
    // Throws std::bad_alloc when snap7 cannot create the client. No network activity.
    snap7_client();
    ~snap7_client();
    snap7_client(snap7_client&& other) noexcept;
    snap7_client& operator=(snap7_client&& other) noexcept;
    snap7_client(const snap7_client&) = delete;
    snap7_client& operator=(const snap7_client&) = delete;

    int set_remote_port(std::uint16_t port);
    int set_receive_timeout(std::chrono::milliseconds timeout);
    // Every wait of the client (TCP connect, each receive) ends within this time from now, whatever
    // the receive timeout says: our snap7 patch adds the parameter.
    int set_operation_budget(std::chrono::milliseconds budget);
    int connect_to(const std::string& host, int rack, int slot);
    bool connected() const;
    void disconnect();
    // size: in, the room in the buffer; out, the bytes received. The list header arrives in host order.
    int read_szl(std::uint16_t szl_id, std::uint16_t index, szl_buffer& buffer, int& size);

private:
    std::uintptr_t handle_;  // snap7's S7Object
};

}  // namespace korvel::probekit::libs7
