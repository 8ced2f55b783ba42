#include "platform/sim/SimServices.h"

#include "platform/sim/ServiceStateFile.h"
#include "platform/sim/SharedFile.h"

#include <optional>

namespace plat::sim {

namespace {

constexpr uint32_t kServiceWin32OwnProcess = 0x10;
constexpr uint32_t kAcceptStop = 0x1;
constexpr uint32_t kErrorNormal = 1;
constexpr uint32_t kControlInterrogate = 4;
constexpr uint32_t kErrorInvalidServiceControl = 1052;
constexpr uint32_t kErrorServiceDisabled = 1058;
constexpr uint32_t kErrorInvalidServiceLock = 1071;
constexpr uint32_t kErrorServerUnavailable = 1722;
constexpr uint32_t kFirstProcessId = 4100;

constexpr uint32_t kGenericRead = 0x80000000;
constexpr uint32_t kGenericWrite = 0x40000000;
constexpr uint32_t kGenericExecute = 0x20000000;
constexpr uint32_t kGenericAll = 0x10000000;

// The service manager grants generic rights as these specific ones.
uint32_t MapGenericServiceRights(uint32_t access) {
    if (access & kGenericAll)
        access |= SERVICE_ALL_ACCESS_;
    if (access & kGenericRead)
        access |= SERVICE_QUERY_CONFIG_ | SERVICE_QUERY_STATUS_;
    if (access & kGenericWrite)
        access |= SERVICE_CHANGE_CONFIG_;
    if (access & kGenericExecute)
        access |= SERVICE_START_ | SERVICE_STOP_;
    return access;
}

uint32_t MapGenericManagerRights(uint32_t access) {
    if (access & kGenericAll)
        access |= SC_MANAGER_ALL_ACCESS_;
    if (access & kGenericExecute)
        access |= SC_MANAGER_LOCK_;
    return access | SC_MANAGER_CONNECT_; // every manager handle may connect
}

bool IsPending(uint32_t state) {
    return state == SERVICE_START_PENDING_ || state == SERVICE_STOP_PENDING_ ||
           state == SERVICE_CONTINUE_PENDING_ || state == SERVICE_PAUSE_PENDING_;
}

bool Fail(uint32_t code) {
    SetLastError(code);
    return false;
}

Handle FailHandle(uint32_t code) {
    SetLastError(code);
    return 0;
}

enum class HandleKind { Manager, Service };

struct HandleInfo {
    HandleKind Kind;
    std::string Key; // lower-case service name for service handles
    uint32_t Access;
};

} // namespace

struct SimServiceManager::Impl {
    mutable std::mutex Mutex;
    std::string StateFile;
    ServiceTable Services;
    std::map<Handle, HandleInfo> Handles;
    Handle NextHandle = 0x1000;
    uint32_t NextProcessId = kFirstProcessId;
    std::vector<SimCall> Calls;
    bool LockRefused = false;
    Handle HeldLock = 0;

    // Brings the table up to the state file. Entries are updated in place so that pointers handed out
    // by Find stay valid for services that still exist.
    void Load() {
        if (StateFile.empty())
            return;
        std::string text;
        ServiceTable loaded;
        if (ReadSharedFile(StateFile, text) && !ParseServiceTable(text, loaded))
            return;
        for (auto it = Services.begin(); it != Services.end();)
            it = loaded.count(it->first) ? std::next(it) : Services.erase(it);
        for (auto& [key, entry] : loaded)
            Services[key] = std::move(entry);
    }

    void Save() {
        if (!StateFile.empty())
            WriteSharedFile(StateFile, FormatServiceTable(Services));
    }

    Handle NewHandle(HandleKind kind, std::string key, uint32_t access) {
        const Handle h = NextHandle;
        NextHandle += 4;
        Handles[h] = HandleInfo{kind, std::move(key), access};
        return h;
    }

    void Record(const std::string& op, const std::string& service, uint32_t access, uint32_t arg = 0) {
        Calls.push_back(SimCall{op, service, access, arg});
    }

