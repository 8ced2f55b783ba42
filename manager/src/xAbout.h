#pragma once
// The About box: the product's logo and name, the program's file version and the maker's notice. The
// main window makes it at its first use and keeps it; the version is read afresh each time it shows,
// so it always names the program file as it is now.
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

#include <string>

class TAboutForm : public ui::TForm {
public:
    explicit TAboutForm(ui::TComponent* AOwner, std::string AName = "AboutForm");
    std::string ClassName() const override { return "TAboutForm"; }

    ui::TImage* Image1;
    ui::TLabel* TntLabel1;
    ui::TLabel* TntLabel2;
    ui::TLabel* LabelVersionNum;
    ui::TLabel* TntLabel3;
    ui::TButton* OkButton;

    void TntFormCreate(ui::TComponent* Sender);
    void TntFormShow(ui::TComponent* Sender);
    void OkButtonClick(ui::TComponent* Sender);
};
