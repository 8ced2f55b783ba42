#include "LoggerHandlersUnit.h"

#include "text/TextCodec.h"

namespace {

constexpr size_t MaxPathLength = 259;

// Size in whole megabytes, rounded down; a missing file counts as empty.
int64_t FileSizeInMegabytes(const std::string& fileName) {
    plat::FindEntry entry;
    if (!plat::Files().GetAttributes(fileName, entry)) {
        return 0;
    }
    return static_cast<int64_t>(entry.Size / 1024 / 1024);
}

std::string NumberedLogName(const std::string& backupDir) {
    for (int n = 1;; ++n) {
        std::string candidate = backupDir + "\\Updater." + std::to_string(n) + ".log";
        if (!plat::Files().FileExists(candidate)) {
            return candidate;
        }
    }
}

} // namespace

TFileLoggerHandler::TFileLoggerHandler(int ALevel, const std::string& AFileName, int MaxFileLogSize)
    : TLoggerHandler(ALevel), _maxFileLogSize(MaxFileLogSize), _fileName(AFileName) {
    if (AFileName.size() > MaxPathLength) {
        throw EInOutError("File name too long: " + AFileName);
    }
}

TFileLoggerHandler::~TFileLoggerHandler() {
    // Leave the logger's list first, so no line arrives while the file is going away.
    TLogger::UnregisterHandler(this);
}

void TFileLoggerHandler::DoSetActive(bool AValue) {
    if (AValue == FActive) {
        return;
    }
    if (AValue) {
        OpenFile();
        FActive = true;
    } else {
        FActive = false;
        _file.reset();
    }
}

void TFileLoggerHandler::OpenFile() {
    auto& files = plat::Files();
    std::unique_ptr<plat::IFile> file;
    if (FileSizeInMegabytes(_fileName) < _maxFileLogSize) {
        file = files.Open(_fileName, plat::OpenMode::Append);
    } else {
        std::string backupName = ChangeFileExt(_fileName, ".bak");
        if (files.FileExists(backupName)) {
            files.DeleteFile(backupName);
        }
        if (files.FileExists(_fileName)) {
            files.MoveFile(_fileName, backupName, false);
        }
        file = files.Open(_fileName, plat::OpenMode::CreateAlways);
    }
    if (!file) {
        throw EInOutError("Cannot open log file " + _fileName + ": " +
                          plat::Host().SysErrorMessage(plat::LastError()));
    }
    _file = std::move(file);
}

void TFileLoggerHandler::Notify(const std::string& AMessage) {
    if (!_file) {
        return;
    }
    std::string bytes = text::Utf8ToAnsi(AMessage);
    bytes += "\r\n";
    _file->Write(bytes.data(), bytes.size());
    _file->Flush();
}

std::string ChangeFileExt(const std::string& AFileName, const std::string& AExtension) {
    size_t separator = AFileName.find_last_of("\\/:");
    size_t dot = AFileName.rfind('.');
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) {
        return AFileName + AExtension;
    }
    return AFileName.substr(0, dot) + AExtension;
}

std::unique_ptr<TFileLoggerHandler> OpenUpdaterLog(const std::string& ADestDir) {
    auto& files = plat::Files();
    std::string backupDir = ADestDir + "\\backup";
    if (!files.DirectoryExists(backupDir)) {
        files.ForceDirectories(backupDir);
    }
    std::string logName = backupDir + "\\Updater.log";
    if (files.FileExists(logName)) {
        files.MoveFile(logName, NumberedLogName(backupDir), false);
    }
    auto handler = std::make_unique<TFileLoggerHandler>(logFinest, logName, 0);
    handler->SetActive(true);
    return handler;
}
