#pragma once
// The heap dump of the web server, apart from how it is shown: the checks before a run and the run
// itself (jcmd, the archive, the report). The Server Manager shows a run in its progress window and
// message boxes, tfctl on its standard streams.
#include "NamedHold.h"
#include "platform/Platform.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// What a run shows while it goes on and when it ends.
class IHeapDumpView {
public:
    virtual ~IHeapDumpView() = default;
    // The dump is written; archiving it begins.
    virtual void Archiving() = 0;
    // APercent of the dump is in the archive; told each time it changes.
    virtual void ArchiveProgress(int APercent) = 0;
    // The run's window closes, unless it belongs to a newer run by now.
    virtual void CloseForm() = 0;
    // A message at the end of the run; returns once the user has confirmed it. AFlags are the message
    // box's icon flags (ui::MB_ICONWARNING_, ...).
    virtual void Message(const std::string& AText, const std::string& ACaption, uint32_t AFlags) = 0;
    // The archive is complete: it is shown to the user.
    virtual void ShowArchive(const std::string& AArchivePath) = 0;
};

// What a run needs, as the checks found it.
struct THeapDumpRequest {
    std::string JCmdPath;
    uint32_t ServicePid = 0;
    std::string DumpPath;
};

// Kept for the whole of a run. Two runs, in this process or in another (tfctl), would write, archive
// and delete the same files, so a run begins only when it gets this; false when another run holds it.
bool TryHoldHeapDump(TNamedHold& AHold);

// The checks before a run: the web server installed and running, jcmd in the runtime it uses, the dump
// folder there or made. Nothing when a check fails; ARefusal then holds the message that says why.
std::optional<THeapDumpRequest> PrepareHeapDump(std::string& ARefusal);

// The run on the calling thread: jcmd writes the dump, the dump is archived beside it and deleted, and
// the view is told the outcome. True when the archive was made.
bool RunHeapDump(IHeapDumpView& AView, const THeapDumpRequest& ARequest);

// The archive a run makes of the dump: the dump's path with ".zip" for its extension.
std::string HeapDumpArchivePath(const std::string& ADumpPath);

// The texts of a run, from the language table.
std::string HeapDumpCaption();
std::string HeapDumpRunningText();
std::string CreatingHeapDumpText();
std::string ArchivingHeapDumpText();
std::string ArchivingHeapDumpText(int APercent);
