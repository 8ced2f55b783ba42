#pragma once
// A user at the keyboard and mouse, for tests of forms: each function acts only where a user could (the
// control is showing and enabled, the menu is open, the item can be chosen), and otherwise fails the
// test with the reason and returns false. What it then calls is what the native peer calls when it
// sees the same input, so the form runs the same handlers.
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

#include <cstdint>
#include <source_location>
#include <string>

namespace testsupport {

using Where = std::source_location;

// A click on a button, label, panel ...; on a check box it changes the box, as the real one does.
bool UserClick(ui::TControl& AControl, Where AWhere = Where::current());
bool UserDblClick(ui::TControl& AControl, Where AWhere = Where::current());
bool UserToggle(ui::TCheckBox& ABox, Where AWhere = Where::current());
// Clicks into the field and replaces its text by typing AText. A field for numbers only takes no other
// characters and a field with a maximum length takes no more, as the native edit control does.
bool UserType(ui::TEdit& AEdit, const std::string& AText, Where AWhere = Where::current());
// Clicks on an item (list), picks it from the drop-down list (combo box) or clicks on a node (tree).
bool UserSelect(ui::TListBox& AList, int AIndex, Where AWhere = Where::current());
bool UserSelect(ui::TComboBox& ACombo, int AIndex, Where AWhere = Where::current());
bool UserSelect(ui::TTreeView& ATree, int AIndex, Where AWhere = Where::current());
// Clicks on the tab of a page.
bool UserSelectTab(ui::TPageControl& APages, int AIndex, Where AWhere = Where::current());
// Tab (or Shift+Tab) on the form.
bool UserTab(ui::TForm& AForm, bool AForward = true, Where AWhere = Where::current());
// The close box of the title bar (or Alt+F4).
bool UserClose(ui::TForm& AForm, Where AWhere = Where::current());
// A command of the window's system menu or title bar (SC_MINIMIZE_, SC_RESTORE_, SC_CLOSE_ ...).
bool UserSysCommand(ui::TForm& AForm, uint32_t ACommand, Where AWhere = Where::current());
#ifndef _WIN32
// The notification area and open menus exist as such only in the headless build; a native menu is
// modal and chosen from within its Popup.
// The tray icon: a double click, or a right click that opens its menu.
bool UserDblClick(ui::TTrayIcon& AIcon, Where AWhere = Where::current());
bool UserRightClick(ui::TTrayIcon& AIcon, Where AWhere = Where::current());
// Chooses an item of a menu that is open; the menu closes.
bool UserChoose(ui::TPopupMenu& AMenu, ui::TMenuItem& AItem, Where AWhere = Where::current());
#endif

} // namespace testsupport
