#include "tests/support/scripted_s7_peer.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>

namespace korvel::probekit::test_support {

namespace {

constexpr std::uint8_t tpkt_version = 0x03;
constexpr std::uint8_t cotp_connection_request = 0xE0;
constexpr std::uint8_t cotp_connection_confirm = 0xD0;
constexpr std::uint8_t cotp_data = 0xF0;
constexpr std::uint8_t s7_protocol_id = 0x32;
constexpr std::uint8_t s7_job = 0x01;
constexpr std::uint8_t s7_userdata = 0x07;
constexpr std::uint8_t setup_communication = 0xF0;
constexpr std::uint8_t szl_request_group = 0x44;  // request (4) of function group SZL (4)
constexpr std::uint8_t read_szl = 0x01;
constexpr std::size_t s7_header_size = 10;
constexpr std::uint16_t negotiated_pdu = 480;
constexpr auto link_poll_interval = std::chrono::milliseconds(50);

void put_u16(bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

// Userdata answer of group SZL: 10-byte header, 12 bytes of parameters, then `data`.
bytes szl_answer(std::span<const std::uint8_t> data, bool more_follows) {
    bytes pdu{s7_protocol_id, s7_userdata, 0x00, 0x00, 0x00, 0x00};
    put_u16(pdu, 12);
    put_u16(pdu, static_cast<std::uint16_t>(data.size()));
    // Head, parameter length 8, response, group SZL, read SZL, sequence 1, data unit 0, last unit
    // flag (0 = done), error 0.
    pdu.insert(pdu.end(), {0x00, 0x01, 0x12, 0x08, 0x12, 0x84, read_szl, 0x01, 0x00,
                           static_cast<std::uint8_t>(more_follows ? 0x01 : 0x00), 0x00, 0x00});
    pdu.insert(pdu.end(), data.begin(), data.end());
    return pdu;
}

bytes iso_data(std::span<const std::uint8_t> part, bool end_of_transmission) {
    const auto size = static_cast<std::uint16_t>(part.size() + 7);
    bytes telegram{tpkt_version, 0x00};
    put_u16(telegram, size);
    telegram.insert(telegram.end(), {0x02, cotp_data, static_cast<std::uint8_t>(end_of_transmission ? 0x80 : 0x00)});
    telegram.insert(telegram.end(), part.begin(), part.end());
    return telegram;
}

// The ISO connection confirm for a request: the same telegram with the other type and our reference.
bytes connection_confirm(const bytes& request) {
    bytes confirm = request;
    confirm[5] = cotp_connection_confirm;
    std::copy(request.begin() + 8, request.begin() + 10, confirm.begin() + 6);  // their source is our destination
    confirm[8] = 0x00;
    confirm[9] = 0x01;
    return confirm;
}

// The answer to "setup communication": one job at a time each way, a 480-byte PDU.
bytes setup_answer(std::span<const std::uint8_t> request) {
    bytes pdu{s7_protocol_id, 0x03, 0x00, 0x00, request[4], request[5]};
    put_u16(pdu, 8);
    put_u16(pdu, 0);
    pdu.insert(pdu.end(), {0x00, 0x00, setup_communication, 0x00, 0x00, 0x01, 0x00, 0x01});
    put_u16(pdu, negotiated_pdu);
    return iso_telegram(pdu);
}

}  // namespace

bytes szl_list(std::uint16_t record_length, std::span<const std::uint8_t> records) {
    bytes list;
    put_u16(list, record_length);
    put_u16(list, static_cast<std::uint16_t>(record_length == 0 ? 0 : records.size() / record_length));
    list.insert(list.end(), records.begin(), records.end());
    return list;
}

bytes szl_first_slice(std::uint16_t szl_id, std::uint16_t index, std::span<const std::uint8_t> list,
                      bool more_follows, std::optional<std::uint16_t> data_length) {
    bytes data{0xFF, 0x09};
    put_u16(data, data_length.value_or(static_cast<std::uint16_t>(list.size() + 4)));
    put_u16(data, szl_id);
    put_u16(data, index);
    data.insert(data.end(), list.begin(), list.end());
    return szl_answer(data, more_follows);
}

bytes szl_next_slice(std::span<const std::uint8_t> part, bool more_follows) {
    bytes data{0xFF, 0x09};
    put_u16(data, static_cast<std::uint16_t>(part.size()));
    data.insert(data.end(), part.begin(), part.end());
    return szl_answer(data, more_follows);
}

bytes iso_telegram(std::span<const std::uint8_t> s7_pdu) {
    return iso_data(s7_pdu, true);
}

bytes iso_fragments(std::span<const std::uint8_t> s7_pdu, const std::vector<std::size_t>& cuts) {
    bytes telegrams;
    std::size_t from = 0;
    for (const auto cut : cuts) {
        const auto part = iso_data(s7_pdu.subspan(from, cut - from), false);
        telegrams.insert(telegrams.end(), part.begin(), part.end());
        from = cut;
    }
    const auto last = iso_data(s7_pdu.subspan(from), true);
    telegrams.insert(telegrams.end(), last.begin(), last.end());
    return telegrams;
}

class scripted_s7_peer::impl {
public:
    impl(peer_behaviour behaviour, std::vector<bytes> szl_replies, std::size_t close_after)
        : behaviour_(behaviour),
          szl_replies_(std::make_shared<const std::vector<bytes>>(std::move(szl_replies))),
          close_after_(close_after) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        if (listener_ < 0) throw std::system_error(errno, std::generic_category(), "socket");
        const int yes = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 16) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            const int error = errno;
            ::close(listener_);
            throw std::system_error(error, std::generic_category(), "listen on 127.0.0.1");
        }
        port_ = ntohs(address.sin_port);
        acceptor_ = std::thread([this] { accept_links(); });
    }

    ~impl() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        acceptor_.join();
        links_.clear();  // waits for each link's thread
        ::close(listener_);
    }

    std::uint16_t port() const { return port_; }

    void set_szl_replies(std::vector<bytes> szl_replies) {
        auto replies = std::make_shared<const std::vector<bytes>>(std::move(szl_replies));
        std::lock_guard lock(mutex_);
        szl_replies_ = std::move(replies);
    }

    void wait_for_links_to_end() {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return open_links_ == 0; });
    }

