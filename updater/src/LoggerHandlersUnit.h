#pragma once
// Log handlers of the Updater: the file handler with its size threshold and ".bak" rotation, and the
// set-up of the Updater's own log under the new installation's backup folder.
#include "LoggerUnit.h"

#include "Errors.h"
#include "platform/Platform.h"

#include <memory>
#include <string>

// A file that cannot be named, created or opened.
class EInOutError : public EBaseError {
public:
    using EBaseError::EBaseError;
    const char* ClassName() const noexcept override { return "EInOutError"; }
};

class TFileLoggerHandler : public TLoggerHandler {
public:
    // Does not open the file; activation does. A threshold of 0 or less rotates on every activation.
    TFileLoggerHandler(int ALevel, const std::string& AFileName, int MaxFileLogSize);
    ~TFileLoggerHandler() override;

    void Notify(const std::string& AMessage) override;
    const std::string& FileName() const { return _fileName; }

protected:
    void DoSetActive(bool AValue) override;

private:
    void OpenFile();

    int _maxFileLogSize;
    std::unique_ptr<plat::IFile> _file;
    std::string _fileName;
};

// The name with its extension replaced; the extension is what follows the last "." of the last path
// element, and a name without one gets AExtension appended.
std::string ChangeFileExt(const std::string& AFileName, const std::string& AExtension);

// Opens the Updater's log: ADestDir + "\backup\Updater.log", an existing one moved aside to the first
// free "Updater.<n>.log". Raises EInOutError when the log cannot be opened.
std::unique_ptr<TFileLoggerHandler> OpenUpdaterLog(const std::string& ADestDir);
