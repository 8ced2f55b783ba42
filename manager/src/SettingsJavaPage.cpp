#include "SettingsUnit.h"

#include "ChooseJDKUnit.h"
#include "HeapDumpUnit.h"
#include "MegaUtils.h"
#include "ProcrunKeys.h"
#include "ResourceStrings.h"
#include "platform/Platform.h"
#include "ui/Threads.h"

#include <memory>

namespace {

// Probes the configured runtime off the window thread and hands what it printed to AShow there.
class TJavaProbeThread : public ui::TThread {
public:
    explicit TJavaProbeThread(std::function<void(const std::string&)> AShow) : FShow(std::move(AShow)) {
        FreeOnTerminate = true;
    }

protected:
    void Execute() override {
        const std::string root = GetJDKRoot();
        std::string jvm;
        RegReadString(ProcrunJvmPath, plat::RootKey::LocalMachine, jvm);
        const size_t last = jvm.find_last_of('\\');
        const size_t before =
            last == std::string::npos || last == 0 ? std::string::npos : jvm.find_last_of('\\', last - 1);
        const std::string vmType =
            before == std::string::npos ? std::string() : jvm.substr(before + 1, last - before - 1);
        std::string output;
        RunJavaProbe("\"" + root + "\\bin\\java.exe\" -" + vmType + " -jar " + QuotedProbeArchive(), output);
        Synchronize([&] { FShow(output); });
    }

private:
    std::function<void(const std::string&)> FShow;
};

} // namespace

void TSettingsForm::TntTabSheet3Show(ui::TComponent*) {
    if (FJDKInfoLoaded || FProbing)
        return;
    ui::Application().ProcessMessages();
    const std::string root = GetJDKRoot();
    if (root.empty()) {
        LabelJDKPath->SetCaption("JDK not found");
        return;
    }
    LabelJDKPath->SetCaption(root);
    MemoJDKInfo->SetText(LanguageTable().GetString("res_please_wait", "Please wait..."));
    ui::Application().ProcessMessages();
    FProbing = true;
    auto* probe = new TJavaProbeThread([this](const std::string& AOutput) {
        MemoJDKInfo->SetText(AOutput);
        FJDKInfoLoaded = true;
        FProbing = false;
    });
    probe->Start();
}

void TSettingsForm::ChangeJDKButtonClick(ui::TComponent*) {
    auto chooser = std::make_unique<TChooseJDKForm>(nullptr);
    chooser->SetPopupParent(this);
    chooser->DoCreate();
    if (chooser->ShowModal() == ui::mrOk) {
        FJDKInfoLoaded = false;
        TntTabSheet3Show(TntTabSheet3);
    }
}

void TSettingsForm::ButtonCreateHeapDumpClick(ui::TComponent*) {
    StartHeapDump(*this);
}
