#pragma once

#include <memory>

#include "libs7/connection_interface.hpp"
#include "libs7/connection_settings.hpp"

namespace korvel::probekit::libs7 {

// A connection_interface over one snap7 client. Thread-safe: one mutex serialises every client call.
// Connects on the first read, keeps the link open between reads, and after a failed read
// disconnects, connects again and reads once more within the same call. After a failed connect the
// link fails fast for a back-off (see link_health).
class snap7_connection final : public connection_interface {
public:
    // Creates the snap7 client (std::bad_alloc when that fails); no network activity yet.
    explicit snap7_connection(connection_settings settings);
    ~snap7_connection() override;
    snap7_connection(const snap7_connection&) = delete;
    snap7_connection& operator=(const snap7_connection&) = delete;

    // Throws connection_failed, could_not_set_remote_port, could_not_set_recv_timeout, szl_too_large,
    // read_szl_failed or deadline_exceeded; the callback runs after the mutex is released.
    void read_szl(std::uint16_t szl_id, std::uint16_t index, const libdeadline::deadline& deadline,
                  const szl_record_callback& callback) override;
    bool backing_off() const override;

private:
    class impl;
    std::unique_ptr<impl> impl_;
};

}  // namespace korvel::probekit::libs7
