#include "AppDataModule.h"

#include "Errors.h"
#include "platform/Resources.h"

#include <string>

namespace {

void LoadIcons(ui::TImageList& AList, const std::string& APrefix) {
    for (int i = 0; i < 4; ++i) {
        const std::string name = APrefix + std::to_string(i);
        if (AList.AddIcon(BuiltInResource(name.c_str())) < 0)
            throw EResNotFound("Resource " + name + " is no icon");
    }
}

} // namespace

std::string_view BuiltInResource(const char* AName) {
    const std::string_view data = plat::FindResourceData(AName);
    if (data.empty())
        throw EResNotFound(std::string("Resource ") + AName + " not found");
    return data;
}

TAppDataModule::TAppDataModule(ui::TComponent* AOwner, std::string AName)
    : ui::TDataModule(AOwner, std::move(AName)),
      ImageTrayIcons(Make<ui::TImageList>("ImageTrayIcons", 16, 16)),
      ImageTrayIcons16(Make<ui::TImageList>("ImageTrayIcons16", 16, 16)) {
    LoadIcons(*ImageTrayIcons, "TRAYICON");
    LoadIcons(*ImageTrayIcons16, "TRAYICON16_");
}
