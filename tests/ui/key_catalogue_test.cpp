#include "catalogue/key_catalogue.h"

#include <gtest/gtest.h>

// The rules below the dialog tests' reach: edge values that no reader default produces.
namespace kd::catalogue {
namespace {

TEST(CatalogueMatching, ExactMatchIsWholeAndCaseSensitive) {
    for (const std::string_view off : {"0", "", " 1", "1 ", "01", "true"}) {
        EXPECT_FALSE(FlagIsOn(off)) << '"' << off << '"';
    }
    EXPECT_EQ(MatchChoice(kContentFormats, "dec1"), 3);
    EXPECT_EQ(MatchChoice(kContentFormats, "dec2"), -1);
    EXPECT_EQ(MatchChoice(kContentFormats, "Char"), -1);
    EXPECT_EQ(MatchRebootLight("7,11,"), -1);
    EXPECT_EQ(MatchDevelopMode("1", "0"), 0);
    EXPECT_EQ(MatchDevelopMode("0", ""), -1);
}

TEST(CatalogueValues, HintFollowsTheRebootLight) {
    for (const RebootLight& light : {kRebootLights[0], kRebootLights[3]}) {
        EXPECT_EQ(HintValue(light, false, true), "26");
        EXPECT_EQ(HintValue(light, false, false), "");
    }
    // Red and pink lights ignore the red-flash box.
    for (const RebootLight& light : {kRebootLights[1], kRebootLights[2]}) {
        EXPECT_EQ(HintValue(light, false, true), "");
    }
}

}  // namespace
}  // namespace kd::catalogue
