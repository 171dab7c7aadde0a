#pragma once

#include <string>
#include <vector>

namespace korvel::probekit::host::test_support {

// A program run to its end: its exit status (or 128 + the signal that ended it) and what it wrote.
struct finished_program {
    int exit = -1;
    std::string out;
    std::string err;
};

// Runs a program with the arguments and waits for it; its output goes through files, so any amount
// of it never blocks the child.
finished_program run_program(const std::string& path, const std::vector<std::string>& arguments);

// A program that runs while the test talks to it: its standard output is a pipe the test reads.
class running_program {
public:
    running_program(const std::string& path, const std::vector<std::string>& arguments);
    ~running_program();
    running_program(const running_program&) = delete;
    running_program& operator=(const running_program&) = delete;

    // The next line of its standard output without the line feed; false at the end of the output.
    bool read_line(std::string& line);
    void send_signal(int signal);
    // Waits for the end; the exit status, or 128 + the signal that ended it.
    int wait();

private:
    int pid_ = -1;
    int out_ = -1;
    std::string buffer_;
};

}  // namespace korvel::probekit::host::test_support
