#include "UACUtilsUnit.h"

#include "WinUtilsUnit.h"
#include "platform/Platform.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

bool TUACUtils::IsElevated() {
    return plat::Processes().IsElevated();
}

void TUACUtils::RunElevated(const std::string& AParameters, plat::Handle AWnd) {
    if (plat::Shell().RunElevated(plat::Files().ModuleFileName(), "/elevate " + AParameters, AWnd))
        ui::Application().Terminate();
}

void TUACUtils::SetButtonElevated(ui::TButton& AButton) {
    if (WinVersionSnapshot().Major >= 6 && !IsElevated())
        AButton.SetElevationShield(true);
}
