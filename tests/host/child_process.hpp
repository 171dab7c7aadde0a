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

// A program that runs while the test talks to it: its standard output is a pipe the test reads, its
// standard error goes to a file, so neither blocks the child.
class running_program {
public:
    running_program(const std::string& path, const std::vector<std::string>& arguments);
    ~running_program();
    running_program(const running_program&) = delete;
    running_program& operator=(const running_program&) = delete;

    // The next line of its standard output without the line feed; false at the end of the output.
    bool read_line(std::string& line);
    void send_signal(int signal);
    int pid() const { return pid_; }
    // Waits for the end: the output not read yet, the standard error and the exit status.
    finished_program wait();

private:
    bool read_more();

    int pid_ = -1;
    int out_ = -1;
    std::string buffer_;
    std::string error_file_;
};

// Runs a program with the arguments and waits for it.
inline finished_program run_program(const std::string& path, const std::vector<std::string>& arguments) {
    return running_program(path, arguments).wait();
}

}  // namespace korvel::probekit::host::test_support
