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

    void TntFormCreate(ui::TComponent* Sender);
    void TntFormShow(ui::TComponent* Sender);
    void TntFormClose(ui::TComponent* Sender, ui::TCloseAction& Action);
    void ButtonCloseClick(ui::TComponent* Sender);
};
