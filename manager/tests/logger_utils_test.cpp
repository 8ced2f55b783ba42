#include "ConfigCommands.h"
#include "Errors.h"
#include "LoggerUtilsUnit.h"
#include "MUISupportUnit.h"
#include "ProcrunKeys.h"
#include "RelocatedFiles.h"
#include "ResourceStrings.h"
#include "TempDir.h"
#include "platform/Platform.h"
#include "platform/sim/SimRegistry.h"
#include "text/TextCodec.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using testsupport::TempDir;

const char* const kProperties =
    "handlers = org.apache.juli.FileHandler\n\r"
    "org.apache.juli.FileHandler.level = FINEST\n\r"
    "org.apache.juli.FileHandler.directory = ${catalina.base}/logs\n\r"
    "org.apache.juli.FileHandler.prefix = tf.\n\r"
    "org.apache.juli.FileHandler.formatter = java.util.logging.SimpleFormatter\n\r"
    "com.pendrow.level=FINEST\r\n";
const char* const kOption = "-Djava.util.logging.manager=org.apache.juli.ClassLoaderLogManager";
const char* const kClasses = "tomcat/webapps/server/WEB-INF/classes";

// The program in dir\bin, the service wrapper's values in a registry of the test's own, the built-in
// language table.
class DebugLogging : public testing::Test {
protected:
    DebugLogging() {
        mui::LoadDefaultLanguage();
        dir.Write("bin/.keep", "");
        dir.Write(std::string(kClasses) + "/.keep", "");
    }
    ~DebugLogging() override { mui::LoadDefaultLanguage(); }

    void SetOptions(const std::vector<std::string>& AOptions, uint32_t AType = plat::REG_MULTI_SZ_) {
        std::string joined;
        for (const std::string& option : AOptions)
            joined += option + '\0';
        joined += '\0';
        const std::string bytes = text::Utf8ToUtf16LeBytes(joined, false);
        plat::Handle key = 0;
        ASSERT_EQ(
            registry->CreateKey(plat::RootKey::LocalMachine, ProcrunJavaKey, plat::KEY_ALL_ACCESS_, key), 0);
        registry->SetValue(key, "Options", AType, std::vector<uint8_t>(bytes.begin(), bytes.end()));
        registry->CloseKey(key);
    }

    std::string Properties() const { return dir.Read(std::string(kClasses) + "/logging.properties"); }
    bool PropertiesExist() const { return dir.Exists(std::string(kClasses) + "/logging.properties"); }

    int Debug(const std::string& AWhat, std::string& AOut, std::string& AErr) {
        std::ostringstream out, err;
        const int code = RunDebugCommand({AWhat}, out, err);
        AOut = out.str();
        AErr = err.str();
        return code;
    }

    TempDir dir;
    std::shared_ptr<plat::sim::SimRegistry> registry = std::make_shared<plat::sim::SimRegistry>();
    plat::ScopedOverride over{[this] {
        plat::Platform parts;
        parts.Registry = registry;
        parts.Files = std::make_shared<testsupport::RelocatedFiles>(plat::Current().Files,
                                                                    dir.Windows("bin\\TFManager.exe"));
        return parts;
    }()};
};

TEST_F(DebugLogging, ThePathJoinsTheProgramsFolderAndTheTableTextAsTheyAre) {
    EXPECT_EQ(GetLogPropertiesPath(),
              dir.Windows("bin") + "\\\\..\\tomcat\\webapps\\server\\WEB-INF\\classes\\logging.properties");
    LanguageTable().Clear();
    EXPECT_EQ(GetLogPropertiesPath(),
              dir.Windows("bin") + "\\\\..\\tomcat\\webapps\\corvane\\WEB-INF\\classes\\logging.properties");
}

TEST_F(DebugLogging, EnablingWritesTheSixLinesByteForByte) {
    EXPECT_TRUE(EnableDebugLogging());
    EXPECT_EQ(Properties(), kProperties);
    LanguageTable().Clear(); // the compiled-in log name, in the compiled-in folder
    dir.Write("tomcat/webapps/corvane/WEB-INF/classes/.keep", "");
    EXPECT_TRUE(SetDebugLogging(true));
    EXPECT_NE(dir.Read("tomcat/webapps/corvane/WEB-INF/classes/logging.properties")
                  .find("\n\rorg.apache.juli.FileHandler.prefix = corvane.\n\r"),
              std::string::npos);
}

TEST_F(DebugLogging, IsOnOnlyWithTheLogManagerOptionAndTheFile) {
    struct Case {
        const char* what;
        std::vector<std::string> options;
        bool file;
        bool on;
    } cases[] = {
        {"option and file", {"-Xrs", kOption}, true, true},
        {"option without the file", {kOption}, false, false},
        {"the file without the option", {"-Xrs"}, true, false},
        {"blanks and another letter case",
         {"  -DJAVA.util.logging.manager=org.apache.juli.classloaderlogmanager\t"},
         true,
         true},
        {"a longer option is another option", {std::string(kOption) + "2"}, true, false},
    };
    for (const Case& c : cases) {
        SetOptions(c.options);
        ASSERT_TRUE(SetDebugLogging(true));
        if (!c.file) {
            ASSERT_TRUE(SetDebugLogging(false));
        }
        EXPECT_EQ(IsDebugLoggingOn(), c.on) << c.what;
    }
}

TEST_F(DebugLogging, MissingOptionsReadOffAndAnotherTypeRaises) {
    ASSERT_TRUE(EnableDebugLogging());
    EXPECT_FALSE(IsDebugLoggingOn());
    SetOptions({kOption}, plat::REG_SZ_);
    EXPECT_THROW(IsDebugLoggingOn(), ERegistryException);
}

TEST_F(DebugLogging, SwitchingOffDeletesTheFileAndFailsWithoutOne) {
    ASSERT_TRUE(SetDebugLogging(true));
    EXPECT_TRUE(SetDebugLogging(false));
    EXPECT_FALSE(PropertiesExist());
    EXPECT_FALSE(SetDebugLogging(false));
    dir.Write("tomcat/webapps/server/WEB-INF/.keep", "");
    std::filesystem::remove_all(dir.Path(kClasses));
    EXPECT_FALSE(EnableDebugLogging()) << "no folder to write in";
}

TEST_F(DebugLogging, TheCommandSwitchesAndReports) {
    SetOptions({kOption});
    struct Step {
        const char* what;
        int code;
        const char* out;
        const char* err;
    } steps[] = {
        {"status", 0, "DebugLogging=0\n", ""},
        {"on", 0, "", ""},
        {"STATUS", 0, "DebugLogging=1\n", ""},
        {"off", 0, "", ""},
        {"off", 1, "", "Can not change debug mode parameter\n"},
        {"status", 0, "DebugLogging=0\n", ""},
    };
    for (const Step& s : steps) {
        std::string out, err;
        EXPECT_EQ(Debug(s.what, out, err), s.code) << s.what;
        EXPECT_EQ(out, s.out) << s.what;
        EXPECT_EQ(err, s.err) << s.what;
    }
    std::string out, err;
    EXPECT_EQ(Debug("maybe", out, err), 2);
    EXPECT_NE(err.find("debug on|off|status"), std::string::npos);
    SetOptions({kOption}, plat::REG_SZ_);
    EXPECT_EQ(Debug("status", out, err), 1);
    EXPECT_NE(err.find("Invalid data type for 'Options'"), std::string::npos) << err;
}

} // namespace
