// Number entries against glibc's scanf, which they follow: count, bits, input left after the line.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "console/input.h"

void agv::leaveAtEndOfInput() {
    throw EOF;  // end of input before the first number
}

TEST(ReadNumbers, ReadAsScanfThenDropTheLine) {
    // clang-format off
    std::string inputs[] = {"1e 2", "1ex 2\n3", "100ergs\n4", "-.e1\n5", "1e+-2",    // exponents
        "in\nx\n7", "infin 5\n6", "INFINITY-nan(1) 2", "-\n4",                 // words, signs
        "0x\n5", "0x.p1 0xp", "0X1.8P1 -0 +.5", "  \n \t",                      // 0x, only spaces
        "1e999 1e-400", {"\0 1", 3}, "\x80 1", "0.1e5001", "9007199254740993.1 2"};  // long
    // clang-format on
    inputs[16].insert(2, 5000, '0');   // 0.000...1e5001
    inputs[17].insert(17, 5000, '0');  // 2^53 + 1.000...1: just above a tie
    static const char* const kFormats[] = {"%lf", "%lf %lf", "%lf %lf %lf"};
    FILE* const realStdin = stdin;
    for (int i = 0, count = 1; i < 3 * static_cast<int>(std::size(inputs)); count = ++i % 3 + 1) {
        const std::string& text = inputs[i / 3];
        SCOPED_TRACE(text + " " + std::to_string(count));
        double expected[3] = {-1.0, -1.0, -1.0}, got[3] = {-1.0, -1.0, -1.0};
        auto open = [&text] { return fmemopen(const_cast<char*>(text.data()), text.size(), "r"); };
        FILE* oracle = open();
        const int expectedCount =
            std::fscanf(oracle, kFormats[count - 1], &expected[0], &expected[1], &expected[2]);
        for (int c = 0; c != '\n' && c != EOF;) c = std::fgetc(oracle);  // the rest of the line
        stdin = open();
        int gotCount = EOF;
        try {
            gotCount = agv::readNumbers(count, got);
        } catch (int) {  // end of input: gotCount stays EOF
        }
        EXPECT_EQ(gotCount, expectedCount);
        EXPECT_EQ(std::memcmp(got, expected, sizeof got), 0);
        EXPECT_EQ(std::ftell(stdin), std::ftell(oracle));
        std::fclose(stdin), std::fclose(oracle);
    }
    stdin = realStdin;
}