private:
    // One link's progress through the script.
    struct link_state {
        int fd;
        std::shared_ptr<const std::vector<bytes>> szl_replies;
        std::size_t szl_answered = 0;
        std::size_t bytes_sent = 0;
        bool end_after_sending = false;
    };

    bool stopping() {
        std::lock_guard lock(mutex_);
        return stopping_;
    }

    std::shared_ptr<const std::vector<bytes>> current_szl_replies() {
        std::lock_guard lock(mutex_);
        return szl_replies_;
    }

    // Waits up to the poll interval for the descriptor to become readable.
    static bool readable(int fd) {
        pollfd entry{fd, POLLIN, 0};
        return ::poll(&entry, 1, static_cast<int>(link_poll_interval.count())) > 0;
    }

    void accept_links() {
        while (!stopping()) {
            if (!readable(listener_)) continue;
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd < 0) continue;
            // links_ is only touched here and, after the acceptor has ended, by the destructor. Ended
            // links go as new ones come, so a peer serving many links does not pile up threads.
            std::erase_if(links_, [](const std::future<void>& link) {
                return link.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
            });
            {
                std::lock_guard lock(mutex_);
                ++open_links_;
            }
            links_.push_back(std::async(std::launch::async, [this, fd, replies = current_szl_replies()] {
                serve(link_state{fd, replies});
                ::close(fd);
                {
                    std::lock_guard lock(mutex_);
                    --open_links_;
                }
                wake_.notify_all();
            }));
        }
    }

    void serve(link_state link) {
        if (behaviour_ == peer_behaviour::garbage_after_connect) {
            static constexpr std::string_view garbage = "HTTP/1.1 400 Bad Request\r\n\r\n";
            if (!send(link, bytes(garbage.begin(), garbage.end()))) return;
        }
        while (const auto telegram = receive_telegram(link.fd)) {
            if (behaviour_ == peer_behaviour::silent) continue;
            if (!send(link, answer(*telegram, link))) return;
        }
    }

    // Reads exactly `size` bytes; false when the link ended or the peer stops.
    bool receive(int fd, std::uint8_t* into, std::size_t size) {
        while (size > 0) {
            if (stopping()) return false;
            if (!readable(fd)) continue;
            const auto got = ::recv(fd, into, size, 0);
            if (got <= 0) return false;
            into += got;
            size -= static_cast<std::size_t>(got);
        }
        return true;
    }

    // One TPKT telegram, header included; nothing when the link ended or sent no TPKT.
    std::optional<bytes> receive_telegram(int fd) {
        bytes telegram(4);
        if (!receive(fd, telegram.data(), telegram.size()) || telegram[0] != tpkt_version) return std::nullopt;
        const std::size_t size = telegram[2] * 256u + telegram[3];
        if (size < 7) return std::nullopt;  // shorter than TPKT and the smallest COTP header
        telegram.resize(size);
        if (!receive(fd, telegram.data() + 4, size - 4)) return std::nullopt;
        return telegram;
    }

    bytes answer(const bytes& telegram, link_state& link) {
        const std::uint8_t cotp_type = telegram[5];
        if (cotp_type == cotp_connection_request) {
            return telegram.size() >= 11 ? connection_confirm(telegram) : bytes{};
        }
        const std::size_t pdu_start = 5u + telegram[4];
        if (cotp_type != cotp_data || pdu_start >= telegram.size()) return {};
        const std::span<const std::uint8_t> pdu(telegram.data() + pdu_start, telegram.size() - pdu_start);
        if (pdu.size() < s7_header_size + 8 || pdu[0] != s7_protocol_id) return {};
        if (pdu[1] == s7_job && pdu[s7_header_size] == setup_communication) return setup_answer(pdu);
        // Userdata parameters: head (3), length, method, group, subfunction, sequence.
        if (pdu[1] != s7_userdata || pdu[s7_header_size + 5] != szl_request_group ||
            pdu[s7_header_size + 6] != read_szl) {
            return {};
        }
        return szl_reply(link);
    }

    bytes szl_reply(link_state& link) {
        const auto& replies = *link.szl_replies;
        if (behaviour_ == peer_behaviour::replies_then_end) {
            link.end_after_sending = link.szl_answered + 1 >= replies.size();
            return link.szl_answered < replies.size() ? replies[link.szl_answered++] : bytes{};
        }
        if (replies.empty()) return {};
        return replies[std::min(link.szl_answered++, replies.size() - 1)];
    }

    // Sends as the behaviour says; false when the link is to end.
    bool send(link_state& link, const bytes& data) {
        std::span<const std::uint8_t> rest(data);
        if (link.end_after_sending) {
            // The client reads the end of the stream; what it sends after that is read and dropped.
            const bool sent = send_all(link.fd, rest);
            ::shutdown(link.fd, SHUT_WR);
            return sent;
        }
        if (behaviour_ == peer_behaviour::close_after_bytes) {
            const auto part = std::min(close_after_ - std::min(link.bytes_sent, close_after_), rest.size());
            if (!send_all(link.fd, rest.first(part))) return false;
            link.bytes_sent += part;
            return link.bytes_sent < close_after_;
        }
        if (behaviour_ == peer_behaviour::delayed) {
            const auto half = rest.size() / 2;
            return pause(std::chrono::milliseconds(100)) && send_all(link.fd, rest.first(half)) &&
                   pause(std::chrono::milliseconds(50)) && send_all(link.fd, rest.subspan(half));
        }
        if (behaviour_ != peer_behaviour::trickle) return send_all(link.fd, rest);
        for (std::size_t at = 0; at < rest.size(); ++at) {
            if (!pause(std::chrono::seconds(1)) || !send_all(link.fd, rest.subspan(at, 1))) return false;
        }
        return true;
    }

    // False when the peer is stopping.
    bool pause(std::chrono::milliseconds time) {
        std::unique_lock lock(mutex_);
        return !wake_.wait_for(lock, time, [this] { return stopping_; });
    }

    static bool send_all(int fd, std::span<const std::uint8_t> data) {
        while (!data.empty()) {
            const auto sent = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
            if (sent <= 0) return false;
            data = data.subspan(static_cast<std::size_t>(sent));
        }
        return true;
    }

    const peer_behaviour behaviour_;
    std::shared_ptr<const std::vector<bytes>> szl_replies_;  // guarded by mutex_
    const std::size_t close_after_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::size_t open_links_ = 0;
    std::vector<std::future<void>> links_;
    std::thread acceptor_;
};

scripted_s7_peer::scripted_s7_peer(peer_behaviour behaviour, std::vector<bytes> szl_replies, std::size_t close_after)
    : impl_(std::make_unique<impl>(behaviour, std::move(szl_replies), close_after)) {}

scripted_s7_peer::~scripted_s7_peer() = default;

std::uint16_t scripted_s7_peer::port() const {
    return impl_->port();
}

void scripted_s7_peer::set_szl_replies(std::vector<bytes> szl_replies) {
    impl_->set_szl_replies(std::move(szl_replies));
}

void scripted_s7_peer::wait_for_links_to_end() {
    impl_->wait_for_links_to_end();
}

}  // namespace korvel::probekit::test_support
