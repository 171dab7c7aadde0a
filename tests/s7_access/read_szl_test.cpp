// read_szl over a scripted connection: header checks, the 0xFFFF correction, retries, log lines.

#include "libs7/read_szl.hpp"

#include <gtest/gtest.h>

#include <thread>

#include "libs7/exceptions.hpp"
#include "record_bytes.hpp"
#include "recording_log.hpp"
#include "s7/records/cpu_status.hpp"
#include "s7/records/cycle_time.hpp"
#include "s7/records/diagnostics_data.hpp"
#include "scripted_connection.hpp"
#include "tests/support/expect_error.hpp"

namespace {

namespace libs7 = korvel::probekit::libs7;
namespace s7 = korvel::probekit::s7;
namespace errors = korvel::probekit::libs7::exceptions;
namespace libdeadline = korvel::probekit::libdeadline;
using namespace s7_access_test;
using namespace std::chrono_literals;
using diagnostics = std::vector<s7::all_diagnostics_data>;
using i18n_exception = korvel::probekit::libi18n::i18n_exception;

const date_and_time some_time{0x24, 0x03, 0x05, 0x14, 0x07, 0x09, 0x25, 0x03};

class read_szl_test : public ::testing::Test {
protected:
    // The retry delays are recorded, not waited; `sleep` makes them pass for real.
    template <typename T>
    T read(scripted_connection& connection, bool retry = true, bool sleep = false) {
        return libs7::read_szl<T>(connection, 40ms, retry, deadline, log,
                                  [this, sleep](std::chrono::milliseconds delay) {
                                      waits.push_back(delay);
                                      if (sleep) std::this_thread::sleep_for(delay);
                                  });
    }

    // Runs the read, expects Exception with the exact text, and returns how many reads were made.
    template <typename T, typename Exception>
    std::size_t expect_failure(std::vector<scripted_connection::reply> script, const std::string& text,
                               bool retry = true) {
        scripted_connection connection(std::move(script));
        test_support::expect_error<Exception>([&] { read<T>(connection, retry); }, text);
        return connection.reads.size();
    }

