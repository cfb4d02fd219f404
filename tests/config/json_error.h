#pragma once
// Asserting which of the JSON library's exceptions a call raised.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

// Runs `call` and checks that it raised the JSON exception `Kind` with `id`
// and a message containing `text`.
template <class Kind, class Call>
void expectJsonError(Call call, int id, const std::string& text = "") {
    try {
        call();
        ADD_FAILURE() << "no exception; expected id " << id;
    } catch (const Kind& error) {
        EXPECT_EQ(error.id, id) << error.what();
        EXPECT_NE(std::string(error.what()).find(text), std::string::npos) << error.what();
    } catch (const std::exception& error) {
        ADD_FAILURE() << "wrong exception: " << error.what();
    }
}

using ParseError = nlohmann::json::parse_error;
using TypeError = nlohmann::json::type_error;
using OutOfRange = nlohmann::json::out_of_range;
