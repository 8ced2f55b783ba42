#pragma once
// The real file system, with the program's own path moved into a scratch folder: what the Server
// Manager finds beside its executable (language files, the template) is then the test's own.
#include "ForwardingFiles.h"
#include "platform/Platform.h"

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

class RelocatedFiles : public ForwardingFiles {
public:
    RelocatedFiles(std::shared_ptr<plat::IFileSystem> real, std::string module)
        : ForwardingFiles(std::move(real)), module_(std::move(module)) {}
    std::string ModuleFileName() override { return module_; }

private:
    std::string module_;
};

} // namespace testsupport
