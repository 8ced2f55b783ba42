#include "MUISupportUnit.h"
#include "RelocatedFiles.h"
#include "ResourceStrings.h"
#include "TempDir.h"
#include "ui/ActnList.h"
#include "ui/ComCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

#include <gtest/gtest.h>

using namespace std::literals;

namespace {

// One component of every kind the naming rule knows, plus an edit, whose text is content.
class TSampleForm : public ui::TForm {
public:
    TSampleForm() : ui::TForm(nullptr, "SampleForm") {
        SetCaption("Sample");
        Title = Make<ui::TLabel>("Title");
        Title->SetCaption("Gr\xC3\xB6\xC3\x9F"
                          "e");
        Ok = Make<ui::TBitBtn>("OkButton");
        Ok->SetCaption("OK");
        Debug = Make<ui::TCheckBox>("CheckDebug");
        Debug->SetCaption("Debug");
        Debug->SetHint("Design hint");
        Box = Make<ui::TGroupBox>("GroupBox");
        Box->SetCaption("Group");
        Port = Make<ui::TEdit>("EditPort");
        Port->SetText("8080");
        Services = Make<ui::TListBox>("ListServices");
        Services->SetItems({"one", "two", "three"});
        Services->SetItemIndex(1);
        Languages = Make<ui::TComboBox>("ComboLanguage");
        Languages->SetItems({"English"});
        Languages->SetItemIndex(0);
        Tree = Make<ui::TTreeView>("TreeMenu");
        const int root = Tree->AddNode("Root");
        Tree->AddNode("Second");
        Tree->AddNode("Child", root); // second in tree order, though added last
        Start = Make<ui::TAction>("StartAction");
        Start->SetCaption("Start");
        Exit = Make<ui::TMenuItem>("ExitItem");
        Exit->SetCaption("Exit");
    }
    std::string ClassName() const override { return "TSampleForm"; }

