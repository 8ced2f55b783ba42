#include "platform/sim/SimRegistry.h"

#include "platform/sim/RegText.h"
#include "platform/sim/ServiceStateFile.h"
#include "platform/sim/SharedFile.h"

#include <map>
#include <mutex>
#include <optional>

namespace plat::sim {

namespace {

constexpr long kErrorKeyDeleted = 1018;
constexpr uint32_t kGenericRead = 0x80000000;
constexpr uint32_t kGenericWrite = 0x40000000;
constexpr uint32_t kGenericAll = 0x10000000;
constexpr uint32_t kMaximumAllowed = 0x02000000;

uint32_t MapGenericKeyRights(uint32_t access) {
    if (access & (kGenericAll | kMaximumAllowed))
        access |= KEY_ALL_ACCESS_;
    if (access & kGenericRead)
        access |= KEY_READ_;
    if (access & kGenericWrite)
        access |= KEY_WRITE_;
    return access;
}

const char* RootName(RootKey root) {
    switch (root) {
    case RootKey::LocalMachine:
        return "HKEY_LOCAL_MACHINE";
    case RootKey::CurrentUser:
        return "HKEY_CURRENT_USER";
    case RootKey::ClassesRoot:
        return "HKEY_CLASSES_ROOT";
    case RootKey::Users:
        return "HKEY_USERS";
    }
    return "HKEY_LOCAL_MACHINE";
}

std::vector<std::string> SplitPath(const std::string& subKey) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= subKey.size()) {
        const size_t end = std::min(subKey.find('\\', start), subKey.size());
        if (end > start)
            parts.push_back(subKey.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The full path a 32-bit program on 64-bit Windows reaches: its view of HKLM\SOFTWARE is the
// Wow6432Node below it, unless it asks for the 64-bit view.
std::string ResolvePath(RootKey root, const std::string& subKey, uint32_t access) {
    std::vector<std::string> parts = SplitPath(subKey);
    const bool view32 = !(access & KEY_WOW64_64KEY_);
    if (view32 && root == RootKey::LocalMachine && !parts.empty() && LowerAscii(parts[0]) == "software" &&
        (parts.size() == 1 || LowerAscii(parts[1]) != "wow6432node"))
        parts.insert(parts.begin() + 1, "Wow6432Node");
    std::string path = RootName(root);
    for (const auto& p : parts)
        path += "\\" + p;
    return path;
}

struct KeyHandle {
    std::string Lower; // lower-case full path
    bool IsRoot;
    uint32_t Access;
};

} // namespace

struct SimRegistry::Impl {
    std::mutex Mutex;
    std::string File;
    RegTree Tree;
    std::map<Handle, KeyHandle> Handles;
    Handle NextHandle = 0x2000;

    void Load() {
        std::string content;
        RegTree loaded;
        if (File.empty() || !ReadSharedFile(File, content))
            return;
        if (ApplyRegText(content, loaded))
            Tree = std::move(loaded);
    }

    void Save() {
        if (!File.empty())
            WriteSharedFile(File, FormatRegText(Tree));
    }

    Handle Add(const std::string& path, uint32_t access) {
        const Handle h = NextHandle;
        NextHandle += 4;
        Handles[h] =
            KeyHandle{LowerPath(path), path.find('\\') == std::string::npos, MapGenericKeyRights(access)};
        return h;
    }

    // The key behind a handle with the right it needs; error code 0 on success.
    long Resolve(Handle h, uint32_t right, RegKey*& key) {
        const auto it = Handles.find(h);
        if (it == Handles.end())
            return ERROR_INVALID_HANDLE_;
        if (!(it->second.Access & right))
            return ERROR_ACCESS_DENIED_;
        key = nullptr;
        if (it->second.IsRoot)
            return ERROR_SUCCESS_;
        const auto k = Tree.find(it->second.Lower);
        if (k == Tree.end())
            return kErrorKeyDeleted;
        key = &k->second;
        return ERROR_SUCCESS_;
    }
};

namespace {
// Every operation is one transaction on the backing file: lock, load, act, save.
class Transaction {
public:
    template <class Impl> explicit Transaction(Impl& impl) : guard_(impl.Mutex) {
        if (!impl.File.empty())
            fileLock_.emplace(impl.File);
        impl.Load();
    }

private:
    std::lock_guard<std::mutex> guard_;
    std::optional<SharedFileLock> fileLock_;
};

bool ViewFlagsConflict(uint32_t access) {
    return (access & KEY_WOW64_64KEY_) && (access & KEY_WOW64_32KEY_);
}
} // namespace

SimRegistry::SimRegistry() : impl_(std::make_shared<Impl>()) {}

SimRegistry::SimRegistry(std::string regFile) : impl_(std::make_shared<Impl>()) {
    impl_->File = std::move(regFile);
}

bool SimRegistry::Import(const std::string& regText) {
    Transaction tx(*impl_);
    if (!ApplyRegText(regText, impl_->Tree))
        return false;
    impl_->Save();
    return true;
}

std::string SimRegistry::Export() const {
    Transaction tx(*impl_);
    return FormatRegText(impl_->Tree);
}

long SimRegistry::OpenKey(RootKey root, const std::string& subKey, uint32_t access, Handle& key) {
    Transaction tx(*impl_);
    key = 0;
    if (ViewFlagsConflict(access))
        return ERROR_INVALID_PARAMETER_;
    const std::string path = ResolvePath(root, subKey, access);
    if (path.find('\\') != std::string::npos && !impl_->Tree.count(LowerPath(path)))
        return ERROR_FILE_NOT_FOUND_;
    key = impl_->Add(path, access);
    return ERROR_SUCCESS_;
}

long SimRegistry::CreateKey(RootKey root, const std::string& subKey, uint32_t access, Handle& key) {
    Transaction tx(*impl_);
    key = 0;
    if (ViewFlagsConflict(access))
        return ERROR_INVALID_PARAMETER_;
    const std::string path = ResolvePath(root, subKey, access);
    if (path.find('\\') != std::string::npos && !impl_->Tree.count(LowerPath(path))) {
        EnsureKey(impl_->Tree, path);
        impl_->Save();
    }
    key = impl_->Add(path, access);
    return ERROR_SUCCESS_;
}

long SimRegistry::QueryValue(Handle key, const std::string& name, uint32_t& type,
                             std::vector<uint8_t>& data) {
    Transaction tx(*impl_);
    RegKey* k = nullptr;
    if (const long rc = impl_->Resolve(key, KEY_QUERY_VALUE_, k))
        return rc;
    const RegValue* v = k ? k->Find(name) : nullptr;
    if (!v)
        return ERROR_FILE_NOT_FOUND_;
    type = v->Type;
    data = v->Data;
    return ERROR_SUCCESS_;
}

long SimRegistry::SetValue(Handle key, const std::string& name, uint32_t type,
                           const std::vector<uint8_t>& data) {
    Transaction tx(*impl_);
    RegKey* k = nullptr;
    if (const long rc = impl_->Resolve(key, KEY_SET_VALUE_, k))
        return rc;
    if (!k)
        return ERROR_ACCESS_DENIED_; // the roots themselves hold no values of ours
    if (RegValue* v = k->Find(name)) {
        v->Type = type;
        v->Data = data;
    } else {
        k->Values.push_back(RegValue{name, type, data});
    }
    impl_->Save();
    return ERROR_SUCCESS_;
}

long SimRegistry::DeleteValue(Handle key, const std::string& name) {
    Transaction tx(*impl_);
    RegKey* k = nullptr;
    if (const long rc = impl_->Resolve(key, KEY_SET_VALUE_, k))
        return rc;
    if (!k || !k->Remove(name))
        return ERROR_FILE_NOT_FOUND_;
    impl_->Save();
    return ERROR_SUCCESS_;
}

long SimRegistry::CloseKey(Handle key) {
    std::lock_guard<std::mutex> guard(impl_->Mutex);
    return impl_->Handles.erase(key) ? ERROR_SUCCESS_ : ERROR_INVALID_HANDLE_;
}

} // namespace plat::sim
