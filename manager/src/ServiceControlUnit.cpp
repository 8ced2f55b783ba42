#include "ServiceControlUnit.h"

#include "ResourceStrings.h"

TServiceControlForm::TServiceControlForm(ui::TComponent* AOwner)
    : TProgressForm(AOwner, "ServiceControlForm", "Service Control",
                    "Server Manager is attempting to start the following service on Local Computer") {
    LabelSvcName = Make<ui::TLabel>("LabelSvcName");
    LabelSvcName->SetBounds(64, 48, 290, 13);
    LabelSvcName->SetCaption("and here too");
}

std::string TServiceControlForm::OperationCaption() {
    return LanguageTable().GetString("TServiceControlForm", "Service Control");
}

void TServiceControlForm::Prepare(const std::string& ACode, const std::string& AAction,
                                  const std::string& AServiceName) {
    if (Visible())
        Close();
    SetCaption(OperationCaption());
    LabelCaption->SetCaption(AAction);
    LabelSvcName->SetCaption(AServiceName);
    Guid = ACode;
}
