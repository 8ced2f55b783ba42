#pragma once
// A file system that hands every call to another one: a test derives from it and overrides the calls
// it wants to move, watch or fail.
#include "platform/Platform.h"

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

class ForwardingFiles : public plat::IFileSystem {
public:
    explicit ForwardingFiles(std::shared_ptr<plat::IFileSystem> AReal) : FReal(std::move(AReal)) {}

    std::unique_ptr<plat::IFile> Open(const std::string& p, plat::OpenMode m) override {
        return FReal->Open(p, m);
    }
    bool FileExists(const std::string& p) override { return FReal->FileExists(p); }
    bool DirectoryExists(const std::string& p) override { return FReal->DirectoryExists(p); }
    bool CreateDir(const std::string& p) override { return FReal->CreateDir(p); }
    bool ForceDirectories(const std::string& p) override { return FReal->ForceDirectories(p); }
    bool RemoveDir(const std::string& p) override { return FReal->RemoveDir(p); }
    bool DeleteFile(const std::string& p) override { return FReal->DeleteFile(p); }
    bool MoveFile(const std::string& a, const std::string& b, bool r) override {
        return FReal->MoveFile(a, b, r);
    }
    bool ReplaceFile(const std::string& a, const std::string& b) override { return FReal->ReplaceFile(a, b); }
    bool CopyFile(const std::string& a, const std::string& b, bool f) override {
        return FReal->CopyFile(a, b, f);
    }
    bool FindFiles(const std::string& m, std::vector<plat::FindEntry>& e) override {
        return FReal->FindFiles(m, e);
    }
    bool GetAttributes(const std::string& p, plat::FindEntry& e) override {
        return FReal->GetAttributes(p, e);
    }
    bool GetFileVersion(const std::string& p, uint32_t& ms, uint32_t& ls) override {
        return FReal->GetFileVersion(p, ms, ls);
    }
    std::string CurrentDir() override { return FReal->CurrentDir(); }
    bool SetCurrentDir(const std::string& p) override { return FReal->SetCurrentDir(p); }
    std::string ModuleFileName() override { return FReal->ModuleFileName(); }

protected:
    plat::IFileSystem& Real() const { return *FReal; }

private:
    std::shared_ptr<plat::IFileSystem> FReal;
};

} // namespace testsupport