    ui::TLabel* Title;
    ui::TBitBtn* Ok;
    ui::TCheckBox* Debug;
    ui::TGroupBox* Box;
    ui::TEdit* Port;
    ui::TListBox* Services;
    ui::TComboBox* Languages;
    ui::TTreeView* Tree;
    ui::TAction* Start;
    ui::TMenuItem* Exit;
};

class TOtherForm : public ui::TForm {
public:
    TOtherForm() : ui::TForm(nullptr, "OtherForm") {
        SetCaption("Other");
        Make<ui::TLabel>("Note")->SetCaption("Note");
    }
    std::string ClassName() const override { return "TOtherForm"; }
};

std::vector<std::string> NodeTexts(const ui::TTreeView& tree) {
    std::vector<std::string> texts;
    for (int i = 0; i < tree.NodeCount(); ++i)
        texts.push_back(tree.NodeText(i));
    return texts;
}

class FormTranslation : public ::testing::Test {
protected:
    void SetUp() override {
        ui::Application().Reset();
        ui::Application().Initialize();
    }
    void TearDown() override {
        ui::Application().Reset();
        LanguageTable().Clear();
    }
};

TEST_F(FormTranslation, EveryKindOfComponentTakesItsTextByName) {
    LanguageTable().LoadFromStream("TSampleForm=Beispiel\r\n"
                                   "tsampleformtitle=Titel\r\n"
                                   "TSampleFormOkButton=Gut\r\n"
                                   "TSampleFormCheckDebug=Fehlersuche\r\n"
                                   "TSampleFormCheckDebugHint=Nur auf Anweisung\r\n"
                                   "TSampleFormEditPort=9999\r\n"
                                   "TSampleFormListServices1=zwei\r\n"
                                   "TSampleFormComboLanguage0=Deutsch\r\n"
                                   "TSampleFormTreeMenu1=Kind\r\n"
                                   "TSampleFormStartAction=Starten\r\n"
                                   "TSampleFormExitItem=Beenden\r\n"sv);
    TSampleForm form;
    mui::TranslateForm(form);
    EXPECT_EQ("Beispiel", form.Caption());
    EXPECT_EQ("Titel", form.Title->Caption());
    EXPECT_EQ("Gut", form.Ok->Caption());
    EXPECT_EQ("Fehlersuche", form.Debug->Caption());
    EXPECT_EQ("Nur auf Anweisung", form.Debug->Hint());
    EXPECT_EQ("Group", form.Box->Caption()) << "no entry: the design text stays";
    EXPECT_EQ("8080", form.Port->Text()) << "an edit's text is content";
    EXPECT_EQ((std::vector<std::string>{"one", "zwei", "three"}), form.Services->Items());
    EXPECT_EQ(1, form.Services->ItemIndex());
    EXPECT_EQ((std::vector<std::string>{"Deutsch"}), form.Languages->Items());
    EXPECT_EQ(0, form.Languages->ItemIndex());
    EXPECT_EQ((std::vector<std::string>{"Root", "Kind", "Second"}), NodeTexts(*form.Tree));
    EXPECT_EQ("Starten", form.Start->Caption());
    EXPECT_EQ("Beenden", form.Exit->Caption());
}

TEST_F(FormTranslation, AllFormsAreTranslatedAndAnEmptyTableChangesNothing) {
    TSampleForm sample;
    TOtherForm other;
    mui::TranslateAllForms();
    EXPECT_EQ("Sample", sample.Caption());
    EXPECT_EQ("Design hint", sample.Debug->Hint());

    LanguageTable().LoadFromStream("TOtherForm=Andere\r\nTOtherFormNote=Notiz\r\nTSampleForm=Beispiel"sv);
    mui::TranslateAllForms();
    EXPECT_EQ("Beispiel", sample.Caption());
    EXPECT_EQ("Andere", other.Caption());
    EXPECT_EQ("Notiz", dynamic_cast<ui::TLabel*>(other.FindComponent("Note"))->Caption());
}

TEST_F(FormTranslation, TheTemplateHoldsTheTextsOfEveryFormInTheAnsiCodePage) {
    testsupport::TempDir dir;
    TSampleForm sample;
    TOtherForm other;
    ASSERT_TRUE(mui::ExportTemplate(dir.Windows("temp.lng")));
    EXPECT_EQ("TSampleForm=Sample\r\n"
              "TSampleFormTitle=Gr\xF6\xDF"
              "e\r\n"
              "TSampleFormOkButton=OK\r\n"
              "TSampleFormCheckDebug=Debug\r\n"
              "TSampleFormGroupBox=Group\r\n"
              "TSampleFormListServices0=one\r\n"
              "TSampleFormListServices1=two\r\n"
              "TSampleFormListServices2=three\r\n"
              "TSampleFormComboLanguage0=English\r\n"
              "TSampleFormTreeMenu0=Root\r\n"
              "TSampleFormTreeMenu1=Child\r\n"
              "TSampleFormTreeMenu2=Second\r\n"
              "TSampleFormStartAction=Start\r\n"
              "TSampleFormExitItem=Exit\r\n"
              "TOtherForm=Other\r\n"
              "TOtherFormNote=Note\r\n",
              dir.Read("temp.lng"));
    EXPECT_FALSE(mui::ExportTemplate(dir.Windows("missing folder\\temp.lng")));
}

TEST_F(FormTranslation, TheTemplateSwitchWritesBesideTheProgramAndEndsIt) {
    testsupport::TempDir dir;
    plat::Platform parts;
    parts.Files =
        std::make_shared<testsupport::RelocatedFiles>(plat::Current().Files, dir.Windows("TFManager.exe"));
    plat::ScopedOverride relocated(parts);
    TOtherForm form;
    ui::Application().SetMainForm(&form);

    EXPECT_FALSE(mui::HandleTemplateSwitch({"TFManager.exe", "/background", "tpl_export"}));
    EXPECT_FALSE(ui::Application().Terminated());
    EXPECT_FALSE(dir.Exists("temp.lng"));

    EXPECT_TRUE(mui::HandleTemplateSwitch({"TFManager.exe", "-TPL_Export"}));
    EXPECT_EQ("TOtherForm=Other\r\nTOtherFormNote=Note\r\n", dir.Read("temp.lng"));
    EXPECT_TRUE(ui::Application().Terminated());
    ui::Application().Run();
    EXPECT_FALSE(form.Showing()) << "the run ends without showing the main window";
}

} // namespace
