#include "xAbout.h"

#include "MUISupportUnit.h"
#include "rpVersionInfo.h"

#include <functional>

using namespace std::placeholders;

TAboutForm::TAboutForm(ui::TComponent* AOwner, std::string AName) : ui::TForm(AOwner, std::move(AName)) {
    SetCaption("About");
    SetBorderStyle(ui::TFormBorderStyle::bsDialog);
    SetClientSize(306, 199);
    SetPosition(ui::TPosition::poScreenCenter);

    Image1 = Make<ui::TImage>("Image1");
    Image1->SetBounds(8, 8, 290, 76);
    TntLabel1 = Make<ui::TLabel>("TntLabel1");
    TntLabel1->SetBounds(8, 92, 290, 16);
    TntLabel1->SetCaption("Tallyfix Server Manager");
    ui::TFont nameFont;
    nameFont.Size = 10;
    nameFont.Style.Include(ui::TFontStyle::fsBold);
    TntLabel1->SetFont(nameFont);
    TntLabel2 = Make<ui::TLabel>("TntLabel2");
    TntLabel2->SetBounds(8, 116, 48, 13);
    TntLabel2->SetCaption("Version:");
    LabelVersionNum = Make<ui::TLabel>("LabelVersionNum");
    LabelVersionNum->SetBounds(60, 116, 238, 13);
    TntLabel3 = Make<ui::TLabel>("TntLabel3");
    TntLabel3->SetBounds(8, 136, 290, 26);
    TntLabel3->SetWordWrap(true);
    TntLabel3->SetCaption("Copyright (c) 2026 Pendrow Inc. All rights reserved.");
    OkButton = Make<ui::TButton>("OkButton");
    OkButton->SetBounds(116, 166, 75, 25);
    OkButton->SetCaption("OK");
    OkButton->SetDefault(true);
    OkButton->SetCancel(true);
    OkButton->OnClick = std::bind(&TAboutForm::OkButtonClick, this, _1);

    OnCreate = std::bind(&TAboutForm::TntFormCreate, this, _1);
    OnShow = std::bind(&TAboutForm::TntFormShow, this, _1);
}

void TAboutForm::TntFormCreate(ui::TComponent*) {
    mui::TranslateForm(*this);
    // A box without its logo is still an About box.
    Image1->LoadFromResourceName("LOGO");
}

void TAboutForm::TntFormShow(ui::TComponent*) {
    TrpVersionInfo versionInfo(nullptr);
    LabelVersionNum->SetCaption(versionInfo.FileVersion());
}

void TAboutForm::OkButtonClick(ui::TComponent*) {
    Close();
}
