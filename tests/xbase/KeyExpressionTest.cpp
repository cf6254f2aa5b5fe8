// Key expressions: what each form evaluates to on a record, and the refusals.

#include "xbase/KeyExpression.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using xbase::FieldInfo;

std::vector<FieldInfo> fields()
{
    std::vector<FieldInfo> f{{"LAST", 'C', 8, 0}, {"FIRST", 'C', 5, 0}, {"CUNO", 'N', 6, 0},
                             {"AMT", 'N', 8, 2}, {"IDATE", 'D', 8, 0}, {"PAID", 'L', 1, 0},
                             {"NOTES", 'M', 10, 0}};
    std::string err;
    EXPECT_TRUE(xbase::DbfFile::checkFields(f, &err)) << err;
    return f;
}

// One record: " " flag, LAST "smith   ", FIRST "Ann  ", CUNO "    42", AMT "   -3.50",
// IDATE "20240315", PAID "T", NOTES blank.
const std::string kRecord = " smith   Ann      42   -3.5020240315T          ";

struct Case
{
    const char *expression;
    const char *key;
};

class KeyExpressionEval : public ::testing::TestWithParam<Case>
{
};

TEST_P(KeyExpressionEval, EvaluatesOnTheRecord)
{
    xbase::KeyExpression e;
    std::string err;
    ASSERT_TRUE(e.parse(GetParam().expression, fields(), &err)) << err;
    const auto *rec = reinterpret_cast<const unsigned char *>(kRecord.data());
    EXPECT_EQ(e.evaluate(rec), GetParam().key);
    EXPECT_EQ(e.keyLength(), int(std::string(GetParam().key).size()));
}

TEST(KeyExpression, StrOfABlankOrOddNumberFieldIsTheNumber)
{
    xbase::KeyExpression e;
    std::string err;
    ASSERT_TRUE(e.parse("STR(CUNO,6)", fields(), &err)) << err;
    for (auto [stored, key] : {std::pair{"      ", "     0"}, {"000042", "    42"},
                               {"  -0  ", "     0"}, {"    -7", "    -7"}}) {
        std::string rec = kRecord;
        rec.replace(1 + 8 + 5, 6, stored);
        EXPECT_EQ(e.evaluate(reinterpret_cast<const unsigned char *>(rec.data())), key) << stored;
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, KeyExpressionEval,
                         ::testing::Values(Case{"last", "smith   "},
                                           Case{"Upper(Last + First)", "SMITH   ANN  "},
                                           Case{"UPPER(LAST)+FIRST", "SMITH   Ann  "},
                                           Case{"Str(CuNo, 6)", "    42"},
                                           Case{"STR(CUNO,6,0)", "    42"},
                                           Case{"STR(CUNO,3)", " 42"},
                                           Case{"STR(CUNO,2)", "42"},
                                           Case{"STR(CUNO,1)", "*"},
                                           Case{"STR(AMT,8,2)", "   -3.50"},
                                           Case{"STR(AMT,6,1)", "  -3.5"},
                                           Case{"STR(CUNO)", "        42"},
                                           Case{"DTOS(IDATE)", "20240315"},
                                           Case{"FIRST + STR(CUNO,6,0)", "Ann      42"},
                                           Case{"'X'+LAST", "Xsmith   "}));

TEST(KeyExpression, RefusesWhatItCannotEvaluate)
{
    const char *bad[] = {"TRIM(LAST)",  "LAST+",         "UPPER(CUNO)", "DTOS(LAST)",
                         "STR(LAST,6)", "CUNO",          "CUNO+CUNO",   "NOTES",
                         "PAID",        "NOSUCH",        "UPPER(LAST",  "STR(CUNO,0)",
                         "STR(CUNO,6,5)", "LAST FIRST",  ""};
    for (const char *text : bad) {
        xbase::KeyExpression e;
        std::string err;
        EXPECT_FALSE(e.parse(text, fields(), &err)) << text;
        EXPECT_FALSE(err.empty()) << text;
    }
}

} // namespace
