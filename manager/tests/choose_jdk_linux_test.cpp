// Choosing the web server's Java runtime with real folders and the real java running vmtest.jar: the
// chooser's probe per path change and its VM-type list, the stored Jvm value, and the settings page
// that probes the configured runtime on a worker thread.
#include "ChooseJDKUnit.h"
#include "MUISupportUnit.h"
#include "MegaUtils.h"
#include "ProcrunKeys.h"
#include "RelocatedFiles.h"
#include "SettingsUnit.h"
#include "SimWindows.h"
#include "TempDir.h"
#include "UiFixture.h"
#include "UserInput.h"
#include "WinUtilsUnit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <memory>

namespace {

namespace fs = std::filesystem;
using testsupport::UserClick;
using testsupport::UserType;

class JavaRuntime : public testsupport::ApplicationTest {
protected:
    JavaRuntime() {
        dir.Write("manager/TFManager.exe", "");
        fs::copy_file(TK_BINARY_DIR "/manager/src/vmtest.jar", dir.Path("manager/vmtest.jar"));
        RegWriteInteger(JvmMxPath, 256, plat::RootKey::LocalMachine); // makes the Java key
    }
    void SetUp() override {
        ApplicationTest::SetUp();
        mui::LoadDefaultLanguage();
    }

    // A runtime folder whose bin holds java.exe (the real java, taking the archive's Windows path as
    // this file system does) and the given VM folders, each with a jvm.dll unless its name begins with "-".
    void MakeRuntime(const std::string& ARelative, std::initializer_list<std::string> AVmFolders) {
        dir.Write(ARelative + "/bin/java.exe",
                  "#!/bin/sh\nfor a do shift; set -- \"$@\" \"$(printf %s \"$a\" | tr '\\\\' /)\"; done\n"
                  "exec " +
                      fs::canonical("/usr/bin/java").string() + " \"$@\"\n");
        fs::permissions(dir.Path(ARelative + "/bin/java.exe"), fs::perms::owner_all);
        for (const std::string& vm : AVmFolders) {
            if (vm.starts_with('-'))
                fs::create_directories(dir.Path(ARelative + "/bin/" + vm.substr(1)));
            else
                dir.Write(ARelative + "/bin/" + vm + "/jvm.dll", "");
        }
    }
    void SetJvm(const std::string& AValue) {
        RegWriteString(ProcrunJvmPath, AValue, plat::RootKey::LocalMachine);
    }
    std::string Jvm() {
        std::string value;
        RegReadString(ProcrunJvmPath, plat::RootKey::LocalMachine, value);
        return value;
    }
    // The chooser as the settings dialog opens it, once its timer has fired.
    TChooseJDKForm& OpenChooser() {
        chooser = std::make_unique<TChooseJDKForm>(nullptr);
        chooser->DoCreate();
        chooser->Show();
        chooser->Timer1->Timer();
        return *chooser;
    }

    // A path inside as the program forms it once normalised.
    std::string Normal(const std::string& ARelative) const {
        return CanonicalizePath(dir.Windows(ARelative));
    }

