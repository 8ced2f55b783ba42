// The version texts the About box shows: those of the running program, and those of small Windows
// programs with different version resources put where the program's own path points.
#include "RelocatedFiles.h"
#include "TempDir.h"
#include "platform/Platform.h"
#include "rpVersionInfo.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

std::string Fixture(const std::string& AName) {
    return testsupport::ReadFile(std::string(TK_SOURCE_DIR) + "/common/tests/data/" + AName);
}

// The ten entries in the order of TVersionType.
std::vector<std::string> Entries(const TrpVersionInfo& AInfo) {
    return {AInfo.CompanyName(),    AInfo.FileDescription(), AInfo.FileVersion(),      AInfo.InternalName(),
            AInfo.LegalCopyright(), AInfo.LegalTradeMark(),  AInfo.OriginalFileName(), AInfo.ProductName(),
            AInfo.ProductVersion(), AInfo.Comments()};
}

const std::vector<std::string> NoEntries(10);

TEST(ProgramVersion, TheRunningProgramsOwnResourceIsRead) {
    TrpVersionInfo info(nullptr);
#ifdef _WIN32
    // The test program carries the Server Manager's resources, version block included.
    EXPECT_EQ("Tallyfix Server Manager", info.ProductName());
    EXPECT_EQ("TFManager.exe", info.OriginalFileName());
    for (const std::string& entry : Entries(info))
        EXPECT_FALSE(entry.empty());
#else
    // A Linux program is no Windows executable and has no version resource.
    EXPECT_EQ(NoEntries, Entries(info));
#endif
}

TEST(ProgramVersion, OnlyTheUsEnglishBlockInCodePage1252IsRead) {
    const std::string strings = Fixture("version_strings.exe");
    ASSERT_FALSE(strings.empty());
    const std::string linuxProgram = std::string(1, '\x7f') + "ELF" + std::string(200, '\0');
    const struct {
        const char* what;
        std::optional<std::string> program; // nothing: no file where the program's path points
        std::vector<std::string> entries;
    } rows[] = {
        // Its translation table lists German first; the German block's version ends in " (de)".
        {"both blocks",
         strings,
         {"Brackwell Software", "", "5.6.0.0", "", "", "", "", "Server Manager", "", ""}},
        {"another block only", Fixture("version_1_2_3_4.exe"), NoEntries},
        {"no Windows program", linuxProgram, NoEntries},
        {"no program file", std::nullopt, NoEntries},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        testsupport::TempDir dir("tk-about-version-");
        if (row.program)
            dir.Write("manager/TFManager.exe", *row.program);
        plat::Platform parts;
        parts.Files = std::make_shared<testsupport::RelocatedFiles>(plat::Current().Files,
                                                                    dir.Windows("manager\\TFManager.exe"));
        plat::ScopedOverride program(parts);
        EXPECT_EQ(row.entries, Entries(TrpVersionInfo(nullptr)));
    }
}

} // namespace
