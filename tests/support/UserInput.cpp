#include "UserInput.h"

#ifndef _WIN32
#include "ui/headless/HeadlessPeers.h"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

namespace testsupport {

namespace {

bool Refused(const Where& AWhere, const std::string& AReason) {
    ADD_FAILURE_AT(AWhere.file_name(), static_cast<int>(AWhere.line())) << AReason;
    return false;
}

std::string Describe(const ui::TComponent& AComponent) {
    return "\"" + AComponent.Name() + "\"";
}

// What a user can reach: a control that is on the screen and not greyed out.
bool Usable(const ui::TControl& AControl, const Where& AWhere) {
    if (!AControl.Showing()) {
        return Refused(AWhere, Describe(AControl) + " is not showing, so no user can reach it");
    }
    if (!AControl.EffectivelyEnabled()) {
        return Refused(AWhere, Describe(AControl) + " is disabled (itself, a parent or its window)");
    }
    return true;
}

bool InRange(const ui::TControl& AControl, int AIndex, size_t ACount, const Where& AWhere) {
    if (AIndex < 0 || static_cast<size_t>(AIndex) >= ACount) {
        return Refused(AWhere, Describe(AControl) + " has no item " + std::to_string(AIndex) + " (it has " +
                                   std::to_string(ACount) + ")");
    }
    return true;
}

// A click into a control that takes the focus gives it the focus first.
void Focus(ui::TControl& AControl) {
    if (AControl.TabStop()) {
        AControl.SetFocus();
    }
}

} // namespace

bool UserClick(ui::TControl& AControl, Where AWhere) {
    if (auto* box = dynamic_cast<ui::TCheckBox*>(&AControl)) {
        return UserToggle(*box, AWhere);
    }
    if (!Usable(AControl, AWhere)) {
        return false;
    }
    Focus(AControl);
    AControl.Click();
    return true;
}

bool UserDblClick(ui::TControl& AControl, Where AWhere) {
    if (!Usable(AControl, AWhere)) {
        return false;
    }
    AControl.DblClick();
    return true;
}

bool UserToggle(ui::TCheckBox& ABox, Where AWhere) {
    if (!Usable(ABox, AWhere)) {
        return false;
    }
    Focus(ABox);
    ABox.Toggle();
    return true;
}

bool UserType(ui::TEdit& AEdit, const std::string& AText, Where AWhere) {
    if (!Usable(AEdit, AWhere)) {
        return false;
    }
    if (AEdit.ReadOnly()) {
        return Refused(AWhere, Describe(AEdit) + " is read-only");
    }
    std::string typed = AText;
    if (AEdit.NumbersOnly()) {
        typed.erase(std::remove_if(typed.begin(), typed.end(),
                                   [](char c) { return !std::isdigit(static_cast<unsigned char>(c)); }),
                    typed.end());
    }
    if (AEdit.MaxLength() > 0 && typed.size() > static_cast<size_t>(AEdit.MaxLength())) {
        typed.resize(static_cast<size_t>(AEdit.MaxLength()));
    }
    Focus(AEdit);
    AEdit.SetText(typed);
    return true;
}

bool UserSelect(ui::TListBox& AList, int AIndex, Where AWhere) {
    if (!Usable(AList, AWhere) || !InRange(AList, AIndex, AList.Items().size(), AWhere)) {
        return false;
    }
    Focus(AList);
    AList.Select(AIndex);
    return true;
}

bool UserSelect(ui::TComboBox& ACombo, int AIndex, Where AWhere) {
    if (!Usable(ACombo, AWhere) || !InRange(ACombo, AIndex, ACombo.Items().size(), AWhere)) {
        return false;
    }
    Focus(ACombo);
    ACombo.Select(AIndex);
    return true;
}

bool UserSelect(ui::TTreeView& ATree, int AIndex, Where AWhere) {
    if (!Usable(ATree, AWhere) || !InRange(ATree, AIndex, static_cast<size_t>(ATree.NodeCount()), AWhere)) {
        return false;
    }
    Focus(ATree);
    ATree.Select(AIndex);
    ATree.Click();
    return true;
}

bool UserSelectTab(ui::TPageControl& APages, int AIndex, Where AWhere) {
    std::vector<ui::TTabSheet*> pages = APages.Pages();
    if (!Usable(APages, AWhere) || !InRange(APages, AIndex, pages.size(), AWhere)) {
        return false;
    }
    ui::TTabSheet& sheet = *pages[static_cast<size_t>(AIndex)];
    if (!sheet.TabVisible() || !sheet.Visible()) {
        return Refused(AWhere, "the page " + Describe(sheet) + " shows no tab to click");
    }
    APages.SetActivePage(&sheet);
    return true;
}

bool UserTab(ui::TForm& AForm, bool AForward, Where AWhere) {
    if (!Usable(AForm, AWhere)) {
        return false;
    }
    AForm.SelectNext(AForward);
    return true;
}

bool UserClose(ui::TForm& AForm, Where AWhere) {
    if (!Usable(AForm, AWhere)) {
        return false;
    }
    if (!AForm.SystemMenu() || AForm.BorderStyle() == ui::TFormBorderStyle::bsNone) {
        return Refused(AWhere, "the window " + Describe(AForm) + " has no close box");
    }
    AForm.CloseRequested();
    return true;
}

bool UserSysCommand(ui::TForm& AForm, uint32_t ACommand, Where AWhere) {
    if (!Usable(AForm, AWhere)) {
        return false;
    }
    AForm.SysCommand(ACommand);
    // The window's own handling of the close command asks the form to close.
    if (ACommand == ui::SC_CLOSE_) {
        AForm.CloseRequested();
    }
    return true;
}

#ifndef _WIN32
bool UserDblClick(ui::TTrayIcon& AIcon, Where AWhere) {
    if (!ui::headless::TrayIconShown(AIcon)) {
        return Refused(AWhere, "the tray icon " + Describe(AIcon) + " is not in the notification area");
    }
    AIcon.DblClick();
    return true;
}

bool UserRightClick(ui::TTrayIcon& AIcon, Where AWhere) {
    if (!ui::headless::TrayIconShown(AIcon)) {
        return Refused(AWhere, "the tray icon " + Describe(AIcon) + " is not in the notification area");
    }
    if (AIcon.PopupMenu() == nullptr) {
        return Refused(AWhere, "the tray icon " + Describe(AIcon) + " has no menu");
    }
    AIcon.ShowPopupMenu();
    return true;
}

bool UserChoose(ui::TPopupMenu& AMenu, ui::TMenuItem& AItem, Where AWhere) {
    if (!ui::headless::PopupOpen(AMenu)) {
        return Refused(AWhere, "the menu " + Describe(AMenu) + " is not open");
    }
    const auto& items = AMenu.Items();
    if (std::find(items.begin(), items.end(), &AItem) == items.end()) {
        return Refused(AWhere, Describe(AItem) + " is not an item of the menu " + Describe(AMenu));
    }
    if (!AItem.Visible()) {
        return Refused(AWhere, "the menu item " + Describe(AItem) + " is hidden");
    }
    if (AItem.IsSeparator()) {
        return Refused(AWhere, "the menu item " + Describe(AItem) + " is a separator");
    }
    if (!AItem.Enabled()) {
        return Refused(AWhere, "the menu item " + Describe(AItem) + " is disabled");
    }
    ui::headless::ClosePopup(AMenu);
    AItem.Click();
    return true;
}
#endif

} // namespace testsupport
