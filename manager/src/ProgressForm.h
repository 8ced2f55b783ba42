#pragma once
// The small progress window of the long operations: an animation, the state of the work and a Close
// button that only hides the window (the work goes on). Guid names the run that owns the window, so a
// worker of an earlier run, whose window the user closed, leaves a newer run's window alone.
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

#include <string>

class TProgressForm : public ui::TForm {
public:
    ui::TAnimate* Video;
    ui::TLabel* LabelCaption;
    ui::TButton* ButtonClose;

    // The code of the run that owns the window.
    std::string Guid;

    bool OwnedBy(const std::string& ACode) const { return Guid == ACode; }
    // Closes the window if it is shown and still belongs to the run (window thread).
    void CloseFor(const std::string& ACode);

    void TntFormCreate(ui::TComponent* Sender);
    void TntFormShow(ui::TComponent* Sender);
    void TntFormClose(ui::TComponent* Sender, ui::TCloseAction& Action);
    void ButtonCloseClick(ui::TComponent* Sender);

protected:
    TProgressForm(ui::TComponent* AOwner, std::string AName, const std::string& ACaption,
                  const std::string& AState);
};
