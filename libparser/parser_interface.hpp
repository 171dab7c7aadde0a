#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace korvel::probekit::libparser {

// Reads values out of a parsed document by path, with typed conversions. Every query only reads;
// an object is used by one thread at a time. Failures are libparser::exceptions (or classes beneath
// them): empty_result when the path designates nothing, unexpected_type_error when the value's kind
// does not fit the getter.
class parser_interface {
public:
    virtual ~parser_interface() = default;

    virtual std::string get_string(const std::string& path) const = 0;
    virtual std::int64_t get_int64(const std::string& path) const = 0;
    virtual double get_double(const std::string& path) const = 0;
    virtual bool get_bool(const std::string& path) const = 0;
    // An unsigned integer, for the numbers above the signed 64-bit range some controllers send as ids.
    virtual std::uint64_t get_uint64(const std::string& path) const = 0;
    // The member names of the object at `path`, in the order the document keeps them.
    virtual std::vector<std::string> get_member_names(const std::string& path) const = 0;
    // One parser per element of the array at `path`, in array order.
    virtual std::vector<std::unique_ptr<parser_interface>> get_array(const std::string& path) const = 0;
    // One parser per member of the object at `path`, by member name.
    virtual std::map<std::string, std::unique_ptr<parser_interface>> get_object(
        const std::string& path) const = 0;
    // The whole held value in its text form.
    virtual std::string to_string() const = 0;
    // Whether `path` designates a value. It throws only for a malformed path, so optional members
    // are tested without the cost of an exception (see query_or_default).
    virtual bool designates(const std::string& path) const = 0;

protected:
    parser_interface() = default;
    // Parsers are handed around as owning pointers; copying through the interface would slice.
    parser_interface(const parser_interface&) = delete;
    parser_interface& operator=(const parser_interface&) = delete;
};

}  // namespace korvel::probekit::libparser
