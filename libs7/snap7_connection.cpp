#include "libs7/snap7_connection.hpp"

#include <algorithm>
#include <mutex>
#include <string>

#include "libdeadline/deadline_mutex.hpp"
#include "libs7/exceptions.hpp"
#include "libs7/link_health.hpp"
#include "libs7/snap7_client.hpp"
#include "libs7/snap7_errors.hpp"
#include "libs7/szl_reply.hpp"

namespace korvel::probekit::libs7 {

using libdeadline::deadline;
using libdeadline::deadline_exceeded;

namespace {

// How long a failed link fails scans at once before one scan may try it again: short, so a PLC that
// comes back is seen soon, and never longer than the receive timeout.
constexpr std::chrono::milliseconds max_back_off{1000};
// How long a healthy controller may take to accept a link (TCP, ISO and S7 set-up: a few round trips)
// while other scans wait for it; a connect that runs longer releases the scans queued behind it.
constexpr std::chrono::milliseconds connect_patience{200};

}  // namespace

class snap7_connection::impl {
public:
    explicit impl(connection_settings settings) : settings_(std::move(settings)) {}

    // Returns snap7's result of the read that counts: the first, or after a failure the second.
    // Nothing starts after the deadline: not the wait for the link, a reconnect or a read.
    int read_reconnecting(const szl_address& address, szl_buffer& buffer, int& size, const deadline& scan) {
        const bool probe = link_.admit();
        // However the probe ends (connected, failed, out of time), the link may be probed again.
        const std::unique_ptr<link_health, void (*)(link_health*)> probe_end(
            probe ? &link_ : nullptr, [](link_health* link) { link->probe_ended(); });
        std::unique_lock lock(mutex_, std::defer_lock);
        wait_for_link(lock, scan);
        if (!probe) link_.admit_after_wait();
        if (!client_.connected()) connect(scan);
        const int first = read(address, buffer, size, scan);
        if (first == 0) return first;
        if (scan.expired()) throw deadline_exceeded(scan, snap7_error_text(first));
        // The controller may have dropped an idle link; the size stays as the first read left it.
        client_.disconnect();
        connect(scan);
        return read(address, buffer, size, scan);
    }

    bool backing_off() const { return link_.backing_off(); }

private:
    // Waits for the link within the scan's deadline, but not behind a connect that has outrun its
    // patience: such a controller does not answer, and this thread may serve another one meanwhile.
    void wait_for_link(std::unique_lock<libdeadline::deadline_mutex>& lock, const deadline& scan) {
        for (;;) {
            if (link_.connect_overdue()) {
                throw exceptions::connection_failed(
                    settings_.host, std::to_string(settings_.port),
                    "Another scan is connecting to it, and the link did not come up within " +
                        std::to_string(connect_patience.count()) + " ms.");
            }
            if (lock.try_lock_until(link_.wait_until(scan.at()))) return;
            if (scan.expired()) {
                throw deadline_exceeded(scan,
                                        "The link to " + settings_.host + " was busy with another scan.");
            }
        }
    }

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
        link_.connecting();
        const int result = client_.connect_to(settings_.host, settings_.rack, settings_.slot);
        if (result == 0) {
            link_.connected();
            return;
        }
        // Recorded even when the deadline cut the connect short: the link did not come up in the time
        // there was, and the scans behind this one should not each wait as long again.
        try {
            throw_connect_failure(connect_step::connect, settings_, result);
        } catch (...) {
            link_.failed(std::current_exception());
            if (scan.expired()) throw deadline_exceeded(scan, snap7_error_text(result));
            throw;
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
    link_health link_{std::min(settings_.receive_timeout, max_back_off), connect_patience};
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

bool snap7_connection::backing_off() const {
    return impl_->backing_off();
}

}  // namespace korvel::probekit::libs7
