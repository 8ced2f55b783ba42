#include "PeVersionInfo.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::string Fixture(const std::string& name) {
    return testsupport::ReadFile((std::filesystem::path(__FILE__).parent_path() / "data" / name).string());
}

TEST(PeVersionStrings, ReadAnyValueOfANamedTable) {
    const std::string image = Fixture("version_strings.exe");
    ASSERT_FALSE(image.empty());
    struct Case {
        const char* table;
        const char* name;
        std::optional<std::string> value;
    } cases[] = {
        {"040904E4", "CompanyName", "Brackwell Software"},
        {"040904e4", "ProductName", "Server Manager"},
        {"040704B0", "CompanyName", "Brackwell Software GmbH"},
        {"040704b0", "ProductName", std::nullopt},
        {"040904E4", "companyname", std::nullopt},
        {"041104b0", "CompanyName", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadPeVersionString(image, c.table, c.name), c.value) << c.table << " " << c.name;
}

TEST(PeVersionStrings, FileVersionComesFromTheFirstListedTranslation) {
    const std::string image = Fixture("version_strings.exe");
    EXPECT_EQ(ReadPeFirstTranslation(image), "040704b0");
    EXPECT_EQ(ReadPeFileVersionString(image), "5.6.0.0 (de)");
    EXPECT_EQ(ReadPeFileVersionString(Fixture("version_1_2_3_4.exe")), "1.2.3.4");
}

TEST(PeVersionStrings, ImagesWithoutAVersionResourceGiveNothing) {
    const std::string image = Fixture("version_strings.exe");
    for (const std::string& bytes : {std::string(), std::string("MZ"), image.substr(0, image.size() / 2)}) {
        EXPECT_EQ(ReadPeFirstTranslation(bytes), std::nullopt);
        EXPECT_EQ(ReadPeVersionString(bytes, "040904E4", "CompanyName"), std::nullopt);
    }
}

} // namespace