    testsupport::TempDir dir{"tk-jdk-"};
    testsupport::SimWindows sim;
    plat::ScopedOverride platform{Parts()};
    std::unique_ptr<TChooseJDKForm> chooser;

private:
    plat::Platform Parts() {
        plat::Platform parts;
        parts.Files = std::make_shared<testsupport::RelocatedFiles>(plat::Current().Files,
                                                                    dir.Windows("manager\\TFManager.exe"));
        return parts;
    }
};

TEST_F(JavaRuntime, TheRootOfARuntimeInsideAJdkIsTheJdkOnlyWhenItHasTheCompiler) {
    dir.Write("J/bin/java.exe", "");
    dir.Write("J/jre/bin/server/jvm.dll", "");
    SetJvm(dir.Windows("J\\jre\\bin\\server\\jvm.dll"));
    EXPECT_EQ(Normal("J\\jre"), GetJDKRoot());
    dir.Write("J/bin/javac.exe", "");
    EXPECT_EQ(Normal("J"), GetJDKRoot());
    SetJvm("");
    EXPECT_EQ("", GetJDKRoot());
}

TEST_F(JavaRuntime, TheChooserListsTheVmFoldersThatHoldAJvmAndPicksOne) {
    const struct {
        std::initializer_list<std::string> folders;
        std::vector<std::string> listed;
        std::string selected;
    } rows[] = {
        {{"server"}, {"server"}, "server"},
        {{"client", "server"}, {"client", "server"}, "server"},
        {{"Client", "-lib", "Server"}, {"Client", "Server"}, "Server"},
        {{"client", "minimal"}, {"client", "minimal"}, ""},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(n);
        const std::string name = "Java rt" + std::to_string(n++); // a blank, as in "Program Files"
        MakeRuntime(name, row.folders);
        SetJvm("");
        TChooseJDKForm& f = OpenChooser();
        UserType(*f.EditJDKPath, dir.Windows(name));
        std::vector<std::string> listed = f.ComboJVM->Items();
        std::sort(listed.begin(), listed.end()); // the file system's order
        EXPECT_EQ(row.listed, listed);
        EXPECT_EQ(row.selected, f.ComboJVM->Text());
        EXPECT_TRUE(f.JDKFound());
        EXPECT_NE(std::string::npos, f.MemoJDKInfo->Text().find("Java version: ")) << f.MemoJDKInfo->Text();
        ASSERT_EQ(f.ComboJVM->Items().size(), f.DllPaths().size());
        for (size_t i = 0; i < f.DllPaths().size(); ++i) {
            std::string lower = dir.Windows(name + "\\bin\\" + f.ComboJVM->Items()[i]);
            std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
            EXPECT_EQ(lower, f.DllPaths()[i]);
        }
        EXPECT_TRUE(f.OkButton->Enabled() && f.EditJDKPath->Enabled()) << "enabled again after the probe";
    }
}

TEST_F(JavaRuntime, TheChooserStartsFromTheConfiguredRuntimeAndOkStoresTheChosenType) {
    MakeRuntime("Java", {"client", "server"});
    // Written in other letters than the folders have: still the client entry.
    SetJvm(dir.Windows("Java\\BIN\\CLIENT\\JVM.DLL"));
    TChooseJDKForm& f = OpenChooser();
    EXPECT_EQ(Normal("Java"), f.EditJDKPath->Text());
    EXPECT_EQ("client", f.ComboJVM->Text());
    EXPECT_FALSE(f.Timer1->Enabled());

    testsupport::UserSelect(*f.ComboJVM, f.ComboJVM->Items()[0] == "server" ? 0 : 1);
    UserClick(*f.OkButton);
    EXPECT_EQ(ui::mrOk, f.ModalResult());
    std::string expected = Normal("Java\\bin\\server") + "\\jvm.dll";
    std::transform(expected.begin(), expected.end(), expected.begin(), ::tolower);
    EXPECT_EQ(expected, Jvm());
}

TEST_F(JavaRuntime, AFolderWithoutARuntimeLeavesNothingToChooseAndOkRefuses) {
    MakeRuntime("Java", {"server"});
    SetJvm(dir.Windows("Java\\bin\\server\\jvm.dll"));
    TChooseJDKForm& f = OpenChooser();
    ASSERT_TRUE(f.JDKFound());
    // Typed character by character: every text is probed, and each that is no runtime empties the list.
    const std::string typed = dir.Windows("nothing");
    for (size_t length = typed.size() - 3; length <= typed.size(); ++length) {
        f.EditJDKPath->SetText(typed.substr(0, length));
        EXPECT_EQ("Can not find JDK or JRE in this folder", f.MemoJDKInfo->Text());
        EXPECT_TRUE(f.ComboJVM->Items().empty());
        EXPECT_TRUE(f.DllPaths().empty());
        EXPECT_FALSE(f.JDKFound());
    }
    UserClick(*f.OkButton);
    ASSERT_EQ(1u, sim.Dialogs->Shown().size());
    EXPECT_EQ("Path is not a JDK Root. Java executable was not found", sim.Dialogs->Shown()[0].Text);
    EXPECT_EQ(ui::mrNone, f.ModalResult());
    EXPECT_EQ(dir.Windows("Java\\bin\\server\\jvm.dll"), Jvm()) << "unchanged";
}

TEST_F(JavaRuntime, UseDefaultProbesTheRuntimeBesideTheProgram) {
    MakeRuntime("jre", {"server"});
    SetJvm("");
    TChooseJDKForm& f = OpenChooser();
    EXPECT_EQ("", f.EditJDKPath->Text());
    EXPECT_FALSE(f.JDKFound());
    UserClick(*f.DefaultButton);
    EXPECT_EQ(Normal("jre"), f.EditJDKPath->Text());
    EXPECT_TRUE(f.JDKFound());
    EXPECT_EQ("server", f.ComboJVM->Text());
}

TEST_F(JavaRuntime, AProbeThatDoesNotEndInTenSecondsFails) {
    dir.Write("slow/bin/java.exe", "#!/bin/sh\nexec sleep 60\n");
    fs::permissions(dir.Path("slow/bin/java.exe"), fs::perms::owner_all);
    std::string output = "before";
    EXPECT_FALSE(RunJavaProbe("\"" + dir.Windows("slow\\bin\\java.exe") + "\" -jar x.jar", output));
}

TEST_F(JavaRuntime, TheSettingsJavaPageProbesTheConfiguredRuntimeOnAWorker) {
    MakeRuntime("Java", {"server"});
    SetJvm(dir.Windows("Java\\bin\\server\\jvm.dll"));
    TSettingsForm settings(nullptr);
    settings.DoCreate();
    settings.Show();
    testsupport::UserSelect(*settings.TreeMenu, 2);
    EXPECT_EQ(Normal("Java"), settings.LabelJDKPath->Caption());
    while (!settings.JDKInfoLoaded())
        ui::WaitForSynchronize(), ui::CheckSynchronize();
    EXPECT_NE(std::string::npos, settings.MemoJDKInfo->Text().find("Virtual machine: "))
        << settings.MemoJDKInfo->Text();

    SetJvm("");
    TSettingsForm unset(nullptr);
    unset.DoCreate();
    unset.Show();
    testsupport::UserSelect(*unset.TreeMenu, 2);
    EXPECT_EQ("JDK not found", unset.LabelJDKPath->Caption());
}

} // namespace
