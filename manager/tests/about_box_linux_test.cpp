// The About box as a user meets it in the headless window runtime, made alone and through the main
// window's command; the program's own path points at small Windows programs whose version resources
// the test swaps between showings.
#include "AppDataModule.h"
#include "MUISupportUnit.h"
#include "MainUnit.h"
#include "RelocatedFiles.h"
#include "ResourceStrings.h"
#include "TempDir.h"
#include "UiFixture.h"
#include "UserInput.h"
#include "platform/Platform.h"
#include "xAbout.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

using namespace std::literals;

namespace {

std::string Fixture(const std::string& AName) {
    return testsupport::ReadFile(std::string(TK_SOURCE_DIR) + "/common/tests/data/" + AName);
}

// version_strings.exe: "5.6.0.0" in the US English block, another version in a German one listed
// first; version_1_2_3_4.exe: a block of another code page only.
const std::string VersionedProgram = Fixture("version_strings.exe");
const std::string OtherBlockProgram = Fixture("version_1_2_3_4.exe");

class AboutBox : public testsupport::ApplicationTest {
protected:
    void SetUp() override {
        ApplicationTest::SetUp();
        ASSERT_FALSE(VersionedProgram.empty());
        ASSERT_FALSE(OtherBlockProgram.empty());
        Program(VersionedProgram);
    }
    void TearDown() override {
        ApplicationTest::TearDown();
        LanguageTable().Clear();
    }
    // Replaces the program file (the running program's, as the platform layer reports it).
    void Program(const std::string& ABytes) { dir.Write("manager/TFManager.exe", ABytes); }

    testsupport::TempDir dir{"tk-about-box-"};
    plat::ScopedOverride platform{Parts()};

private:
    plat::Platform Parts() const {
        plat::Platform parts;
        parts.Files = std::make_shared<testsupport::RelocatedFiles>(plat::Current().Files,
                                                                    dir.Windows("manager\\TFManager.exe"));
        return parts;
    }
};

TEST_F(AboutBox, TranslatesItselfWhenMadeAndShowsTheLogo) {
    LanguageTable().LoadFromStream("TAboutForm=Info\r\n"
                                   "TAboutFormTntLabel2=Fassung:\r\n"
                                   "TAboutFormTntLabel3=Pendrow GmbH\r\n"
                                   "TAboutFormOkButton=Gut\r\n"sv);
    TAboutForm box(nullptr);
    EXPECT_EQ("Version:", box.TntLabel2->Caption()) << "not before the box is made";
    box.DoCreate();
    EXPECT_EQ("Info", box.Caption());
    EXPECT_EQ("Fassung:", box.TntLabel2->Caption());
    EXPECT_EQ("Pendrow GmbH", box.TntLabel3->Caption());
    EXPECT_EQ("Gut", box.OkButton->Caption());

    // The built-in logo fills its place exactly.
    const ui::TBitmapInfo& logo = box.Image1->PictureInfo();
    ASSERT_TRUE(logo.Valid);
    EXPECT_EQ((std::array{24, 290, 76}), (std::array{int{logo.BitCount}, logo.Width, logo.Height}));
}

TEST_F(AboutBox, TheAboutCommandKeepsOneBoxAndEachShowingReadsTheProgramsVersion) {
    mui::LoadDefaultLanguage();
    TAppDataModule data(nullptr);
    TMainForm main(nullptr, data);
    ui::Application().SetMainForm(&main);
    main.TrayIcon->SetVisible(true); // as the start-up, left out here with its poller, does
    main.Show();
    auto chooseAbout = [&] {
        return testsupport::UserRightClick(*main.TrayIcon) &&
               testsupport::UserChoose(*main.PopupMenu, *main.AboutMI);
    };

    EXPECT_EQ(nullptr, main.AboutForm) << "nothing made before it is asked for";
    ASSERT_TRUE(chooseAbout());
    TAboutForm* box = main.AboutForm;
    ASSERT_NE(nullptr, box);
    EXPECT_TRUE(box->Showing());
    EXPECT_EQ(&main, box->Owner());
    EXPECT_EQ(&main, box->PopupParent());
    EXPECT_EQ(ui::Screen().ActiveForm(), box);
    EXPECT_EQ("5.6.0.0", box->LabelVersionNum->Caption());

    // Asked for while it shows, behind the main window: the same box comes to the front.
    main.BringToFront();
    ASSERT_TRUE(chooseAbout());
    EXPECT_EQ(box, main.AboutForm);
    EXPECT_EQ(ui::Screen().ActiveForm(), box);

    // Closed, then asked for again: the same box shows the program's version as it is now.
    testsupport::UserClick(*box->OkButton);
    EXPECT_FALSE(box->Visible());
    Program(OtherBlockProgram);
    ASSERT_TRUE(chooseAbout());
    EXPECT_EQ(box, main.AboutForm);
    EXPECT_TRUE(box->Showing());
    EXPECT_EQ("", box->LabelVersionNum->Caption());
    ui::Application().SetMainForm(nullptr);
}

} // namespace
