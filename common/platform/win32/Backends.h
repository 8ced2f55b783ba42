#pragma once
// Factories of the win32 backends, one per interface; MakeDefaultPlatform assembles them.
#include "platform/Platform.h"

#include <memory>

namespace plat::win {

std::shared_ptr<IServiceManager> MakeServiceManager();
std::shared_ptr<IRegistry> MakeRegistry();
std::shared_ptr<IProcesses> MakeProcesses();
std::shared_ptr<IHost> MakeHost();
std::shared_ptr<IShell> MakeShell();
std::shared_ptr<IFileSystem> MakeFileSystem();
std::shared_ptr<ISync> MakeSync();
std::shared_ptr<IClock> MakeClock();

} // namespace plat::win
