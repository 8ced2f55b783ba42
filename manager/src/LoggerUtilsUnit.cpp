#include "LoggerUtilsUnit.h"

#include "FormatText.h"
#include "MegaUtils.h"
#include "ProcrunKeys.h"
#include "ResourceStrings.h"
#include "platform/Platform.h"
#include "text/PathText.h"
#include "text/SameText.h"
#include "text/TextCodec.h"

#include <string_view>

namespace {

constexpr std::string_view kLogManagerOption =
    "-Djava.util.logging.manager=org.apache.juli.ClassLoaderLogManager";

// Blanks as the options list may carry them: every control character and the space.
std::string_view Trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.remove_suffix(1);
    return s;
}

bool HasLogManagerOption() {
    for (const std::string& option : RegReadMultiString(ProcrunOptionsPath, plat::RootKey::LocalMachine))
        if (text::SameText(Trim(option), kLogManagerOption))
            return true;
    return false;
}

std::string PropertiesText() {
    const std::string logName = LanguageTable().GetString("res_log_name", "corvane");
    const std::string lines[] = {
        "handlers = org.apache.juli.FileHandler",
        "org.apache.juli.FileHandler.level = FINEST",
        "org.apache.juli.FileHandler.directory = ${catalina.base}/logs",
        FormatText("org.apache.juli.FileHandler.prefix = %s.", {logName}),
        "org.apache.juli.FileHandler.formatter = java.util.logging.SimpleFormatter",
        "com.pendrow.level=FINEST",
    };
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n\r") + line;
    return text + "\r\n";
}

} // namespace

std::string GetLogPropertiesPath() {
    return text::FolderOf(plat::Files().ModuleFileName()) + "\\" +
           LanguageTable().GetString("res_log_file_path",
                                     "\\..\\tomcat\\webapps\\corvane\\WEB-INF\\classes\\logging.properties");
}

bool IsDebugLoggingOn() {
    return HasLogManagerOption() && plat::Files().FileExists(GetLogPropertiesPath());
}

bool EnableDebugLogging() {
    try {
        const std::string bytes = text::Utf8ToAnsi(PropertiesText());
        const std::unique_ptr<plat::IFile> file =
            plat::Files().Open(GetLogPropertiesPath(), plat::OpenMode::CreateAlways);
        return file && file->Write(bytes.data(), bytes.size());
    } catch (const std::exception&) {
        return false;
    }
}

bool SetDebugLogging(bool AOn) {
    return AOn ? EnableDebugLogging() : plat::Files().DeleteFile(GetLogPropertiesPath());
}
