#include "HeapDumpUnit.h"

#include "MUISupportUnit.h"
#include "OperationCode.h"
#include "ServiceOperations.h"
#include "WinUtilsUnit.h"
#include "ui/Dialogs.h"

namespace {

void Refuse(const std::string& AText) {
    ui::Dialogs().ShowMessageBox(AText, ErrorCaption(), ui::MB_OK_ | ui::MB_ICONWARNING_);
}

} // namespace

THeapDumpForm& HeapDumpForm() {
    // Never destroyed: a worker of an abandoned run may still hand a change to it.
    static THeapDumpForm* form = [] {
        auto* made = new THeapDumpForm(nullptr);
        made->DoCreate();
        mui::TranslateForm(*made);
        return made;
    }();
    return *form;
}

void StartHeapDump(ui::TForm& AOwner) {
    TNamedHold hold;
    if (!TryHoldHeapDump(hold)) {
        Refuse(HeapDumpRunningText());
        return;
    }
    std::string refusal;
    const std::optional<THeapDumpRequest> request = PrepareHeapDump(refusal);
    if (!request) {
        Refuse(refusal);
        return;
    }
    const std::string code = NewOperationCode();
    THeapDumpForm& form = HeapDumpForm();
    form.SetPopupParent(&AOwner);
    form.Prepare(code);
    auto* worker = new THeapDumpThread(request->JCmdPath, request->ServicePid, request->DumpPath, code, form,
                                       std::move(hold));
    worker->Start();
    form.ShowModal();
}

THeapDumpThread::THeapDumpThread(const std::string& JCmdPath, uint32_t ServicePid,
                                 const std::string& DumpPath, const std::string& Code, THeapDumpForm& AForm,
                                 TNamedHold AHold)
    : _JCmdPath(JCmdPath), _ServicePid(ServicePid), _DumpPath(DumpPath), _code(Code), FForm(AForm),
      FHold(std::move(AHold)) {
    FreeOnTerminate = true;
}

void THeapDumpThread::Execute() {
    RunHeapDump(*this, {_JCmdPath, _ServicePid, _DumpPath});
}

void THeapDumpThread::ChangeOwnWindow(const std::function<void(THeapDumpForm&)>& AChange) {
    Synchronize([this, &AChange] {
        if (FForm.OwnedBy(_code))
            AChange(FForm);
    });
}

void THeapDumpThread::Archiving() {
    ChangeOwnWindow([](THeapDumpForm& AForm) { AForm.LabelCaption->SetCaption(ArchivingHeapDumpText()); });
}

void THeapDumpThread::ArchiveProgress(int APercent) {
    ChangeOwnWindow([APercent](THeapDumpForm& AForm) {
        AForm.LabelCaption->SetCaption(ArchivingHeapDumpText(APercent));
    });
}

void THeapDumpThread::CloseForm() {
    Synchronize([this] { FForm.CloseFor(_code); });
}

void THeapDumpThread::Message(const std::string& AText, const std::string& ACaption, uint32_t AFlags) {
    ui::Dialogs().ShowMessageBox(AText, ACaption, ui::MB_OK_ | AFlags);
}

void THeapDumpThread::ShowArchive(const std::string& AArchivePath) {
    TWinUtils::OpenFolderAndSelectFile(AArchivePath);
}
