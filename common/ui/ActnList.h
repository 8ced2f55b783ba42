#pragma once
// Commands shared by buttons and menu items: one caption, one enabled and visible state, one picture
// and one handler, whichever control runs it.
#include "ui/Forms.h"

#include <string>
#include <vector>

namespace ui {

class TMenuItem;

class TAction : public TComponent {
public:
    TAction(TComponent* AOwner, std::string AName);
    ~TAction() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& AValue);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool AValue);
    bool Visible() const { return FVisible; }
    void SetVisible(bool AValue);
    // The picture's index in the image list of the menu or control that shows it; -1 for none.
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int AValue);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& AValue);

    std::function<void(TComponent*)> OnExecute;
    // Runs OnExecute when the action is enabled; false when it did not run.
    bool Execute();

    // Controls and menu items that carry the action are told of every change.
    void AddClient(TControl* AControl);
    void RemoveClient(TControl* AControl);
    void AddClient(TMenuItem* AItem);
    void RemoveClient(TMenuItem* AItem);

private:
    void NotifyClients();

    std::string FCaption;
    bool FEnabled = true;
    bool FVisible = true;
    int FImageIndex = -1;
    std::string FHint;
    std::vector<TControl*> FControls;
    std::vector<TMenuItem*> FItems;
};

// Links a control or menu item to its command: it leaves the old one, joins the new one and takes its
// state at once.
template <typename Client> void LinkAction(TAction*& ALinked, TAction* AAction, Client* AClient) {
    if (AAction == ALinked) {
        return;
    }
    if (ALinked != nullptr) {
        ALinked->RemoveClient(AClient);
    }
    ALinked = AAction;
    if (ALinked != nullptr) {
        ALinked->AddClient(AClient);
        AClient->ActionChanged();
    }
}

} // namespace ui
