#include "libcertificatehelper/pem_certificates.hpp"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <string_view>
#include <vector>

namespace korvel::probekit::libcertificatehelper {
namespace {

bool is_hashed_name(const std::string& name) {
    const auto dot = name.find('.');
    if (dot != 8 || name.size() == 9) return false;
    return std::all_of(name.begin(), name.begin() + 8, [](unsigned char c) { return std::isxdigit(c); }) &&
           std::all_of(name.begin() + 9, name.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::vector<std::string> hashed_files(const std::string& directory) {
    std::vector<std::string> files;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(directory, error), end; !error && entry != end;
         entry.increment(error)) {
        if (is_hashed_name(entry->path().filename().string())) files.push_back(entry->path().string());
    }
    // Directory order is arbitrary; a sorted walk gives the same bundle for the same files.
    std::sort(files.begin(), files.end());
    return files;
}

// Larger than any CA file; a file beyond it is not read at all.
constexpr std::uintmax_t max_file_size = 64 * 1024 * 1024;

std::string file_text(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size > max_file_size) return {};
    std::ifstream file(path, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));
    return text;
}

// The base64 body of a PEM block, without line breaks: the same certificate found in two files
// (the default file and its directory usually hold the same set) is decoded only once.
std::string block_body(std::string_view block) {
    std::string body;
    body.reserve(block.size());
    const auto first_line_end = block.find('\n');
    const auto last_line_start = block.rfind("-----END ");
    if (first_line_end == std::string_view::npos || last_line_start <= first_line_end) return body;
    for (const char c : block.substr(first_line_end + 1, last_line_start - first_line_end - 1)) {
        if (!std::isspace(static_cast<unsigned char>(c))) body += c;
    }
    return body;
}

class collector {
public:
    collector() : store_(X509_STORE_new()), pem_(BIO_new(BIO_s_mem())) {}

    // Every certificate block of the file; keys, revocation lists and broken blocks add nothing.
    void add_file(const std::string& path) {
        const std::string text = file_text(path);
        constexpr std::string_view begin = "-----BEGIN ";
        constexpr std::string_view end = "-----END ";
        for (auto start = text.find(begin); start != std::string::npos; start = text.find(begin, start + 1)) {
            const auto stop = text.find(end, start);
            if (stop == std::string::npos) return;
            const auto block_end = text.find("-----", stop + end.size());
            if (block_end == std::string::npos) return;
            add_block(std::string_view(text).substr(start, block_end + 5 - start));
        }
    }

    certificate_set finish() {
        certificate_set set;
        set.count = count_;
        if (pem_) {
            char* data = nullptr;
            const long size = BIO_get_mem_data(pem_.get(), &data);
            if (size > 0) set.pem.assign(data, static_cast<std::size_t>(size));
        }
        set.store = std::move(store_);
        return set;
    }

private:
    void add_block(std::string_view block) {
        const bool is_certificate = block.starts_with("-----BEGIN CERTIFICATE-----") ||
                                    block.starts_with("-----BEGIN TRUSTED CERTIFICATE-----") ||
                                    block.starts_with("-----BEGIN X509 CERTIFICATE-----");
        if (!is_certificate || !seen_.insert(block_body(block)).second) return;
        bio_ptr text(BIO_new_mem_buf(block.data(), static_cast<int>(block.size())));
        // Reads the trusted form as well as the plain one.
        const x509_ptr certificate(text ? PEM_read_bio_X509_AUX(text.get(), nullptr, nullptr, nullptr)
                                        : nullptr);
        if (certificate) {
            ++count_;
            // Written back in the plain form, which every TLS library reads.
            if (pem_) PEM_write_bio_X509(pem_.get(), certificate.get());
            if (store_) X509_STORE_add_cert(store_.get(), certificate.get());
        }
        ERR_clear_error();
    }

    std::set<std::string> seen_;
    std::size_t count_ = 0;
    x509_store_ptr store_;
    bio_ptr pem_;
};

}  // namespace

certificate_set collect_certificates(const trust_locations& locations) {
    collector certificates;
    for (const auto& file : locations.files) certificates.add_file(file);
    for (const auto& directory : locations.directories) {
        for (const auto& file : hashed_files(directory)) certificates.add_file(file);
    }
    return certificates.finish();
}

}  // namespace korvel::probekit::libcertificatehelper
