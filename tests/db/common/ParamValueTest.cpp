// A parameter's text from row to row: reused storage, never a stale byte,
// also when the new text is a piece of the old one.
#include "db/common/ParamValue.h"

#include <gtest/gtest.h>

namespace {

using rk::db::ParamValue;

struct Assignment {
    enum From { Literal, OwnTail, OwnWhole } from;
    const char* literal;  // Literal: the text; OwnTail: unused
    size_t tailAt;        // OwnTail: where the piece of the current text starts
    std::string expected;
};

TEST(ParamValue, EachTextReplacesTheLastOneWhateverItsLengthOrOrigin)
{
    using namespace std::string_literals;
    // legend: where the text comes from, literal, start of the own piece, the text held afterwards
    const Assignment steps[] = {
        {Assignment::Literal, "Talweg", 0, "Talweg"},
        {Assignment::Literal, "Nordostkante des Turms", 0, "Nordostkante des Turms"},
        {Assignment::Literal, "A", 0, "A"},
        {Assignment::Literal, "", 0, ""},
        {Assignment::Literal, "Gratweg", 0, "Gratweg"},
        {Assignment::OwnTail, nullptr, 4, "weg"},
        {Assignment::OwnWhole, nullptr, 0, "weg"},
        {Assignment::Literal, "Riss links", 0, "Riss links"},
        {Assignment::OwnTail, nullptr, 0, "Riss links"},
        {Assignment::OwnTail, nullptr, 10, ""},
    };
    ParamValue v;
    int i = 0;
    for (const Assignment& a : steps) {
        if (a.from == Assignment::Literal) v.assignText(a.literal);
        else if (a.from == Assignment::OwnTail) v.assignText(std::string_view(v.text()).substr(a.tailAt));
        else v.assignText(v.text());
        EXPECT_EQ(v.text(), a.expected) << "step " << i;
        EXPECT_TRUE(v.holdsText());
        EXPECT_FALSE(v.isNull());
        ++i;
    }
    // Bytes after a NUL count, and clearing keeps the type.
    v.assignText("a\0b"s);
    EXPECT_EQ(v.text(), "a\0b"s);
    v.clear();
    EXPECT_TRUE(v.isNull());
    EXPECT_EQ(v.asText(), "");
    EXPECT_EQ(v.dataType(), rk::db::DataType::ftString);
}

} // namespace
