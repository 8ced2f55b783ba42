#pragma once
// Native peers: a form is a top-level window, a control a child window of its parent's, and the
// non-visual components that show something (timer, menu, tray icon) have hidden windows of their own.
#include "ui/win32/Win32Common.h"

#include <memory>

namespace ui {
class TAnimate;
class TBitBtn;
class TButton;
class TCheckBox;
class TComboBox;
class TEdit;
class TGroupBox;
class TImage;
class TLabel;
class TListBox;
class TMemo;
class TPageControl;
class TPanel;
class TPopupMenu;
class TShape;
class TStatusBar;
class TTabSheet;
class TTimer;
class TTrayIcon;
class TTreeView;
} // namespace ui

namespace ui::win32 {

// The peer of a form, a control or a non-visual component; EPeerError for a component type without a
// native rendering, and for a control whose parent has no window yet.
std::unique_ptr<IControlPeer> CreateNativePeer(TComponent& AComponent);

std::unique_ptr<IControlPeer> NewLabelPeer(TLabel& AControl);
std::unique_ptr<IControlPeer> NewAnimatePeer(TAnimate& AControl);
std::unique_ptr<IControlPeer> NewImagePeer(TImage& AControl);
std::unique_ptr<IControlPeer> NewShapePeer(TShape& AControl);
std::unique_ptr<IControlPeer> NewButtonPeer(TButton& AControl);
std::unique_ptr<IControlPeer> NewBitBtnPeer(TBitBtn& AControl);
std::unique_ptr<IControlPeer> NewCheckBoxPeer(TCheckBox& AControl);
std::unique_ptr<IControlPeer> NewEditPeer(TEdit& AControl);
std::unique_ptr<IControlPeer> NewMemoPeer(TMemo& AControl);
std::unique_ptr<IControlPeer> NewComboBoxPeer(TComboBox& AControl);
std::unique_ptr<IControlPeer> NewListBoxPeer(TListBox& AControl);
std::unique_ptr<IControlPeer> NewTreeViewPeer(TTreeView& AControl);
std::unique_ptr<IControlPeer> NewStatusBarPeer(TStatusBar& AControl);
std::unique_ptr<IControlPeer> NewPanelPeer(TPanel& AControl);
std::unique_ptr<IControlPeer> NewGroupBoxPeer(TGroupBox& AControl);
std::unique_ptr<IControlPeer> NewPageControlPeer(TPageControl& AControl);
std::unique_ptr<IControlPeer> NewTabSheetPeer(TTabSheet& AControl);
std::unique_ptr<IControlPeer> NewTimerPeer(TTimer& AComponent);
std::unique_ptr<IControlPeer> NewPopupMenuPeer(TPopupMenu& AComponent);
std::unique_ptr<IControlPeer> NewTrayIconPeer(TTrayIcon& AComponent);

} // namespace ui::win32
