#include "HeapDumpCommand.h"

#include "HeapDumpOperations.h"
#include "WinUtilsUnit.h"

const char* const HeapDumpCommandUsage =
    "  heapdump\n"
    "      a heap dump of the web server, archived as ..\\temp\\heapdump.zip beside the Server Manager;\n"
    "      progress on standard error, the archive's path on standard output; exit code 0 when the\n"
    "      archive was made, 1 when it was refused or failed\n";

namespace {

// Lines on the error stream, every tenth percent of the archive, and the archive's path on the output.
class TTextHeapDumpView : public IHeapDumpView {
public:
    TTextHeapDumpView(std::ostream& AOut, std::ostream& AErr) : FOut(AOut), FErr(AErr) {}

    void Archiving() override { FErr << ArchivingHeapDumpText() << std::endl; }
    void ArchiveProgress(int APercent) override {
        if (APercent / 10 == FShownTenth)
            return;
        FShownTenth = APercent / 10;
        FErr << ArchivingHeapDumpText(APercent) << std::endl;
    }
    void CloseForm() override {}
    void Message(const std::string& AText, const std::string&, uint32_t) override {
        FErr << AText << std::endl;
    }
    void ShowArchive(const std::string& AArchivePath) override {
        FOut << CanonicalizePath(AArchivePath) << std::endl;
    }

private:
    std::ostream& FOut;
    std::ostream& FErr;
    int FShownTenth = 0;
};

} // namespace

int RunHeapDumpCommand(const std::vector<std::string>& AArgs, std::ostream& AOut, std::ostream& AErr) {
    if (!AArgs.empty()) {
        AErr << "Usage: tfctl heapdump\n" << HeapDumpCommandUsage;
        return 2;
    }
    TServiceUtils::Configure(TServiceUtilsSettings::ServerManager());
    TNamedHold hold;
    if (!TryHoldHeapDump(hold)) {
        AErr << HeapDumpRunningText() << std::endl;
        return 1;
    }
    std::string refusal;
    const std::optional<THeapDumpRequest> request = PrepareHeapDump(refusal);
    if (!request) {
        AErr << refusal << std::endl;
        return 1;
    }
    AErr << CreatingHeapDumpText() << std::endl;
    TTextHeapDumpView view(AOut, AErr);
    return RunHeapDump(view, *request) ? 0 : 1;
}