    // The service behind a handle with the right it needs, or nullptr with the last error set.
    ServiceEntry* Resolve(Handle h, uint32_t right, const char* op, uint32_t arg = 0) {
        const auto it = Handles.find(h);
        if (it == Handles.end() || it->second.Kind != HandleKind::Service) {
            Record(op, "", 0, arg);
            SetLastError(ERROR_INVALID_HANDLE_);
            return nullptr;
        }
        const auto svc = Services.find(it->second.Key);
        Record(op, svc == Services.end() ? it->second.Key : svc->second.Service.Name, it->second.Access, arg);
        if (!(it->second.Access & right)) {
            SetLastError(ERROR_ACCESS_DENIED_);
            return nullptr;
        }
        if (svc == Services.end()) { // removed while the handle was open: marked for deletion
            SetLastError(ERROR_SERVICE_DOES_NOT_EXIST_);
            return nullptr;
        }
        return &svc->second;
    }

    const HandleInfo* Manager(Handle h) const {
        const auto it = Handles.find(h);
        return it != Handles.end() && it->second.Kind == HandleKind::Manager ? &it->second : nullptr;
    }

    ServiceStatus Settled(const ServiceEntry& e) const {
        ServiceStatus st;
        st.ServiceType = kServiceWin32OwnProcess;
        st.CurrentState = e.Service.State;
        st.ControlsAccepted = e.Service.State == SERVICE_RUNNING_ ? kAcceptStop : 0;
        return st;
    }

    // The status one query reports; advances a scripted transition by one step.
    ServiceStatus NextStatus(ServiceEntry& e) {
        ServiceStatus st;
        if (e.Target != 0 && !e.Pending.empty()) {
            st = e.Pending.front();
            e.Pending.pop_front();
            e.Service.State = st.CurrentState;
            if (!IsPending(st.CurrentState))
                EndTransition(e);
        } else {
            if (e.Target != 0) {
                e.Service.State = e.Target;
                EndTransition(e);
            }
            st = Settled(e);
        }
        if (st.ServiceType == 0)
            st.ServiceType = kServiceWin32OwnProcess;
        st.ProcessId = e.Service.State == SERVICE_STOPPED_ ? 0 : e.Service.ProcessId;
        e.Last = st;
        return st;
    }

    static void EndTransition(ServiceEntry& e) {
        e.Target = 0;
        e.Pending.clear();
    }

    // What the manager reports without advancing anything (the control calls fill this).
    ServiceStatus Current(const ServiceEntry& e) const {
        ServiceStatus st = e.Target != 0 ? e.Last : Settled(e);
        st.CurrentState = e.Service.State;
        st.ProcessId = e.Service.State == SERVICE_STOPPED_ ? 0 : e.Service.ProcessId;
        return st;
    }

