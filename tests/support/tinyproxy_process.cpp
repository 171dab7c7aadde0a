#include "tests/support/tinyproxy_process.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace test_support {
namespace {

std::string find_tinyproxy() {
    for (const char* candidate : {"/usr/bin/tinyproxy", "/usr/sbin/tinyproxy", "/usr/local/bin/tinyproxy"}) {
        if (::access(candidate, X_OK) == 0) return candidate;
    }
    throw std::runtime_error(
        "tinyproxy is not installed: run scripts/bootstrap.sh, or apt-get install tinyproxy (Debian "
        "package)");
}

sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port nobody listens on right now; the proxy binds it a moment later.
std::uint16_t free_port() {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(probe);
    return ntohs(address.sin_port);
}

bool accepts_connections(std::uint16_t port) {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(port);
    const bool connected = ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    return connected;
}

std::string contents(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

tinyproxy_process::tinyproxy_process(const std::string& user, const std::string& password) {
    const std::string program = find_tinyproxy();
    std::string pattern = (std::filesystem::temp_directory_path() / "tinyproxy.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("no temporary directory for tinyproxy");
    directory_ = pattern;
    port_ = free_port();
    const std::string configuration = directory_ + "/tinyproxy.conf";
    const std::string log = directory_ + "/tinyproxy.log";
    std::ofstream(configuration) << "Port " << port_ << "\n"
                                 << "Listen 127.0.0.1\n"
                                 << "Timeout 10\n"
                                 << "MaxClients 16\n"
                                 << "LogLevel Error\n"
                                 << "Allow 127.0.0.1\n"
                                 << "BasicAuth " << user << " " << password << "\n";

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
    // -d keeps it in the foreground, so it stays our child and the destructor can stop it.
    const char* arguments[] = {program.c_str(), "-d", "-c", configuration.c_str(), nullptr};
    const int spawned =
        ::posix_spawn(&process_, program.c_str(), &files, nullptr, const_cast<char**>(arguments), environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0) throw std::runtime_error("tinyproxy could not be started");

    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!accepts_connections(port_)) {
        int status = 0;
        const bool ended = ::waitpid(process_, &status, WNOHANG) == process_;
        if (ended || std::chrono::steady_clock::now() > give_up) {
            const std::string output = contents(log);
            if (!ended) {
                ::kill(process_, SIGKILL);
                ::waitpid(process_, nullptr, 0);
            }
            std::error_code ignored;
            std::filesystem::remove_all(directory_, ignored);
            throw std::runtime_error("tinyproxy did not start: " + output);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

tinyproxy_process::~tinyproxy_process() {
    if (process_ > 0) {
        ::kill(process_, SIGTERM);
        ::waitpid(process_, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

}  // namespace test_support
