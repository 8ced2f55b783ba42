#pragma once
// The heap dump as the settings dialog starts it: the checks, the progress window shown modally, and
// the worker that runs jcmd, archives the dump and reports where the archive is.
#include "HeapDumpFormUnit.h"
#include "HeapDumpOperations.h"
#include "ui/Forms.h"
#include "ui/Threads.h"

#include <cstdint>
#include <functional>
#include <string>

// The whole start sequence of the "Create Heap Dump" button; AOwner is the settings dialog, which owns
// the messages and the progress window and waits until that window closes. A run is refused while an
// earlier one still works.
void StartHeapDump(ui::TForm& AOwner);

// The progress window every run uses, made on first use and kept until the program ends.
THeapDumpForm& HeapDumpForm();

// Frees itself when it ends; created suspended and started once the window is prepared. It changes the
// window only through hand-offs to the window thread, and only while the window carries its code; its
// messages are owned by the application's window.
class THeapDumpThread : public ui::TThread, private IHeapDumpView {
public:
    THeapDumpThread(const std::string& JCmdPath, uint32_t ServicePid, const std::string& DumpPath,
                    const std::string& Code, THeapDumpForm& AForm, TNamedHold AHold);

protected:
    void Execute() override;

private:
    void Archiving() override;
    void ArchiveProgress(int APercent) override;
    void CloseForm() override;
    void Message(const std::string& AText, const std::string& ACaption, uint32_t AFlags) override;
    void ShowArchive(const std::string& AArchivePath) override;
    // Runs AChange on the window thread if the window still belongs to this run.
    void ChangeOwnWindow(const std::function<void(THeapDumpForm&)>& AChange);

    const std::string _JCmdPath;
    const uint32_t _ServicePid;
    const std::string _DumpPath;
    const std::string _code;
    THeapDumpForm& FForm;
    TNamedHold FHold; // released when the thread ends
};
