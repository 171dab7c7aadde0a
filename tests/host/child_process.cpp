#include "tests/host/child_process.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <stdexcept>
#include <utility>

extern char** environ;

namespace korvel::probekit::host::test_support {

running_program::running_program(const std::string& path, const std::vector<std::string>& arguments) {
    std::string error_file = "/tmp/s7host-test-stderr-XXXXXX";
    const int error_output = mkostemp(error_file.data(), O_CLOEXEC);
    int pipe_ends[2];
    if (error_output < 0 || pipe2(pipe_ends, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot set up the output of " + path);
    error_file_ = error_file;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, error_output, STDERR_FILENO);
    // The child gets no blocked signals from the test's threads.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int failed = posix_spawn(&pid_, path.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_ends[1]);
    close(error_output);
    out_ = pipe_ends[0];
    if (failed != 0) {
        close(out_);
        unlink(error_file_.c_str());
        throw std::runtime_error("cannot start " + path);
    }
}

running_program::~running_program() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    close(out_);
    unlink(error_file_.c_str());
}

bool running_program::read_more() {
    char chunk[4096];
    ssize_t got;
    while ((got = read(out_, chunk, sizeof chunk)) < 0 && errno == EINTR) {
    }
    if (got > 0) buffer_.append(chunk, static_cast<std::size_t>(got));
    return got > 0;
}

bool running_program::read_line(std::string& line) {
    std::size_t end;
    while ((end = buffer_.find('\n')) == std::string::npos) {
        if (!read_more()) return false;
    }
    line = buffer_.substr(0, end);
    buffer_.erase(0, end + 1);
    return true;
}

void running_program::send_signal(int signal) {
    kill(pid_, signal);
}

finished_program running_program::wait() {
    while (read_more()) {
    }
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    std::ifstream error_output(error_file_);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), std::exchange(buffer_, {}),
            std::string(std::istreambuf_iterator<char>(error_output), {})};
}

}  // namespace korvel::probekit::host::test_support
