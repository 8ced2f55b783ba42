#include "rpVersionInfo.h"

#include "PeVersionInfo.h"
#include "platform/Platform.h"

#include <cstdint>
#include <optional>

namespace {

constexpr const char* StringTable = "040904E4";

// The value names, in the order of TVersionType: each entry's name without its "vt".
constexpr const char* ValueNames[] = {"CompanyName",    "FileDescription", "FileVersion",      "InternalName",
                                      "LegalCopyright", "LegalTradeMark",  "OriginalFileName", "ProductName",
                                      "ProductVersion", "Comments"};

// No program of ours comes near this; a larger file is not read into memory.
constexpr uint64_t MaxProgramSize = 256ull * 1024 * 1024;

// The bytes of the program file, read through the platform layer as any file is (the resource reader
// of the Windows API is not needed to find one block of text).
std::optional<std::string> ReadProgramImage() {
    auto file = plat::Files().Open(plat::Files().ModuleFileName(), plat::OpenMode::Read);
    if (!file || file->Size() > MaxProgramSize)
        return std::nullopt;
    std::string image(static_cast<size_t>(file->Size()), '\0');
    size_t done = 0, got = 0;
    while (done < image.size() && file->Read(image.data() + done, image.size() - done, got) && got > 0)
        done += got;
    image.resize(done); // a short read leaves a truncated image, in which no block is found
    return image;
}

} // namespace

TrpVersionInfo::TrpVersionInfo(ui::TComponent* AOwner, std::string AName)
    : ui::TComponent(AOwner, std::move(AName)) {
    SetVersionInfo();
}

const std::string& TrpVersionInfo::GetVersionInfo(TVersionType AType) const {
    return FVersionInfo.at(static_cast<size_t>(AType));
}

void TrpVersionInfo::SetVersionInfo() {
    static_assert(std::size(ValueNames) == std::tuple_size_v<decltype(FVersionInfo)>);
    const std::optional<std::string> image = ReadProgramImage();
    if (!image)
        return;
    for (size_t i = 0; i < FVersionInfo.size(); ++i)
        FVersionInfo[i] = ReadPeVersionString(*image, StringTable, ValueNames[i]).value_or("");
}
