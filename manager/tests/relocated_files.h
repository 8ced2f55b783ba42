#pragma once
// The real file system, with the program's own path moved into a scratch folder: what the Server
// Manager finds beside its executable (language files, the template) is then the test's own.
#include "platform/Platform.h"

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

class RelocatedFiles : public plat::IFileSystem {
public:
    RelocatedFiles(std::shared_ptr<plat::IFileSystem> real, std::string module)
        : real_(std::move(real)), module_(std::move(module)) {}
    std::unique_ptr<plat::IFile> Open(const std::string& p, plat::OpenMode m) override {
        return real_->Open(p, m);
    }
    bool FileExists(const std::string& p) override { return real_->FileExists(p); }
    bool DirectoryExists(const std::string& p) override { return real_->DirectoryExists(p); }
    bool CreateDir(const std::string& p) override { return real_->CreateDir(p); }
    bool ForceDirectories(const std::string& p) override { return real_->ForceDirectories(p); }
    bool RemoveDir(const std::string& p) override { return real_->RemoveDir(p); }
    bool DeleteFile(const std::string& p) override { return real_->DeleteFile(p); }
    bool MoveFile(const std::string& a, const std::string& b, bool r) override {
        return real_->MoveFile(a, b, r);
    }
    bool CopyFile(const std::string& a, const std::string& b, bool f) override {
        return real_->CopyFile(a, b, f);
    }
    bool FindFiles(const std::string& m, std::vector<plat::FindEntry>& e) override {
        return real_->FindFiles(m, e);
    }
    bool GetAttributes(const std::string& p, plat::FindEntry& e) override {
        return real_->GetAttributes(p, e);
    }
    bool GetFileVersion(const std::string& p, uint32_t& ms, uint32_t& ls) override {
        return real_->GetFileVersion(p, ms, ls);
    }
    std::string CurrentDir() override { return real_->CurrentDir(); }
    bool SetCurrentDir(const std::string& p) override { return real_->SetCurrentDir(p); }
    std::string ModuleFileName() override { return module_; }

private:
    std::shared_ptr<plat::IFileSystem> real_;
    std::string module_;
};

} // namespace testsupport
