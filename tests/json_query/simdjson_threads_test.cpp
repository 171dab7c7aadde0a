// Answers parsed with simdjson on four threads at once: every thread reads its own answers' values,
// however the parses interleave.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "libjsonparser/simdjson_pointer_parser.hpp"

namespace {

namespace json_parser = korvel::probekit::libjsonparser;

TEST(simdjson_threads, each_thread_reads_its_own_answers) {
    constexpr int thread_count = 4;
    constexpr int parses = 10000;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int thread = 0; thread < thread_count; ++thread) {
        threads.emplace_back([thread, &wrong] {
            for (int parse = 0; parse < parses; ++parse) {
                const std::string id = "Plc." + std::to_string(thread) + "." + std::to_string(parse);
                // Lengths differ from parse to parse, so the buffers are resized as well as reused.
                const std::string text = R"([{"id":")" + id + R"(","result":)" + std::to_string(parse) +
                                         R"(,"pad":")" + std::string(static_cast<std::size_t>(parse % 97), 'x') +
                                         R"("}])";
                const auto answers = json_parser::parse_json_document(text)->get_array("");
                if (answers.size() != 1 || answers[0]->get_string("id") != id ||
                    answers[0]->get_int64("result") != parse) {
                    ++wrong;
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
