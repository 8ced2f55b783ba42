#include "platform/win32/Backends.h"
#include "platform/win32/WinApi.h"

#include <utility>

namespace plat::win {
namespace {

class Win32NamedObject final : public INamedObject {
public:
    Win32NamedObject(unique_handle h, bool isEvent) : h_(std::move(h)), isEvent_(isEvent) {}

    bool Set() override {
        if (!isEvent_) {
            plat::SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        return SetEvent(h_.get()) || Fail();
    }

    WaitResult Wait(uint32_t milliseconds) override {
        switch (WaitForSingleObject(h_.get(), milliseconds)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:
            return WaitResult::Signaled;
        case WAIT_TIMEOUT:
            return WaitResult::Timeout;
        default:
            Fail();
            return WaitResult::Failed;
        }
    }

private:
    unique_handle h_;
    bool isEvent_;
};

std::unique_ptr<INamedObject> Wrap(unique_handle h, bool isEvent) {
    if (!h) {
        Fail();
        return nullptr;
    }
    return std::make_unique<Win32NamedObject>(std::move(h), isEvent);
}

class Win32Sync final : public ISync {
public:
    std::unique_ptr<INamedObject> CreateMutex(const std::string& name, bool& alreadyExists) override {
        // Ownership stays with the creating thread until the handle goes; an instance that merely
        // opens the existing mutex gets no ownership.
        unique_handle h(CreateMutexW(nullptr, TRUE, Wide(name).c_str()));
        alreadyExists = h && GetLastError() == ERROR_ALREADY_EXISTS;
        return Wrap(std::move(h), false);
    }

    std::unique_ptr<INamedObject> CreateEvent(const std::string& name) override {
        // A null DACL lets a process of any user, elevated or not, signal the event. Manual reset:
        // one signal ends every waiter, and stays for those that open the event later.
        SECURITY_DESCRIPTOR sd{};
        InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE);
        SECURITY_ATTRIBUTES sa{sizeof sa, &sd, FALSE};
        return Wrap(unique_handle(CreateEventW(&sa, TRUE, FALSE, Wide(name).c_str())), true);
    }

    std::unique_ptr<INamedObject> OpenEvent(const std::string& name) override {
        return Wrap(unique_handle(OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, Wide(name).c_str())),
                    true);
    }
};

class Win32Clock final : public IClock {
public:
    LocalTime Now() override {
        SYSTEMTIME st{};
        GetLocalTime(&st);
        return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
    }
    uint64_t TickCount() override { return GetTickCount64(); }
    void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }
};

} // namespace

std::shared_ptr<ISync> MakeSync() {
    return std::make_shared<Win32Sync>();
}
std::shared_ptr<IClock> MakeClock() {
    return std::make_shared<Win32Clock>();
}

} // namespace plat::win
