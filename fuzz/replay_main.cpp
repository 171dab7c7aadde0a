// Runs a fuzz target without libFuzzer over every file of the directories (or the files) named on the
// command line, so the committed corpus checks the same properties in every build. A broken property
// aborts, naming the input that was running.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> inputs_named_by(int argc, char** argv) {
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (!std::filesystem::is_directory(path)) {
            inputs.push_back(path);
            continue;
        }
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            if (entry.is_regular_file()) inputs.push_back(entry.path());
        }
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

std::vector<std::uint8_t> contents_of(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::filesystem::filesystem_error("cannot read", path,
                                                std::make_error_code(std::errc::io_error));
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::filesystem::path> inputs = inputs_named_by(argc, argv);
    // An empty corpus would pass without checking anything.
    if (inputs.empty()) {
        std::cerr << "usage: " << argv[0] << " CORPUS_DIRECTORY|INPUT...  (found no inputs)\n";
        return 2;
    }
    for (const auto& input : inputs) {
        std::cerr << "replaying " << input.string() << '\n';
        const std::vector<std::uint8_t> bytes = contents_of(input);
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::cout << inputs.size() << " inputs replayed without a finding\n";
    return 0;
}
