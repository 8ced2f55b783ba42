// Pop-up menus, built afresh each time they open from the items' state. Items with pictures stay
// standard items (text plus a bitmap), so screen readers and automation read them.
#include "ui/ImgList.h"
#include "ui/Menus.h"
#include "ui/win32/Win32HiddenWindow.h"
#include "ui/win32/Win32Peers.h"
#include "ui/win32/Win32Pictures.h"

#include "text/TextCodec.h"

#include <vector>

namespace ui::win32 {

namespace {

using unique_hmenu = plat::unique_any<plat::win::null_handle_traits<HMENU, &::DestroyMenu>>;

class PopupMenuPeer : public HiddenWindowPeer {
public:
    explicit PopupMenuPeer(TPopupMenu& menu) : FMenu(menu) {
        CreateHiddenWindow(L"TkMenuOwner", TKind::TopLevel);
    }

    void Changed() override {}

    // The menu closes when the user clicks elsewhere only if its owner is the foreground window; the
    // posted WM_NULL lets a second opening from the tray work at once. The chosen item runs after the
    // menu has closed, so its command may open windows of its own.
    void Popup(int AX, int AY) override {
        std::vector<plat::win::unique_gdi<HBITMAP>> pictures;
        unique_hmenu menu(CreatePopupMenu());
        if (!menu) {
            RaiseLastError("Cannot create the menu " + FMenu.Name());
        }
        const std::vector<TMenuItem*> items = FMenu.Items();
        for (size_t i = 0; i < items.size(); ++i) {
            Append(menu.get(), *items[i], static_cast<UINT>(i + 1), pictures);
        }
        SetForegroundWindow(Handle());
        UINT chosen = static_cast<UINT>(TrackPopupMenu(
            menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, AX, AY, 0, Handle(), nullptr));
        PostMessageW(Handle(), WM_NULL, 0, 0);
        if (chosen >= 1 && chosen <= items.size()) {
            items[chosen - 1]->Click();
        }
    }

protected:
    bool Message(UINT, WPARAM, LPARAM, LRESULT&) override { return false; }

private:
    void Append(HMENU AMenu, const TMenuItem& AItem, UINT AId,
                std::vector<plat::win::unique_gdi<HBITMAP>>& APictures) {
        if (!AItem.Visible()) {
            return;
        }
        if (AItem.IsSeparator()) {
            AppendMenuW(AMenu, MF_SEPARATOR, 0, nullptr);
            return;
        }
        std::wstring caption = text::ToWide(AItem.Caption());
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE;
        info.wID = AId;
        info.dwTypeData = caption.data();
        info.fState = (AItem.Default() ? MFS_DEFAULT : 0) | (AItem.Enabled() ? MFS_ENABLED : MFS_GRAYED);
        TImageList* images = FMenu.Images();
        if (images != nullptr && AItem.ImageIndex() >= 0 && AItem.ImageIndex() < images->Count()) {
            plat::win::unique_gdi<HBITMAP> picture = MakeBitmap(images->Picture(AItem.ImageIndex()), true);
            if (picture) {
                info.fMask |= MIIM_BITMAP;
                info.hbmpItem = picture.get();
                APictures.push_back(std::move(picture));
            }
        }
        InsertMenuItemW(AMenu, GetMenuItemCount(AMenu), TRUE, &info);
    }

    TPopupMenu& FMenu;
};

} // namespace

std::unique_ptr<IControlPeer> NewPopupMenuPeer(TPopupMenu& AComponent) {
    return std::make_unique<PopupMenuPeer>(AComponent);
}

} // namespace ui::win32
