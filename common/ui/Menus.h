#pragma once
// Pop-up menus and their items. Items with pictures stay standard menu items (text plus bitmap), so
// screen readers and automation read them.
#include "ui/Forms.h"

#include <string>
#include <vector>

namespace ui {

class TAction;
class TImageList;

// One entry of a menu; the caption "-" makes a separator.
class TMenuItem : public TComponent {
public:
    TMenuItem(TComponent* AOwner, std::string AName);
    ~TMenuItem() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& AValue);
    bool IsSeparator() const { return FCaption == "-"; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool AValue);
    bool Visible() const { return FVisible; }
    void SetVisible(bool AValue);
    // The default entry is shown in bold; the tray icon's double click usually runs the same command.
    bool Default() const { return FDefault; }
    void SetDefault(bool AValue);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int AValue);
    TAction* Action() const { return FAction; }
    // The item takes the action's caption, enabled and visible state and picture, and runs it.
    void SetAction(TAction* AAction);
    void ActionChanged();

    std::function<void(TComponent*)> OnClick;
    // The user chose the item: the action, or else OnClick.
    void Click();

private:
    std::string FCaption;
    bool FEnabled = true;
    bool FVisible = true;
    bool FDefault = false;
    int FImageIndex = -1;
    TAction* FAction = nullptr;
};

class TPopupMenu : public TComponent {
public:
    TPopupMenu(TComponent* AOwner, std::string AName);
    ~TPopupMenu() override;
    // The entries in menu order (items are owned by the form; the menu lists them).
    const std::vector<TMenuItem*>& Items() const { return FItems; }
    void Add(TMenuItem* AItem);
    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* AValue) { FImages = AValue; }
    // Runs each time the menu opens, before it is shown.
    std::function<void(TComponent*)> OnPopup;
    // Opens the menu at a screen position: OnPopup, then the peer shows it and runs the chosen item.
    // The headless build only records that it is open (tests then click an item).
    void Popup(int AX, int AY);
    // How many times the menu was opened.
    int PopupCount() const { return FPopupCount; }

private:
    std::vector<TMenuItem*> FItems;
    TImageList* FImages = nullptr;
    int FPopupCount = 0;
};

} // namespace ui
