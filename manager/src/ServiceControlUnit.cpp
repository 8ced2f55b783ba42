#include "ServiceControlUnit.h"

#include "ResourceStrings.h"

#include <functional>

using namespace std::placeholders;

TServiceControlForm::TServiceControlForm(ui::TComponent* AOwner) : ui::TForm(AOwner, "ServiceControlForm") {
    SetCaption("Service Control");
    SetBorderStyle(ui::TFormBorderStyle::bsToolWindow);
    SetClientSize(461, 80);
    SetPosition(ui::TPosition::poScreenCenter);

    Video = Make<ui::TAnimate>("Video");
    Video->SetBounds(8, 16, 48, 48);
    LabelCaption = Make<ui::TLabel>("LabelCaption");
    LabelCaption->SetBounds(64, 12, 389, 28);
    LabelCaption->SetWordWrap(true);
    LabelCaption->SetCaption("Server Manager is attempting to start the following service on Local Computer");
    LabelSvcName = Make<ui::TLabel>("LabelSvcName");
    LabelSvcName->SetBounds(64, 48, 290, 13);
    LabelSvcName->SetCaption("and here too");
    ButtonClose = Make<ui::TButton>("ButtonClose");
    ButtonClose->SetBounds(378, 44, 75, 25);
    ButtonClose->SetCaption("Close");
    ButtonClose->SetCancel(true);
    ButtonClose->SetTabStop(true);
    ButtonClose->OnClick = std::bind(&TServiceControlForm::ButtonCloseClick, this, _1);

    OnCreate = std::bind(&TServiceControlForm::TntFormCreate, this, _1);
    OnShow = std::bind(&TServiceControlForm::TntFormShow, this, _1);
    OnClose = std::bind(&TServiceControlForm::TntFormClose, this, _1, _2);
}

void TServiceControlForm::TntFormCreate(ui::TComponent*) {
    Video->SetResName("MOVIE");
}

void TServiceControlForm::TntFormShow(ui::TComponent*) {
    Video->SetActive(true);
    ui::Application().ProcessMessages();
}

void TServiceControlForm::TntFormClose(ui::TComponent*, ui::TCloseAction&) {
    Video->SetActive(false);
}

void TServiceControlForm::ButtonCloseClick(ui::TComponent*) {
    Close();
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

void TServiceControlForm::CloseFor(const std::string& ACode) {
    if (OwnedBy(ACode) && Visible())
        Close();
}
