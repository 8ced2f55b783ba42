#pragma once
// The small progress window that the service operations and the backup share: an animation, the
// action and the service's name. It is made once at start-up and reused; Guid names the operation
// that owns it, so a worker acts on it only while it is still its own.
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

#include <string>

class TServiceControlForm : public ui::TForm {
public:
    explicit TServiceControlForm(ui::TComponent* AOwner);
    std::string ClassName() const override { return "TServiceControlForm"; }

    ui::TAnimate* Video;
    ui::TLabel* LabelCaption;
    ui::TLabel* LabelSvcName;
    ui::TButton* ButtonClose;

    // The code of the operation that owns the window.
    std::string Guid;

    // The caption every operation gives the window, from the language table.
    static std::string OperationCaption();
    // Readies the window for a new operation (window thread): closes it if it is shown, then sets the
    // caption, the action, the service's name and the operation's code.
    void Prepare(const std::string& ACode, const std::string& AAction, const std::string& AServiceName);
    bool OwnedBy(const std::string& ACode) const { return Guid == ACode; }
    // Closes the window if it is shown and still belongs to the operation (window thread).
    void CloseFor(const std::string& ACode);

    void TntFormCreate(ui::TComponent* Sender);
    void TntFormShow(ui::TComponent* Sender);
    void TntFormClose(ui::TComponent* Sender, ui::TCloseAction& Action);
    void ButtonCloseClick(ui::TComponent* Sender);
};
