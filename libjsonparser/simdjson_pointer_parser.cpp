#include "libjsonparser/simdjson_pointer_parser.hpp"

#include <simdjson.h>

#include <new>

#include "libjsonparser/json_conversions.hpp"
#include "libjsonparser/json_pointer_path.hpp"
#include "libjsonparser/json_text.hpp"
#include "libjsonparser/json_view_queries.hpp"
#include "libjsonparser/jsonpointer_parser.hpp"
#include "libjsonparser/simdjson_view.hpp"
#include "libparser/exceptions.hpp"

namespace korvel::probekit::libjsonparser {
namespace {

// A thread's parser keeps its buffers from text to text, but only for texts of an answer's size.
constexpr std::size_t max_reused_capacity = 64 * 1024;

// Queries over a part of a document, which it keeps alive. The part's path from the top of the
// document names it in errors.
class simdjson_pointer_parser : public libparser::parser_interface {
public:
    simdjson_pointer_parser(std::shared_ptr<const simdjson::dom::document> document, simdjson_view value,
                            std::string base_path)
        : document_(std::move(document)), value_(value), base_path_(std::move(base_path)) {}

private:
    // A path that finds a value spells each member as its name is, so it is the value's path too.
    value_site site(const std::string& path) const { return {nullptr, nullptr, path, base_path_}; }
    // Makes the parsers of the parts of the value at `path`, by index or member name.
    auto children_at(const std::string& path) const {
        return [this, parent = member_path(site(path))](simdjson_view part, auto step) {
            return std::make_unique<simdjson_pointer_parser>(document_, part, child_path(parent, step));
        };
    }

public:
    std::string get_string(const std::string& path) const override {
        return convert_to_string(single_value(resolve(path)), site(path));
    }
    std::int64_t get_int64(const std::string& path) const override {
        return convert_to_int64(single_value(resolve(path)), site(path));
    }
    double get_double(const std::string& path) const override {
        return convert_to_double(single_value(resolve(path)), site(path));
    }
    bool get_bool(const std::string& path) const override {
        return convert_to_bool(single_value(resolve(path)), site(path));
    }
    std::uint64_t get_uint64(const std::string& path) const override {
        return convert_to_uint64(single_value(resolve(path)), site(path));
    }
    std::vector<std::string> get_member_names(const std::string& path) const override {
        return member_names_of(resolve(path), site(path));
    }
    std::vector<std::unique_ptr<parser_interface>> get_array(const std::string& path) const override {
        return elements_of(resolve(path), site(path), children_at(path));
    }
    std::map<std::string, std::unique_ptr<parser_interface>> get_object(const std::string& path) const override {
        return members_of(resolve(path), site(path), children_at(path));
    }
    std::string to_string() const override { return value_.text(); }
    bool designates(const std::string& path) const override { return find(path).has_value(); }

private:
    std::optional<simdjson_view> find(const std::string& path) const {
        return find_value(value_, path, member_names::match_case);
    }
    simdjson_view resolve(const std::string& path) const {
        const auto found = find(path);
        if (!found) throw libparser::exceptions::empty_result(path);
        return *found;
    }

    std::shared_ptr<const simdjson::dom::document> document_;
    simdjson_view value_;
    std::string base_path_;
};

simdjson::dom::parser new_parser() {
    simdjson::dom::parser parser(max_json_text_length);
    // simdjson counts at least one level per bracket (one more for some innermost values), so it takes
    // nothing parse_json_text refuses as too deep; what it refuses at the bound, jsonpointer_parser reads.
    if (parser.allocate(simdjson::dom::MINIMAL_DOCUMENT_CAPACITY, max_json_nesting_depth) != simdjson::SUCCESS) {
        throw std::bad_alloc();
    }
    return parser;
}

}  // namespace

std::unique_ptr<libparser::parser_interface> parse_with_simdjson(std::string_view text) {
    if (text.size() > max_json_text_length) return nullptr;
    thread_local simdjson::dom::parser reused = new_parser();
    simdjson::dom::parser one_off;
    auto& parser = text.size() <= max_reused_capacity ? reused : (one_off = new_parser());
    auto document = std::make_shared<simdjson::dom::document>();
    simdjson::dom::element root;
    if (parser.parse_into_document(*document, text.data(), text.size()).get(root) != simdjson::SUCCESS) {
        return nullptr;
    }
    return std::make_unique<simdjson_pointer_parser>(std::move(document), simdjson_view(root), std::string());
}

std::unique_ptr<libparser::parser_interface> parse_json_document(std::string_view text) {
    if (auto parsed = parse_with_simdjson(text)) return parsed;
    return std::make_unique<jsonpointer_parser>(text);
}

}  // namespace korvel::probekit::libjsonparser
