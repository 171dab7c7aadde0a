#include "libs7/snap7_connection.hpp"

#include <mutex>
#include <string>

#include "libs7/exceptions.hpp"
#include "libs7/snap7_client.hpp"
#include "libs7/szl_reply.hpp"

namespace korvel::probekit::libs7 {

class snap7_connection::impl {
public:
    explicit impl(connection_settings settings) : settings_(std::move(settings)) {}

    // Returns snap7's result of the read that counts: the first, or after a failure the second.
    int read_reconnecting(const szl_address& address, szl_buffer& buffer, int& size) {
        std::lock_guard lock(mutex_);
        if (!client_.connected()) connect();
        const int first = client_.read_szl(address.szl_id, address.index, buffer, size);
        if (first == 0) return first;
        // The controller may have dropped an idle link; the size stays as the first read left it.
        client_.disconnect();
        connect();
        return client_.read_szl(address.szl_id, address.index, buffer, size);
    }

private:
    // Both parameters are set on every connect, as a fresh link needs them.
    void connect() {
        if (const int result = client_.set_remote_port(settings_.port); result != 0) {
            throw exceptions::could_not_set_remote_port(snap7_error_text(result));
        }
        if (const int result = client_.set_receive_timeout(snap7_receive_timeout(settings_.receive_timeout));
            result != 0) {
            throw exceptions::could_not_set_recv_timeout(snap7_error_text(result));
        }
        if (const int result = client_.connect_to(settings_.host, settings_.rack, settings_.slot);
            result != 0) {
            throw exceptions::connection_failed(settings_.host, std::to_string(settings_.port),
                                                snap7_error_text(result));
        }
    }

    std::mutex mutex_;
    snap7_client client_;
    const connection_settings settings_;
};

snap7_connection::snap7_connection(connection_settings settings)
    : impl_(std::make_unique<impl>(std::move(settings))) {}

snap7_connection::~snap7_connection() = default;

void snap7_connection::read_szl(std::uint16_t szl_id, std::uint16_t index,
                                const szl_record_callback& callback) {
    const szl_address address{szl_id, index};
    szl_buffer buffer;
    int size = static_cast<int>(buffer.size());
    throw_on_read_failure(address, impl_->read_reconnecting(address, buffer, size));
    // snap7 never reports more bytes than the room it was given.
    deliver_szl_records(address, std::span<const std::uint8_t>(buffer).first(static_cast<std::size_t>(size)),
                        callback);
}

}  // namespace korvel::probekit::libs7
