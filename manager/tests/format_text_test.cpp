#include "FormatText.h"

#include <gtest/gtest.h>

namespace {

TEST(FormatText, FillsPlaceholdersInOrderAndNeverTrustsATranslatedTemplate) {
    const struct {
        const char* name;
        std::string format;
        std::initializer_list<TFormatArg> args;
        std::string expected;
    } cases[] = {
        {"text and numbers", "%s on %d, %d", {std::string("A"), int64_t{80}, int64_t{443}}, "A on 80, 443"},
        {"precision of a fraction", "took %.3f sec.", {2.5}, "took 2.500 sec."},
        {"percent sign", "100%% of %s", {std::string("it")}, "100% of it"},
        {"number where text was meant", "%s port", {int64_t{8080}}, "8080 port"},
        {"text where a number was meant", "%d port", {std::string("x")}, "x port"},
        {"placeholder without argument stays", "%s and %s", {std::string("one")}, "one and %s"},
        {"argument without placeholder is left out", "plain", {std::string("extra")}, "plain"},
        {"unknown conversion stays as written", "%n %p %s", {std::string("v")}, "%n %p v"},
        {"lone percent at the end", "50%", {}, "50%"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, FormatText(c.format, c.args)) << c.name;
}

} // namespace
