#pragma once
// The progress window that the service operations and the backup share: the action and the service's
// name beside the animation. It is made once at start-up and reused.
#include "ProgressForm.h"

#include <string>

class TServiceControlForm : public TProgressForm {
public:
    explicit TServiceControlForm(ui::TComponent* AOwner);
    std::string ClassName() const override { return "TServiceControlForm"; }

    ui::TLabel* LabelSvcName;

    // The caption every operation gives the window, from the language table.
    static std::string OperationCaption();
    // Readies the window for a new operation (window thread): closes it if it is shown, then sets the
    // caption, the action, the service's name and the operation's code.
    void Prepare(const std::string& ACode, const std::string& AAction, const std::string& AServiceName);
};
