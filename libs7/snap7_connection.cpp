#include "libs7/snap7_connection.hpp"

#include <mutex>
#include <string>

#include "libdeadline/deadline_mutex.hpp"
#include "libs7/exceptions.hpp"
#include "libs7/snap7_client.hpp"
#include "libs7/snap7_errors.hpp"
#include "libs7/szl_reply.hpp"

namespace korvel::probekit::libs7 {

using libdeadline::deadline;
using libdeadline::deadline_exceeded;

class snap7_connection::impl {
public:
    explicit impl(connection_settings settings) : settings_(std::move(settings)) {}

    // Returns snap7's result of the read that counts: the first, or after a failure the second.
    // Nothing starts after the deadline: not the wait for the link, a reconnect or a read.
    int read_reconnecting(const szl_address& address, szl_buffer& buffer, int& size, const deadline& scan) {
        std::unique_lock lock(mutex_, std::defer_lock);
        if (!lock.try_lock_until(scan.at())) {
            throw deadline_exceeded(scan, "The link to " + settings_.host + " was busy with another scan.");
        }
        if (!client_.connected()) connect(scan);
        const int first = read(address, buffer, size, scan);
        if (first == 0) return first;
        if (scan.expired()) throw deadline_exceeded(scan, snap7_error_text(first));
        // The controller may have dropped an idle link; the size stays as the first read left it.
        client_.disconnect();
        connect(scan);
        return read(address, buffer, size, scan);
    }

private:
    int read(const szl_address& address, szl_buffer& buffer, int& size, const deadline& scan) {
        budget(scan);
        return client_.read_szl(address.szl_id, address.index, buffer, size);
    }

    // Both parameters are set on every connect, as a fresh link needs them.
    void connect(const deadline& scan) {
        libdeadline::check(scan);
        if (const int result = client_.set_remote_port(settings_.port); result != 0) {
            throw_connect_failure(connect_step::set_remote_port, settings_, result);
        }
        if (const int result = client_.set_receive_timeout(settings_.receive_timeout); result != 0) {
            throw_connect_failure(connect_step::set_receive_timeout, settings_, result);
        }
        budget(scan);
        if (const int result = client_.connect_to(settings_.host, settings_.rack, settings_.slot);
            result != 0) {
            if (scan.expired()) throw deadline_exceeded(scan, snap7_error_text(result));
            throw_connect_failure(connect_step::connect, settings_, result);
        }
    }

    // Cuts every wait of the next client call to the time the scan has left.
    void budget(const deadline& scan) {
        if (const int result = client_.set_operation_budget(scan.time_left()); result != 0) {
            throw_connect_failure(connect_step::set_receive_timeout, settings_, result);
        }
    }

    libdeadline::deadline_mutex mutex_;
    snap7_client client_;
    const connection_settings settings_;
};

snap7_connection::snap7_connection(connection_settings settings)
    : impl_(std::make_unique<impl>(std::move(settings))) {}

snap7_connection::~snap7_connection() = default;

void snap7_connection::read_szl(std::uint16_t szl_id, std::uint16_t index, const deadline& scan,
                                const szl_record_callback& callback) {
    const szl_address address{szl_id, index};
    szl_buffer buffer;
    int size = static_cast<int>(buffer.size());
    const int result = impl_->read_reconnecting(address, buffer, size, scan);
    if (result != 0 && scan.expired()) throw deadline_exceeded(scan, snap7_error_text(result));
    throw_on_read_failure(address, result);
    // snap7 never reports more bytes than the room it was given.
    deliver_szl_records(address, std::span<const std::uint8_t>(buffer).first(static_cast<std::size_t>(size)),
                        callback);
}

}  // namespace korvel::probekit::libs7
