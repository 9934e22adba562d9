#include "core/NumberValue.h"
#include "core/AgentError.h"

#include <gtest/gtest.h>

TEST(NumberValue, LeadingNumericPart) {
    struct Case {
        const char* text;
        double value;
    } cases[] = {{"", 0},       {"abc", 0}, {"12abc", 12},       {"  45.5", 45.5}, {"10003.7", 10003.7},
                 {"-1", -1},    {"+2", 2},  {".5", 0.5},         {"1.", 1},        {"1,5", 1},
                 {"1e3", 1000}, {"1e", 1},  {"10003abc", 10003}, {"- 1", 0},       {"0x10", 0}};
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(NumberValue::of(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(NumberValue, RoundsHalvesToEven) {
    EXPECT_EQ(NumberValue::roundHalfEven(0.5), 0);
    EXPECT_EQ(NumberValue::roundHalfEven(1.5), 2);
    EXPECT_EQ(NumberValue::roundHalfEven(2.5), 2);
    EXPECT_EQ(NumberValue::roundHalfEven(2.51), 3);
    EXPECT_EQ(NumberValue::roundHalfEven(-0.5), 0);
    EXPECT_EQ(NumberValue::roundHalfEven(-1.5), -2);
}

TEST(NumberValue, TextAndConversions) {
    EXPECT_EQ(NumberValue::text(1003), "1003");
    EXPECT_EQ(NumberValue::text(10003.7), "10003.7");
    EXPECT_EQ(NumberValue::text(45.5), "45.5");
    EXPECT_EQ(NumberValue::toInt16("5"), 5);
    EXPECT_EQ(NumberValue::toInt16(" 2.5 "), 2);
    EXPECT_THROW(NumberValue::toInt16("lunes"), AgentError);
    EXPECT_THROW(NumberValue::toInt16("40000"), AgentError);
    EXPECT_TRUE(NumberValue::toBoolean("1"));
    EXPECT_TRUE(NumberValue::toBoolean("-1"));
    EXPECT_FALSE(NumberValue::toBoolean("0"));
    EXPECT_TRUE(NumberValue::toBoolean("True"));
    EXPECT_FALSE(NumberValue::toBoolean("FALSE"));
    EXPECT_THROW(NumberValue::toBoolean("yes"), AgentError);
}
