#pragma once
// Simple controls: text labels, pictures and the animation control.
#include "ui/Forms.h"
#include "ui/Media.h"

#include <string>
#include <string_view>

namespace ui {

class TLabel : public TControl {
public:
    using TControl::TControl;
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool AValue);

private:
    bool FTransparent = true;
};

// A picture from the program's resources (a .bmp file stored as RCDATA).
class TImage : public TControl {
public:
    using TControl::TControl;
    // False when the program has no such picture.
    bool LoadFromResourceName(const std::string& AName);
    const std::string& ResourceName() const { return FResourceName; }
    std::string_view PictureData() const { return FData; }
    const TBitmapInfo& PictureInfo() const { return FInfo; }
    // The bottom-left pixel's colour is the transparent colour, as for any transparent bitmap.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool AValue);

private:
    std::string FResourceName;
    std::string_view FData;
    TBitmapInfo FInfo;
    bool FTransparent = false;
};

// Plays an AVI clip compiled into the program as a resource of type "AVI".
class TAnimate : public TControl {
public:
    using TControl::TControl;
    // Opens the clip; false when the program has no playable clip of that name.
    bool SetResName(const std::string& AName);
    const std::string& ResName() const { return FResName; }
    std::string_view ClipData() const { return FData; }
    uint32_t FrameCount() const { return FInfo.TotalFrames; }
    uint32_t FrameWidth() const { return FInfo.Width; }
    uint32_t FrameHeight() const { return FInfo.Height; }
    uint32_t FrameIntervalMs() const { return FInfo.MicroSecPerFrame / 1000; }
    bool Open() const { return FInfo.Valid; }
    // Playing, in an endless loop, once Active is set.
    bool Active() const { return FActive; }
    void SetActive(bool AValue);

private:
    std::string FResName;
    std::string_view FData;
    TAviInfo FInfo;
    bool FActive = false;
};

} // namespace ui
