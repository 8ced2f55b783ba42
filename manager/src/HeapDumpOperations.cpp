#include "HeapDumpOperations.h"

#include "ChooseJDKUnit.h"
#include "FormatText.h"
#include "HeapDumpArchive.h"
#include "ResourceStrings.h"
#include "ServiceOperations.h"
#include "ServiceStatusUnit.h"
#include "WinUtilsUnit.h"
#include "text/PathText.h"
#include "ui/Dialogs.h"

#include <exception>
#include <vector>

namespace {

constexpr const char* HeapDumpMutexName = "Global\\BrackwellHeapDump";

std::string Text(std::string_view AKey, std::string_view ADefault) {
    return LanguageTable().GetString(AKey, ADefault);
}

std::string JoinLines(const std::vector<std::string>& ALines) {
    std::string text;
    for (const std::string& line : ALines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

// The program's path is quoted too: unquoted, a runtime under "C:\Program Files" would have the system
// try "C:\Program.exe" first.
std::string JCmdCommandLine(const THeapDumpRequest& ARequest) {
    return "\"" + ARequest.JCmdPath + "\" " + std::to_string(ARequest.ServicePid) + " GC.heap_dump \"" +
           ARequest.DumpPath + "\"";
}

// jcmd itself writes its failures to standard error; what the service's JVM reports (a folder it
// cannot write to) comes on standard output.
std::string JCmdFailure(const std::vector<std::string>& AOutput, const std::vector<std::string>& AErrors) {
    const std::string errors = JoinLines(AErrors);
    return errors.empty() ? JoinLines(AOutput) : errors;
}

void Warn(IHeapDumpView& AView, const std::string& AText) {
    AView.CloseForm();
    AView.Message(AText, ErrorCaption(), ui::MB_ICONWARNING_);
}

} // namespace

std::string HeapDumpCaption() {
    return Text("res_heap_dump_caption", "Create Heap Dump");
}

std::string HeapDumpRunningText() {
    return Text("res_heap_dump_running",
                "A heap dump is being created. Create the next one when it has ended.");
}

std::string CreatingHeapDumpText() {
    return Text("res_heap_dump_creating_dump", "Creating heap dump... Please wait.");
}

std::string ArchivingHeapDumpText() {
    return Text("res_heap_dump_archiving_dump", "Archiving heap dump... Please wait.");
}

std::string ArchivingHeapDumpText(int APercent) {
    return FormatText(
        Text("res_heap_dump_archiving_progress", "Archiving heap dump... %d%% done. Please wait."),
        {int64_t{APercent}});
}

bool TryHoldHeapDump(TNamedHold& AHold) {
    return TryHoldNamed(HeapDumpMutexName, AHold);
}

std::optional<THeapDumpRequest> PrepareHeapDump(std::string& ARefusal) {
    const std::string service = ServiceNames[WebServerSlot];
    const bool running = TServiceUtils::IsServiceInstalled(service) &&
                         TServiceUtils::ServiceGetStatus(service) == plat::SERVICE_RUNNING_;
    THeapDumpRequest request;
    request.ServicePid = running ? TServiceUtils::ServiceGetPid(service) : 0;
    if (request.ServicePid == 0) {
        ARefusal = Text("res_error_service_not_running",
                        "Tallyfix Service must be installed and running to create heap dump.");
        return std::nullopt;
    }
    plat::IFileSystem& files = plat::Files();
    request.JCmdPath = GetJDKRoot() + "\\bin\\jcmd.exe";
    if (!files.FileExists(request.JCmdPath)) {
        ARefusal = Text("res_error_jcmd_not_found",
                        "jcmd.exe utility not found. You need full JDK or bundled JRE to create heap dump.");
        return std::nullopt;
    }
    const std::string folder = text::FolderOf(files.ModuleFileName()) + "\\..\\temp";
    if (!files.DirectoryExists(folder) && !files.CreateDir(folder)) {
        ARefusal = Text("res_error_cannot_create_temp_folder", "Can not create temp folder for heap dump.");
        return std::nullopt;
    }
    request.DumpPath = folder + "\\heapdump.hprof";
    return request;
}

std::string HeapDumpArchivePath(const std::string& ADumpPath) {
    const size_t dot = ADumpPath.find_last_of('.');
    const size_t folder = ADumpPath.find_last_of("\\/");
    const bool hasExtension = dot != std::string::npos && (folder == std::string::npos || dot > folder);
    return (hasExtension ? ADumpPath.substr(0, dot) : ADumpPath) + ".zip";
}

bool RunHeapDump(IHeapDumpView& AView, const THeapDumpRequest& ARequest) {
    plat::IFileSystem& files = plat::Files();
    if (files.FileExists(ARequest.DumpPath))
        files.DeleteFile(ARequest.DumpPath);
    std::vector<std::string> output, errors;
    const bool ran = TWinUtils::ExecConsoleApp(JCmdCommandLine(ARequest), output, errors,
                                               text::FolderOf(ARequest.DumpPath));
    // Taken at once: the checks below may change the last error.
    const std::string failure =
        ran ? JCmdFailure(output, errors) : plat::Host().SysErrorMessage(plat::LastError());
    if (!files.FileExists(ARequest.DumpPath)) {
        Warn(AView, Text("res_error_execute_jcmd", "Error while executing jcmd.exe:") + "\n" + failure);
        return false;
    }

    AView.Archiving();
    const std::string archive = HeapDumpArchivePath(ARequest.DumpPath);
    try {
        files.DeleteFile(archive);
        ArchiveHeapDump(ARequest.DumpPath, archive,
                        [&AView](int APercent) { AView.ArchiveProgress(APercent); });
    } catch (const std::exception& error) {
        // Nobody can use a dump that was not archived, and it may be gigabytes.
        files.DeleteFile(ARequest.DumpPath);
        Warn(AView,
             Text("res_error_archive_heap_dump", "Error while archiving heap dump:") + "\n" + error.what());
        return false;
    }
    files.DeleteFile(ARequest.DumpPath);
    AView.CloseForm();

    const std::string folder = CanonicalizePath(text::FolderOf(archive)) + "\\";
    AView.Message(
        FormatText(Text("res_heap_dump_completed",
                        "Heap Dump was successfully created and archived under %s. Send archived file "
                        "to Tallyfix Support (support@tallyfix-server.example)."),
                   {folder}),
        HeapDumpCaption(), ui::MB_ICONINFORMATION_);
    AView.ShowArchive(archive);
    return true;
}
