#include "ui/StdCtrls.h"

#include "platform/Resources.h"

namespace ui {

void TLabel::SetTransparent(bool AValue) {
    FTransparent = AValue;
    Changed();
}

bool TImage::LoadFromResourceName(const std::string& AName) {
    std::string_view data = plat::FindResourceData(AName.c_str(), "RCDATA");
    TBitmapInfo info = ParseBitmap(data);
    if (!info.Valid) {
        return false;
    }
    FResourceName = AName;
    FData = data;
    FInfo = info;
    Changed();
    return true;
}

void TImage::SetTransparent(bool AValue) {
    FTransparent = AValue;
    Changed();
}

bool TAnimate::SetResName(const std::string& AName) {
    std::string_view data = plat::FindResourceData(AName.c_str(), "AVI");
    FResName = AName;
    FData = data;
    FInfo = ParseAvi(data);
    Changed();
    return FInfo.Valid;
}

void TAnimate::SetActive(bool AValue) {
    FActive = AValue && FInfo.Valid;
    Changed();
}

} // namespace ui