    libdeadline::deadline deadline = libdeadline::deadline::after(60s);
    recording_log log;
    std::vector<std::chrono::milliseconds> waits;
};

TEST_F(read_szl_test, record_count_0xffff_is_taken_from_the_data_size_and_an_empty_list_is_empty) {
    scripted_connection connection(
        {szl_list{concatenated({diagnostic_record(0x1381, some_time), diagnostic_record(0x3501, some_time)}),
                  20, 0xFFFF}});
    const auto entries = read<diagnostics>(connection);
    ASSERT_EQ(entries.size(), 2U);
    EXPECT_EQ(entries[1].event_id, 0x3501);
    EXPECT_EQ(log.at_level(4),
              std::vector<std::string>{"N_DR (number of data records) sent by PLC is 0xFFFF, will "
                                       "instead use 2 (based on actual data size)"});

    scripted_connection empty({szl_list{{}, 20, 0}});
    EXPECT_TRUE(read<diagnostics>(empty).empty());
}

// Every length check in both directions: one byte more and one byte less than the header or the
// record type says.
TEST_F(read_szl_test, headers_that_do_not_fit_the_records_or_the_type_fail_without_correction) {
    const std::pair<szl_list, const char*> rows[] = {
        {{std::vector<std::uint8_t>(29), 28, 1},
         "The returned SSL size (29) does not match the expected size (28)."},
        {{std::vector<std::uint8_t>(27), 28, 1},
         "The returned SSL size (27) does not match the expected size (28)."},
        {{std::vector<std::uint8_t>(41), 20, 0xFFFF},
         "The returned SSL size (41) does not match the expected size (1310700)."},
        {{std::vector<std::uint8_t>(39), 20, 0xFFFF},
         "The returned SSL size (39) does not match the expected size (1310700)."},
        {{std::vector<std::uint8_t>(20), 0, 0xFFFF},
         "The returned SSL size (20) does not match the expected size (0)."},
        {{std::vector<std::uint8_t>(29), 29, 1},
         "The returned SSL element size (29) does not match the expected size (28)."},
        {{std::vector<std::uint8_t>(20), 20, 1},
         "The returned SSL element size (20) does not match the expected size (28)."},
        {{{}, 28, 0},
         "The returned SSL contained more than one element. Veltra expects exactly one element."},
    };
    for (const auto& [list, text] : rows) {
        SCOPED_TRACE(text);
        expect_failure<s7::cycle_time, i18n_exception>({list}, text, false);
        EXPECT_TRUE(log.at_level(4).empty());
    }
}

TEST_F(read_szl_test, single_record_list_with_two_records_is_retried_three_times) {
    const auto reads = expect_failure<s7::ob1::cpu_status, errors::unexpected_multiple_elements>(
        {szl_list{concatenated({cpu_status_record(8), cpu_status_record(8)}), 20, 2}},
        "The returned SSL contained more than one element. Veltra expects exactly one element.");

    EXPECT_EQ(reads, 3U);
    // The line appends ". " to the error's own full stop.
    const std::string failure =
        "Failed to read SZL 0x0424/0x0000: The returned SSL contained more than one element. Veltra expects "
        "exactly one element.. ";
    EXPECT_EQ(log.at_level(3),
              (std::vector<std::string>{failure + "2 attempts left.", failure + "1 attempts left.",
                                        failure + "0 attempts left."}));
    EXPECT_EQ(waits, (std::vector<std::chrono::milliseconds>{40ms, 40ms, 40ms}));
}

TEST_F(read_szl_test, noretry_reads_once_and_still_waits_once) {
    const auto reads = expect_failure<s7::ob1::cpu_status, errors::read_szl_failed>(
        {failure<errors::read_szl_failed>("0424", "0000", "CPU : Item not available")},
        "Failed to read system status list with SSL-ID 0x0424/0x0000. CPU : Item not available", false);

    EXPECT_EQ(reads, 1U);
    EXPECT_EQ(log.at_level(3), std::vector<std::string>{
                                   "Failed to read SZL 0x0424/0x0000: Failed to read system status list with "
                                   "SSL-ID 0x0424/0x0000. CPU : Item not available. 0 attempts left."});
    EXPECT_EQ(waits, std::vector<std::chrono::milliseconds>{40ms});
}

TEST_F(read_szl_test, list_too_large_is_never_retried) {
    const auto reads = expect_failure<diagnostics, errors::szl_too_large>(
        {failure<errors::szl_too_large>("00a0", "0000")},
        "Failed to read system status list with SSL-ID 0x00a0/0x0000. Too many records in the list.");

    EXPECT_EQ(reads, 1U);
    EXPECT_EQ(log.at_level(3).size(), 1U);
    EXPECT_TRUE(waits.empty());
}

TEST_F(read_szl_test, a_later_attempt_that_succeeds_ends_the_loop) {
    scripted_connection connection(
        {failure<errors::connection_failed>("10.0.0.1", "102", "TCP : Connection timed out"),
         szl_list{cpu_status_record(4), 20, 1}});

    EXPECT_EQ(read<s7::ob1::cpu_status>(connection).mode, 4);
    EXPECT_EQ(connection.reads.size(), 2U);
    EXPECT_EQ(log.at_level(3),
              std::vector<std::string>{"Failed to read SZL 0x0424/0x0000: Failed to connect to "
                                       "10.0.0.1:102. TCP : Connection timed out. 2 attempts left."});
}

TEST_F(read_szl_test, no_attempt_starts_after_the_deadline_and_the_error_says_what_failed_last) {
    deadline = libdeadline::deadline(libdeadline::clock::now() + 60ms, 1s);
    scripted_connection connection(
        {failure<errors::read_szl_failed>("0424", "0000", "TCP : Connection reset")});
    test_support::expect_error<libdeadline::deadline_exceeded>(
        [&] { read<s7::ob1::cpu_status>(connection, true, true); },
        "An error occurred. The scan did not finish within its time-out of 1 s. Failed to read system status "
        "list with SSL-ID 0x0424/0x0000. TCP : Connection reset");
    EXPECT_EQ(connection.reads.size(), 2U) << "the third attempt would start after the deadline";
    ASSERT_EQ(waits.size(), 2U);
    EXPECT_EQ(waits[0], 40ms);
    EXPECT_LE(waits[1], 20ms) << "the second delay is cut to the time left";
}

}  // namespace
