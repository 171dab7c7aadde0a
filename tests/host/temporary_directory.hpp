#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

namespace korvel::probekit::host::test_support {

// A fresh directory under the system's temporary directory, removed with everything in it.
class temporary_directory {
public:
    temporary_directory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "s7host-test-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~temporary_directory() { std::filesystem::remove_all(path_); }
    temporary_directory(const temporary_directory&) = delete;
    temporary_directory& operator=(const temporary_directory&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace korvel::probekit::host::test_support
