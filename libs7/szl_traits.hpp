#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "libs7/szl_address.hpp"

namespace korvel::probekit::libs7 {

// What read_szl needs to know about a record type. Specialise it next to the record with:
//   static constexpr szl_address address;         the list ID and index to read
//   static constexpr std::uint32_t record_length; the LENTHDR the list must have
//   static Record decode(std::span<const std::uint8_t> record);  exactly record_length bytes
template <typename Record>
struct szl_record_traits;

// read_szl<Record> accepts exactly one record; read_szl<std::vector<Record>> any number, in list order.
template <typename T>
struct szl_list_traits {
    using record = T;
    static constexpr bool single_record = true;

    static T decode(std::span<const std::uint8_t> records, std::uint32_t) {
        return szl_record_traits<T>::decode(records.first(szl_record_traits<T>::record_length));
    }
};

template <typename Record>
struct szl_list_traits<std::vector<Record>> {
    using record = Record;
    static constexpr bool single_record = false;

    static std::vector<Record> decode(std::span<const std::uint8_t> records, std::uint32_t record_count) {
        constexpr std::size_t length = szl_record_traits<Record>::record_length;
        std::vector<Record> decoded;
        decoded.reserve(record_count);
        for (std::size_t i = 0; i < record_count; ++i) {
            decoded.push_back(szl_record_traits<Record>::decode(records.subspan(i * length, length)));
        }
        return decoded;
    }
};

}  // namespace korvel::probekit::libs7
