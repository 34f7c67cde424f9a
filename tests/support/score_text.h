// A score for a test, from the text of a score file that must read.
#pragma once

#include "store/record_store.h"
#include "store/score_file.h"

#include <gtest/gtest.h>

#include <string>

inline RecordStore parsedScore(const std::string& text) {
    RecordStore store;
    std::string error;
    EXPECT_TRUE(parseScore(nlohmann::json::parse(text), "s.json", "", store, error)) << error;
    return store;
}
