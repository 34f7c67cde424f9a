// Numbers as the host's dialog services show and read them.
#include "services/dialog_units.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(DialogUnitsTest, ValuesShowWithAtMostFiveDecimals) {
    EXPECT_EQ(formatUnitValue(24.0 / evpusPerUnit(2)), "0.08333");
    EXPECT_EQ(formatUnitValue(100.0 / evpusPerUnit(3)), "0.88194");
    EXPECT_EQ(formatUnitValue(250.0), "250") << "whole numbers lose the point";
    EXPECT_EQ(formatUnitValue(-12.25), "-12.25");
    EXPECT_EQ(formatUnitValue(0.000004), "0");
    EXPECT_EQ(formatUnitValue(-0.000004), "0") << "no negative zero";
    EXPECT_EQ(formatUnitValue(-0.0), "0");
    EXPECT_EQ(formatUnitValue(0.000006), "0.00001");
    EXPECT_EQ(evpusPerUnit(0), 1.0);
    EXPECT_EQ(evpusPerUnit(7), 1.0);
    EXPECT_EQ(evpusPerUnit(4), 4.0);
}

TEST(DialogUnitsTest, NumbersAreReadStrictly) {
    const std::pair<const char*, double> numbers[] = {
        {"1.5", 1.5}, {" -2 ", -2.0}, {"+.5", 0.5}, {"5.", 5.0}, {"\t007", 7.0}, {"-0", 0.0},
    };
    for (const auto& [text, expected] : numbers) {
        double value = 99;
        EXPECT_TRUE(parseUnitValue(text, value)) << text;
        EXPECT_DOUBLE_EQ(value, expected) << text;
    }
    for (const char* text : {"", "  ", ".", "-", "1.2.3", "1e3", "12 3", "0x10", "1,5", "--1"}) {
        double value = 99;
        EXPECT_FALSE(parseUnitValue(text, value)) << text;
        EXPECT_EQ(value, 99) << text;
    }
}

TEST(DialogUnitsTest, FieldsShowAndReadDistancesInTheirUnit) {
    EXPECT_EQ(unitFieldText(24.0, 2), "0.08333") << "24 EVPUs in inches";
    EXPECT_EQ(unitFieldText(-36.0, 5), "-0.75") << "in picas";
    EXPECT_EQ(unitFieldText(24.0, 9), "24") << "an unknown unit shows EVPUs";
    double evpus = 99;
    EXPECT_TRUE(readUnitField("1.5", 6, evpus));
    EXPECT_DOUBLE_EQ(evpus, 36.0) << "1.5 spaces";
    EXPECT_TRUE(readUnitField(" -2 ", 3, evpus));
    EXPECT_DOUBLE_EQ(evpus, -2 * 288.0 / 2.54) << "centimeters";
    evpus = 99;
    EXPECT_FALSE(readUnitField("1e1", 2, evpus));
    EXPECT_EQ(evpus, 99) << "a text that is no number leaves the value unwritten";
}

TEST(DialogUnitsTest, WholeNumbersSaturate) {
    EXPECT_EQ(parseWholeNumber(" 12 "), 12);
    EXPECT_EQ(parseWholeNumber("-0012"), -12);
    EXPECT_EQ(parseWholeNumber("2147483647"), INT_MAX);
    EXPECT_EQ(parseWholeNumber("2147483648"), INT_MAX);
    EXPECT_EQ(parseWholeNumber("-2147483649"), INT_MIN);
    EXPECT_EQ(parseWholeNumber("123456789012345678901234567890"), INT_MAX);
    EXPECT_EQ(parseWholeNumber("+"), 0);
    EXPECT_EQ(parseWholeNumber("3.0"), 0);
}

} // namespace
