#pragma once
// Message boxes and file/folder dialogs go through one service, so that a test can script the answers
// and read what was shown. The build's backend provides the default service.
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ui {

// Message box flags and answers with the values of the Windows API.
constexpr uint32_t MB_OK_ = 0x00;
constexpr uint32_t MB_OKCANCEL_ = 0x01;
constexpr uint32_t MB_YESNO_ = 0x04;
constexpr uint32_t MB_ICONERROR_ = 0x10;
constexpr uint32_t MB_ICONQUESTION_ = 0x20;
constexpr uint32_t MB_ICONWARNING_ = 0x30;
constexpr uint32_t MB_ICONINFORMATION_ = 0x40;
constexpr int IDOK_ = 1;
constexpr int IDCANCEL_ = 2;
constexpr int IDYES_ = 6;
constexpr int IDNO_ = 7;

// A save dialog always requires the chosen file's folder to exist.
struct TSaveDialogOptions {
    std::string Title;
    std::string Filter;     // "SQL files (*.sql)|*.sql|All files (*.*)|*.*"
    int FilterIndex = 1;    // the filter selected at first, counted from 1
    std::string DefaultExt; // without the dot
    std::string InitialDir;
    std::string FileName; // proposed name
    bool OverwritePrompt = true;
};

class IDialogService {
public:
    virtual ~IDialogService() = default;
    // Returns the button chosen (IDOK_, IDYES_, ...).
    virtual int ShowMessageBox(const std::string& AText, const std::string& ACaption, uint32_t AFlags) = 0;
    // The chosen file name, or nothing when cancelled.
    virtual std::optional<std::string> SaveDialog(const TSaveDialogOptions& AOptions) = 0;
    virtual std::optional<std::string> BrowseForFolder(const std::string& ATitle,
                                                       const std::string& AInitialDir) = 0;
};

// The active dialog service.
IDialogService& Dialogs();
// The default service of the build's backend.
std::shared_ptr<IDialogService> MakeDefaultDialogs();

// Replaces the dialog service for the lifetime of the object (tests).
class ScopedDialogs {
public:
    explicit ScopedDialogs(std::shared_ptr<IDialogService> AService);
    ~ScopedDialogs();
    ScopedDialogs(const ScopedDialogs&) = delete;
    ScopedDialogs& operator=(const ScopedDialogs&) = delete;

private:
    std::shared_ptr<IDialogService> FSaved;
};

// One dialog as it was shown.
struct TShownDialog {
    std::string Kind; // "message", "save", "folder"
    std::string Text;
    std::string Caption;
    uint32_t Flags = 0;
};

// Records what is shown and answers from a script; without a scripted answer a message box answers
// with its first button and a file or folder dialog is cancelled. Safe to use from any thread.
class TScriptedDialogs : public IDialogService {
public:
    void AnswerMessage(int AButton);
    void AnswerFile(std::optional<std::string> AFileName);
    std::vector<TShownDialog> Shown() const;

    int ShowMessageBox(const std::string& AText, const std::string& ACaption, uint32_t AFlags) override;
    std::optional<std::string> SaveDialog(const TSaveDialogOptions& AOptions) override;
    std::optional<std::string> BrowseForFolder(const std::string& ATitle,
                                               const std::string& AInitialDir) override;

private:
    mutable std::mutex FLock;
    std::deque<int> FButtons;
    std::deque<std::optional<std::string>> FFiles;
    std::vector<TShownDialog> FShown;
};

} // namespace ui
