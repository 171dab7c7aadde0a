#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <string>
#include <typeinfo>

namespace json_query_test {

// `call` throws an exception of exactly class E (not one derived from it) whose text is `text`.
template <typename E, typename Call>
void expect_exactly(Call call, const std::string& text) {
    try {
        call();
        ADD_FAILURE() << "no exception; expected " << typeid(E).name() << ": " << text;
    } catch (const std::exception& error) {
        EXPECT_EQ(typeid(error), typeid(E)) << "thrown: " << typeid(error).name() << ": " << error.what();
        EXPECT_EQ(std::string(error.what()), text);
    }
}

}  // namespace json_query_test
