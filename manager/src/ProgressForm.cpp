#include "ProgressForm.h"

#include <functional>

using namespace std::placeholders;

TProgressForm::TProgressForm(ui::TComponent* AOwner, std::string AName, const std::string& ACaption,
                             const std::string& AState)
    : ui::TForm(AOwner, std::move(AName)) {
    SetCaption(ACaption);
    SetBorderStyle(ui::TFormBorderStyle::bsToolWindow);
    SetClientSize(461, 80);
    SetPosition(ui::TPosition::poScreenCenter);

    Video = Make<ui::TAnimate>("Video");
    Video->SetBounds(8, 16, 48, 48);
    LabelCaption = Make<ui::TLabel>("LabelCaption");
    LabelCaption->SetBounds(64, 12, 389, 28);
    LabelCaption->SetWordWrap(true);
    LabelCaption->SetCaption(AState);
    ButtonClose = Make<ui::TButton>("ButtonClose");
    ButtonClose->SetBounds(378, 44, 75, 25);
    ButtonClose->SetCaption("Close");
    ButtonClose->SetCancel(true);
    ButtonClose->SetTabStop(true);
    ButtonClose->OnClick = std::bind(&TProgressForm::ButtonCloseClick, this, _1);

    OnCreate = std::bind(&TProgressForm::TntFormCreate, this, _1);
    OnShow = std::bind(&TProgressForm::TntFormShow, this, _1);
    OnClose = std::bind(&TProgressForm::TntFormClose, this, _1, _2);
}

void TProgressForm::CloseFor(const std::string& ACode) {
    if (OwnedBy(ACode) && Visible())
        Close();
}

void TProgressForm::TntFormCreate(ui::TComponent*) {
    Video->SetResName("MOVIE");
}

void TProgressForm::TntFormShow(ui::TComponent*) {
    Video->SetActive(true);
    ui::Application().ProcessMessages();
}

void TProgressForm::TntFormClose(ui::TComponent*, ui::TCloseAction&) {
    Video->SetActive(false);
}

void TProgressForm::ButtonCloseClick(ui::TComponent*) {
    Close();
}
