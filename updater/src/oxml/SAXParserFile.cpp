// ParseFile: the reader over a file of the platform layer, so Windows-style paths work on every build.
#include "oxml/SAXParser.h"

#include "platform/Platform.h"

namespace oxml {

namespace {

class FileStream : public IByteStream {
public:
    FileStream(std::unique_ptr<plat::IFile> file, const std::string& name)
        : file_(std::move(file)), name_(name) {}

    size_t Read(void* buffer, size_t size) override {
        size_t got = 0;
        if (!file_->Read(buffer, size, got))
            throw EReadError("Cannot read file \"" + name_ + "\".");
        return got;
    }
    bool Rewind() override { return file_->Seek(0); }

private:
    std::unique_ptr<plat::IFile> file_;
    std::string name_;
};

} // namespace

bool TSAXParser::ParseFile(const std::string& fileName, uint32_t forceCodePage) {
    std::unique_ptr<plat::IFile> file = plat::Files().Open(fileName, plat::OpenMode::Read);
    if (!file) {
        std::string message = "Cannot open file \"" + fileName + "\".";
        if (plat::Current().Host)
            message += " " + plat::Host().SysErrorMessage(plat::LastError());
        throw EFOpenError(message);
    }
    FileStream stream(std::move(file), fileName);
    return Run(stream, fileName, forceCodePage);
}

} // namespace oxml
