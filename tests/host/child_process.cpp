#include "tests/host/child_process.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace korvel::probekit::host::test_support {
namespace {

std::vector<char*> argv_of(const std::string& path, const std::vector<std::string>& arguments) {
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    return argv;
}

pid_t spawn(const std::string& path, const std::vector<std::string>& arguments,
            posix_spawn_file_actions_t& actions) {
    // The child gets no blocked signals from the test's threads.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    auto argv = argv_of(path, arguments);
    const int error = posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) throw std::runtime_error("cannot start " + path);
    return pid;
}

int wait_for(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) throw std::runtime_error("waitpid failed");
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string temporary_file() {
    std::string pattern = "/tmp/s7host-test-output-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) throw std::runtime_error("cannot create a temporary file");
    close(fd);
    return pattern;
}

}  // namespace

finished_program run_program(const std::string& path, const std::vector<std::string>& arguments) {
    const std::string out = temporary_file();
    const std::string err = temporary_file();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_TRUNC, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_TRUNC, 0);
    finished_program finished;
    finished.exit = wait_for(spawn(path, arguments, actions));
    finished.out = read_file(out);
    finished.err = read_file(err);
    unlink(out.c_str());
    unlink(err.c_str());
    return finished;
}

running_program::running_program(const std::string& path, const std::vector<std::string>& arguments) {
    int pipe_ends[2];
    if (pipe2(pipe_ends, O_CLOEXEC) != 0) throw std::runtime_error("cannot create a pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
    try {
        pid_ = spawn(path, arguments, actions);
    } catch (...) {
        close(pipe_ends[0]);
        close(pipe_ends[1]);
        throw;
    }
    close(pipe_ends[1]);
    out_ = pipe_ends[0];
}

running_program::~running_program() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        wait_for(pid_);
    }
    if (out_ >= 0) close(out_);
}

bool running_program::read_line(std::string& line) {
    for (;;) {
        if (const auto end = buffer_.find('\n'); end != std::string::npos) {
            line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return true;
        }
        char chunk[4096];
        const ssize_t got = read(out_, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        buffer_.append(chunk, static_cast<std::size_t>(got));
    }
}

void running_program::send_signal(int signal) {
    kill(pid_, signal);
}

int running_program::wait() {
    const int status = wait_for(pid_);
    pid_ = -1;
    return status;
}

}  // namespace korvel::probekit::host::test_support