    void BeginTransition(ServiceEntry& e, uint32_t pendingState, uint32_t target,
                         const std::deque<ServiceStatus>& script) {
        e.Service.State = script.empty() ? target : pendingState;
        e.Target = script.empty() ? 0 : target;
        e.Pending = script;
        e.Last = Settled(e);
        e.Last.WaitHint = script.empty() ? 0 : script.front().WaitHint;
    }
};

SimServiceManager::SimServiceManager() : impl_(std::make_shared<Impl>()) {}

SimServiceManager::SimServiceManager(std::string stateFile) : impl_(std::make_shared<Impl>()) {
    impl_->StateFile = std::move(stateFile);
}

namespace {
// Every operation is one transaction on the shared state: lock, load, act, save.
class Transaction {
public:
    template <class Impl> explicit Transaction(Impl& impl) : guard_(impl.Mutex) {
        if (!impl.StateFile.empty())
            fileLock_.emplace(impl.StateFile);
        impl.Load();
    }

private:
    std::lock_guard<std::mutex> guard_;
    std::optional<SharedFileLock> fileLock_;
};
} // namespace

void SimServiceManager::AddService(const SimService& service) {
    Transaction tx(*impl_);
    ServiceEntry& e = impl_->Services[LowerAscii(service.Name)];
    e = ServiceEntry{service, {}, 0, {}};
    if (e.Service.State != SERVICE_STOPPED_ && e.Service.ProcessId == 0)
        e.Service.ProcessId = impl_->NextProcessId++;
    e.Last = impl_->Settled(e);
    impl_->Save();
}

void SimServiceManager::RemoveService(const std::string& name) {
    Transaction tx(*impl_);
    impl_->Services.erase(LowerAscii(name));
    impl_->Save();
}

SimService* SimServiceManager::Find(const std::string& name) {
    Transaction tx(*impl_);
    const auto it = impl_->Services.find(LowerAscii(name));
    return it == impl_->Services.end() ? nullptr : &it->second.Service;
}

std::vector<SimCall> SimServiceManager::Calls() const {
    std::lock_guard<std::mutex> guard(impl_->Mutex);
    return impl_->Calls;
}

void SimServiceManager::ClearCalls() {
    std::lock_guard<std::mutex> guard(impl_->Mutex);
    impl_->Calls.clear();
}

int SimServiceManager::OpenHandles() const {
    std::lock_guard<std::mutex> guard(impl_->Mutex);
    return static_cast<int>(impl_->Handles.size()) + (impl_->HeldLock != 0);
}

void SimServiceManager::SetLockRefused(bool refused) {
    std::lock_guard<std::mutex> guard(impl_->Mutex);
    impl_->LockRefused = refused;
}

Handle SimServiceManager::OpenSCManager(const std::string& machine, uint32_t access) {
    Transaction tx(*impl_);
    impl_->Record("OpenSCManager", "", access);
    // Only the local computer is reachable; a remote one is simply not there.
    if (!machine.empty() && machine != "." && machine != "\\\\.")
        return FailHandle(kErrorServerUnavailable);
    return impl_->NewHandle(HandleKind::Manager, "", MapGenericManagerRights(access));
}

Handle SimServiceManager::OpenService(Handle scm, const std::string& name, uint32_t access) {
    Transaction tx(*impl_);
    impl_->Record("OpenService", name, access);
    if (!impl_->Manager(scm))
        return FailHandle(ERROR_INVALID_HANDLE_);
    const std::string key = LowerAscii(name);
    if (!impl_->Services.count(key))
        return FailHandle(ERROR_SERVICE_DOES_NOT_EXIST_);
    return impl_->NewHandle(HandleKind::Service, key, MapGenericServiceRights(access));
}

bool SimServiceManager::CloseServiceHandle(Handle h) {
    std::lock_guard<std::mutex> guard(impl_->Mutex);
    const auto it = impl_->Handles.find(h);
    if (it == impl_->Handles.end()) {
        impl_->Record("CloseServiceHandle", "", 0);
        return Fail(ERROR_INVALID_HANDLE_);
    }
    impl_->Record("CloseServiceHandle", it->second.Key, it->second.Access);
    impl_->Handles.erase(it);
    return true;
}

bool SimServiceManager::QueryServiceStatus(Handle service, ServiceStatus& status) {
    Transaction tx(*impl_);
    ServiceEntry* e = impl_->Resolve(service, SERVICE_QUERY_STATUS_, "QueryServiceStatus");
    if (!e)
        return false;
    status = impl_->NextStatus(*e);
    status.ProcessId = 0; // the plain status record has no process id
    impl_->Save();
    return true;
}

bool SimServiceManager::QueryServiceStatusEx(Handle service, ServiceStatus& status) {
    Transaction tx(*impl_);
    ServiceEntry* e = impl_->Resolve(service, SERVICE_QUERY_STATUS_, "QueryServiceStatusEx");
    if (!e)
        return false;
    status = impl_->NextStatus(*e);
    impl_->Save();
    return true;
}

bool SimServiceManager::QueryServiceConfig(Handle service, ServiceConfig& config) {
    Transaction tx(*impl_);
    ServiceEntry* e = impl_->Resolve(service, SERVICE_QUERY_CONFIG_, "QueryServiceConfig");
    if (!e)
        return false;
    const SimService& s = e->Service;
    config = ServiceConfig{kServiceWin32OwnProcess,
                           s.StartType,
                           kErrorNormal,
                           s.BinaryPathName,
                           "",
                           s.Dependencies,
                           s.ServiceStartName,
                           s.DisplayName.empty() ? s.Name : s.DisplayName};
    return true;
}

bool SimServiceManager::ChangeServiceStartType(Handle service, uint32_t startType) {
    Transaction tx(*impl_);
    ServiceEntry* e = impl_->Resolve(service, SERVICE_CHANGE_CONFIG_, "ChangeServiceStartType", startType);
    if (!e)
        return false;
    if (startType == SERVICE_NO_CHANGE_)
        return true;
    // Boot and system start belong to drivers; a service process may only be automatic, manual or off.
    if (startType < SERVICE_AUTO_START_ || startType > SERVICE_DISABLED_)
        return Fail(ERROR_INVALID_PARAMETER_);
    e->Service.StartType = startType;
    impl_->Save();
    return true;
}

Handle SimServiceManager::LockServiceDatabase(Handle scm) {
    std::lock_guard<std::mutex> guard(impl_->Mutex);
    const HandleInfo* m = impl_->Manager(scm);
    impl_->Record("LockServiceDatabase", "", m ? m->Access : 0);
    if (!m)
        return FailHandle(ERROR_INVALID_HANDLE_);
    if (!(m->Access & SC_MANAGER_LOCK_))
        return FailHandle(ERROR_ACCESS_DENIED_);
    if (impl_->LockRefused || impl_->HeldLock != 0)
        return FailHandle(ERROR_SERVICE_DATABASE_LOCKED_);
    // A lock is not a handle that CloseServiceHandle accepts, so it lives outside the handle table.
    impl_->HeldLock = impl_->NextHandle;
    impl_->NextHandle += 4;
    return impl_->HeldLock;
}

bool SimServiceManager::UnlockServiceDatabase(Handle lock) {
    std::lock_guard<std::mutex> guard(impl_->Mutex);
    impl_->Record("UnlockServiceDatabase", "", 0);
    if (lock == 0 || lock != impl_->HeldLock)
        return Fail(kErrorInvalidServiceLock);
    impl_->HeldLock = 0;
    return true;
}

bool SimServiceManager::StartService(Handle service) {
    Transaction tx(*impl_);
    ServiceEntry* e = impl_->Resolve(service, SERVICE_START_, "StartService");
    if (!e)
        return false;
    if (e->Service.StartType == SERVICE_DISABLED_)
        return Fail(kErrorServiceDisabled);
    if (e->Service.State != SERVICE_STOPPED_)
        return Fail(ERROR_SERVICE_ALREADY_RUNNING_);
    if (e->Service.ProcessId == 0)
        e->Service.ProcessId = impl_->NextProcessId++;
    impl_->BeginTransition(*e, SERVICE_START_PENDING_, SERVICE_RUNNING_, e->Service.StartScript);
    impl_->Save();
    return true;
}

bool SimServiceManager::ControlService(Handle service, uint32_t control, ServiceStatus& status) {
    Transaction tx(*impl_);
    ServiceEntry* e =
        impl_->Resolve(service, control == SERVICE_CONTROL_STOP_ ? SERVICE_STOP_ : SERVICE_QUERY_STATUS_,
                       "ControlService", control);
    if (!e)
        return false;
    status = impl_->Current(*e);
    if (control == kControlInterrogate)
        return true;
    if (control != SERVICE_CONTROL_STOP_)
        return Fail(kErrorInvalidServiceControl);
    if (e->Service.State == SERVICE_STOPPED_)
        return Fail(ERROR_SERVICE_NOT_ACTIVE_);
    if (IsPending(e->Service.State))
        return Fail(ERROR_SERVICE_CANNOT_ACCEPT_CTRL_);
    impl_->BeginTransition(*e, SERVICE_STOP_PENDING_, SERVICE_STOPPED_, e->Service.StopScript);
    status = impl_->Current(*e);
    impl_->Save();
    return true;
}

} // namespace plat::sim
