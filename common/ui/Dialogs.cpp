#include "ui/Dialogs.h"

#include "ui/Threads.h"

namespace ui {

namespace {

std::shared_ptr<IDialogService>& Active() {
    static std::shared_ptr<IDialogService> service = MakeDefaultDialogs();
    return service;
}

int FirstButton(uint32_t flags) {
    switch (flags & 0x0F) {
    case MB_YESNO_:
        return IDYES_;
    default:
        return IDOK_;
    }
}

} // namespace

IDialogService& Dialogs() {
    return *Active();
}

ScopedDialogs::ScopedDialogs(std::shared_ptr<IDialogService> AService) : FSaved(Active()) {
    Active() = std::move(AService);
}

ScopedDialogs::~ScopedDialogs() {
    Active() = FSaved;
}

void TScriptedDialogs::AnswerMessage(int AButton) {
    std::lock_guard<std::mutex> guard(FLock);
    FButtons.push_back(AButton);
}

void TScriptedDialogs::AnswerFile(std::optional<std::string> AFileName) {
    std::lock_guard<std::mutex> guard(FLock);
    FFiles.push_back(std::move(AFileName));
}

std::vector<TShownDialog> TScriptedDialogs::Shown() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FShown;
}

int TScriptedDialogs::ShowMessageBox(const std::string& AText, const std::string& ACaption, uint32_t AFlags) {
    // A real message box keeps serving the workers' hand-offs while it is open.
    if (InMainThread()) {
        CheckSynchronize();
    }
    std::lock_guard<std::mutex> guard(FLock);
    FShown.push_back({"message", AText, ACaption, AFlags});
    if (FButtons.empty()) {
        return FirstButton(AFlags);
    }
    int button = FButtons.front();
    FButtons.pop_front();
    return button;
}

std::optional<std::string> TScriptedDialogs::SaveDialog(const TSaveDialogOptions& AOptions) {
    std::lock_guard<std::mutex> guard(FLock);
    FShown.push_back({"save", AOptions.FileName, AOptions.Title, 0});
    if (FFiles.empty()) {
        return std::nullopt;
    }
    auto answer = FFiles.front();
    FFiles.pop_front();
    return answer;
}

std::optional<std::string> TScriptedDialogs::BrowseForFolder(const std::string& ATitle,
                                                             const std::string& AInitialDir) {
    std::lock_guard<std::mutex> guard(FLock);
    FShown.push_back({"folder", AInitialDir, ATitle, 0});
    if (FFiles.empty()) {
        return std::nullopt;
    }
    auto answer = FFiles.front();
    FFiles.pop_front();
    return answer;
}

} // namespace ui
