// libFuzzer target of the dump converter. The dump and the script live in an in-memory file system,
// so a run touches no disk. Besides crashes it checks the script's contract: it always starts with
// the transaction lines, it ends with the commit lines exactly when Process returns, and with
// ROLLBACK otherwise.
#include "DataConverterUnit.h"
#include "TableListUnit.h"
#include "oxml/SAXParser.h"
#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

std::map<std::string, std::string> gFiles;

class MemoryFile : public plat::IFile {
public:
    MemoryFile(std::string& data, bool writable) : data_(data), writable_(writable) {}
    bool Read(void* buffer, size_t size, size_t& got) override {
        got = std::min(size, data_.size() - pos_);
        std::copy_n(data_.data() + pos_, got, static_cast<char*>(buffer));
        pos_ += got;
        return true;
    }
    bool Write(const void* data, size_t size) override {
        if (!writable_)
            return false;
        data_.append(static_cast<const char*>(data), size);
        return true;
    }
    bool Seek(uint64_t position) override {
        pos_ = std::min<size_t>(position, data_.size());
        return true;
    }
    uint64_t Position() override { return pos_; }
    uint64_t Size() override { return data_.size(); }
    bool Truncate() override { return false; }
    bool Flush() override { return true; }

private:
    std::string& data_;
    bool writable_;
    size_t pos_ = 0;
};

class MemoryFiles : public plat::IFileSystem {
public:
    std::unique_ptr<plat::IFile> Open(const std::string& path, plat::OpenMode mode) override {
        if (mode == plat::OpenMode::CreateAlways) {
            gFiles[path].clear();
            return std::make_unique<MemoryFile>(gFiles[path], true);
        }
        auto it = gFiles.find(path);
        if (it == gFiles.end())
            return nullptr;
        return std::make_unique<MemoryFile>(it->second, false);
    }
    bool FileExists(const std::string& path) override { return gFiles.count(path) > 0; }
    bool DirectoryExists(const std::string&) override { return false; }
    bool CreateDir(const std::string&) override { return false; }
    bool ForceDirectories(const std::string&) override { return false; }
    bool RemoveDir(const std::string&) override { return false; }
    bool DeleteFile(const std::string& path) override { return gFiles.erase(path) > 0; }
    bool MoveFile(const std::string&, const std::string&, bool) override { return false; }
    bool CopyFile(const std::string&, const std::string&, bool) override { return false; }
    bool FindFiles(const std::string&, std::vector<plat::FindEntry>&) override { return false; }
    bool GetAttributes(const std::string&, plat::FindEntry&) override { return false; }
    bool GetFileVersion(const std::string&, uint32_t&, uint32_t&) override { return false; }
    std::string CurrentDir() override { return "/"; }
    bool SetCurrentDir(const std::string&) override { return false; }
    std::string ModuleFileName() override { return "/converter_fuzz"; }
};

// The logger stamps its lines; a fixed time will do.
class FixedClock : public plat::IClock {
public:
    plat::LocalTime Now() override { return plat::LocalTime{2026, 1, 1, 0, 0, 0, 0}; }
    uint64_t TickCount() override { return 0; }
    void Sleep(uint32_t) override {}
};

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

} // namespace

namespace plat {
Platform MakeDefaultPlatform() {
    Platform p;
    p.Files = std::make_shared<MemoryFiles>();
    p.Clock = std::make_shared<FixedClock>();
    return p;
}
} // namespace plat

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TTableList* tables = [] {
        auto* t = new TTableList;
        for (const char* name : {"room", "employee", "a", "t"})
            t->Add(name);
        return t;
    }();
    gFiles["in.xml"].assign(reinterpret_cast<const char*>(data), size);
    TDataConverter converter("in.xml", "out.sql", tables);
    bool completed = true;
    try {
        converter.Process();
    } catch (const EDataConverterError&) {
        completed = false;
    }
    const std::string& script = gFiles["out.sql"];
    Check(script.rfind("START TRANSACTION;\r\nSET CONSTRAINTS ALL DEFERRED;\r\n", 0) == 0, "script head");
    if (completed)
        Check(EndsWith(script, "\r\nSET CONSTRAINTS ALL IMMEDIATE;\r\nCOMMIT;\r\n"),
              "a completed run commits");
    else // values and names may spell "COMMIT;" themselves; only the script's own ending counts
        Check(EndsWith(script, "\r\nROLLBACK;\r\n"), "a failed run rolls back");
    return 0;
}
