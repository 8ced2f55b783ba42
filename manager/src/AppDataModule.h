#pragma once
// The tray icon sets shared by the windows: four 16 x 16 icons each, by index 0 stopped, 1 checking
// while stopped, 2 running, 3 checking while running. Set A suits the systems that draw small icons
// well (IsWinXPOrLater), set B the others. A missing icon resource raises EResNotFound.
#include "ui/Forms.h"
#include "ui/ImgList.h"

#include <string>
#include <string_view>

constexpr int TrayIconStopped = 0;
constexpr int TrayIconCheckingStopped = 1;
constexpr int TrayIconRunning = 2;
constexpr int TrayIconCheckingRunning = 3;

class TAppDataModule : public ui::TDataModule {
public:
    explicit TAppDataModule(ui::TComponent* AOwner, std::string AName = "AppDataModule");

    ui::TImageList* ImageTrayIcons;
    ui::TImageList* ImageTrayIcons16;
};

// A picture the program carries; raises EResNotFound when the program lacks it, as for any resource
// its windows are made of.
std::string_view BuiltInResource(const char* AName);
