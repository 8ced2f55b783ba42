// Controls as a user meets them: what shows and can be used through nesting, commands shared by buttons
// and menu items, focus and Tab order, and the state translation and redraws rely on.
#include "ui/ActnList.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"
#include "ui/headless/HeadlessPeers.h"

#include "UiFixture.h"
#include "UserInput.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace testsupport;

class TestForm : public ui::TForm {
public:
    explicit TestForm(const std::string& AName = "TestForm") : ui::TForm(nullptr, AName) {}
    std::string ClassName() const override { return "TTestForm"; }
};

// Records which components got a peer, in order, and renders them as the build does.
class RecordingBackend : public ui::IBackend {
public:
    std::unique_ptr<ui::IControlPeer> CreatePeer(ui::TComponent& component) override {
        Created.push_back(component.Name());
        return ui::BuildBackend().CreatePeer(component);
    }
    void SetTaskbarButtonVisible(bool AVisible) override {
        ui::BuildBackend().SetTaskbarButtonVisible(AVisible);
    }
    void HandleMessage() override { ui::BuildBackend().HandleMessage(); }
    void ProcessMessages() override { ui::BuildBackend().ProcessMessages(); }
    void WakeMainThread() override { ui::BuildBackend().WakeMainThread(); }
    void Announce(const std::string&) override {}
    void ReportFault(const std::string&) override {}
    std::vector<std::string> Created;
};

using Controls = ApplicationTest;

TEST_F(Controls, WhatShowsAndWhatCanBeUsedFollowsTheParentsAndTheForm) {
    RecordingBackend backend;
    ui::ScopedBackend scoped(backend);
    TestForm form;
    auto* early = form.Make<ui::TButton>("Early"); // made before the panel it is put on
    auto* panel = form.Make<ui::TPanel>("Panel");
    auto* group = form.Make<ui::TGroupBox>("Group");
    auto* box = form.Make<ui::TCheckBox>("Box");
    early->SetParent(panel);
    group->SetParent(panel);
    box->SetParent(group);
    EXPECT_EQ(panel->Children(), (std::vector<ui::TControl*>{early, group}));
    EXPECT_EQ(box->ParentForm(), &form);
    EXPECT_FALSE(box->Showing()) << "the form is not shown yet";

    form.Show();
    EXPECT_EQ(backend.Created, (std::vector<std::string>{"TestForm", "Panel", "Early", "Group", "Box"}))
        << "a parent's peer before its children's";
    EXPECT_TRUE(box->Showing());
    panel->Hide();
    EXPECT_FALSE(early->Showing());
    EXPECT_FALSE(box->Showing());
    EXPECT_TRUE(box->Visible()) << "its own state is kept for when the panel shows again";
    EXPECT_NONFATAL_FAILURE(UserClick(*early), "\"Early\" is not showing");
    panel->Show();
    group->SetEnabled(false);
    EXPECT_TRUE(early->EffectivelyEnabled());
    EXPECT_FALSE(box->EffectivelyEnabled());
    EXPECT_NONFATAL_FAILURE(UserToggle(*box), "\"Box\" is disabled");
    EXPECT_FALSE(box->Checked());
    form.Hide();
    EXPECT_FALSE(early->Showing());
}

TEST_F(Controls, OnlyTheActivePageAndItsControlsShow) {
    TestForm form;
    auto* pages = form.Make<ui::TPageControl>("Pages");
    auto* first = form.Make<ui::TTabSheet>("First");
    auto* second = form.Make<ui::TTabSheet>("Second");
    auto* edit = form.Make<ui::TEdit>("Edit");
    first->SetPageControl(pages);
    second->SetPageControl(pages);
    second->SetTabVisible(false);
    edit->SetParent(second);
    form.Show();
    EXPECT_EQ(pages->ActivePage(), first) << "the first page added is the active one";
    EXPECT_FALSE(edit->Showing());
    EXPECT_NONFATAL_FAILURE(UserType(*edit, "x"), "not showing");
    EXPECT_NONFATAL_FAILURE(UserSelectTab(*pages, 1), "shows no tab");
    pages->SetActivePageIndex(1);
    EXPECT_EQ(pages->ActivePageIndex(), 1);
    EXPECT_TRUE(edit->Showing());
    EXPECT_FALSE(first->Showing());
}

class CommandForm : public TestForm {
public:
    CommandForm() {
        Open = Make<ui::TAction>("OpenAction");
        Button = Make<ui::TButton>("Button");
        Menu = Make<ui::TPopupMenu>("Menu");
        Item = Make<ui::TMenuItem>("OpenItem");
        Separator = Make<ui::TMenuItem>("Separator");
        Tray = Make<ui::TTrayIcon>("Tray");
        Separator->SetCaption("-");
        Menu->Add(Item);
        Menu->Add(Separator);
        Tray->SetPopupMenu(Menu);
        Open->SetCaption("Open Server Manager");
        Open->OnExecute = [this](ui::TComponent*) { ++Executed; };
        Button->OnClick = [this](ui::TComponent*) { ++Clicked; };
        Menu->OnPopup = [this](ui::TComponent*) { ++Popups; };
    }
    ui::TAction* Open;
    ui::TButton* Button;
    ui::TPopupMenu* Menu;
    ui::TMenuItem* Item;
    ui::TMenuItem* Separator;
    ui::TTrayIcon* Tray;
    int Executed = 0, Clicked = 0, Popups = 0;
};

TEST_F(Controls, ButtonsAndMenuItemsTakeTheStateOfTheirCommandAndRunIt) {
    CommandForm form;
    form.Button->SetAction(form.Open);
    form.Item->SetAction(form.Open);
    form.Show();
    form.Tray->SetVisible(true);
    EXPECT_EQ(form.Button->Caption(), "Open Server Manager");
    EXPECT_EQ(form.Item->Caption(), "Open Server Manager");
    ASSERT_TRUE(UserClick(*form.Button));
    ASSERT_TRUE(UserRightClick(*form.Tray));
    EXPECT_EQ(form.Popups, 1);
    ASSERT_TRUE(UserChoose(*form.Menu, *form.Item));
    EXPECT_EQ(form.Executed, 2);
    EXPECT_EQ(form.Clicked, 0) << "the command runs instead of the button's own handler";
    EXPECT_FALSE(ui::headless::PopupOpen(*form.Menu)) << "choosing closes the menu";
    EXPECT_NONFATAL_FAILURE(UserChoose(*form.Menu, *form.Item), "is not open");

    form.Open->SetEnabled(false);
    form.Open->SetCaption("Open");
    EXPECT_FALSE(form.Button->Enabled());
    EXPECT_EQ(form.Button->Caption(), "Open");
    EXPECT_NONFATAL_FAILURE(UserClick(*form.Button), "is disabled");
    ASSERT_TRUE(UserRightClick(*form.Tray));
    EXPECT_NONFATAL_FAILURE(UserChoose(*form.Menu, *form.Item), "is disabled");
    EXPECT_NONFATAL_FAILURE(UserChoose(*form.Menu, *form.Separator), "is a separator");
    form.Open->SetEnabled(true);
    form.Open->SetVisible(false);
    EXPECT_FALSE(form.Button->Showing());
    EXPECT_NONFATAL_FAILURE(UserChoose(*form.Menu, *form.Item), "is hidden");
    EXPECT_EQ(form.Executed, 2);

    form.Button->SetAction(nullptr);
    form.Button->Show();
    ASSERT_TRUE(UserClick(*form.Button));
    EXPECT_EQ(form.Clicked, 1) << "without a command the button's own handler runs";
}

TEST_F(Controls, ACommandFreedBeforeItsControlsLeavesThemWithout) {
    TestForm form;
    auto* button = form.Make<ui::TButton>("Button");
    auto* item = form.Make<ui::TMenuItem>("Item");
    {
        ui::TAction action(nullptr, "Transient");
        button->SetAction(&action);
        item->SetAction(&action);
    }
    EXPECT_EQ(button->Action(), nullptr);
    EXPECT_EQ(item->Action(), nullptr);
    button->Click(); // must not reach the freed command
}

TEST_F(Controls, TabMovesTheFocusInCreationOrderOverControlsThatCanTakeIt) {
    TestForm form;
    auto* first = form.Make<ui::TEdit>("First");
    form.Make<ui::TLabel>("Label");
    auto* hidden = form.Make<ui::TCheckBox>("Hidden");
    auto* button = form.Make<ui::TButton>("Button");
    auto* disabled = form.Make<ui::TEdit>("Disabled");
    auto* combo = form.Make<ui::TComboBox>("Combo");
    hidden->Hide();
    disabled->SetEnabled(false);
    form.Show();
    std::vector<std::string> forward, backward;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(UserTab(form));
        forward.push_back(form.ActiveControl()->Name());
    }
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(UserTab(form, false));
        backward.push_back(form.ActiveControl()->Name());
    }
    EXPECT_EQ(forward, (std::vector<std::string>{"First", "Button", "Combo", "First"}));
    EXPECT_EQ(backward, (std::vector<std::string>{"Combo", "Button"}));
    EXPECT_TRUE(button->Focused());
    ASSERT_TRUE(UserType(*first, "abc"));
    EXPECT_TRUE(first->Focused()) << "typing into a field focuses it";
    EXPECT_FALSE(combo->Focused());
}

TEST_F(Controls, ProgramChangesAndUserChoicesRunTheirEventsAsTheNativeControlsDo) {
    TestForm form;
    auto* box = form.Make<ui::TCheckBox>("Box");
    auto* edit = form.Make<ui::TEdit>("Edit");
    auto* combo = form.Make<ui::TComboBox>("Combo");
    auto* list = form.Make<ui::TListBox>("List");
    auto* tree = form.Make<ui::TTreeView>("Tree");
    std::vector<std::string> events;
    auto record = [&](const char* what) {
        return [&events, what](ui::TComponent*) { events.push_back(what); };
    };
    box->OnClick = record("box");
    edit->OnChange = record("edit");
    combo->OnChange = record("combo");
    list->OnClick = record("list");
    tree->OnChange = [&](ui::TComponent*, int node) { events.push_back("tree " + std::to_string(node)); };
    combo->SetItems({"a", "b"});
    list->SetItems({"a", "b"});
    tree->AddNode("a");
    tree->AddNode("b");
    form.Show();

    box->SetChecked(true);
    box->SetChecked(true);
    edit->SetText("8080");
    edit->SetText("8080");
    combo->SetItemIndex(1);
    list->SetItemIndex(1);
    tree->Select(1);
    tree->Select(1);
    ASSERT_TRUE(UserSelect(*combo, 0));
    ASSERT_TRUE(UserSelect(*list, 0));
    ASSERT_TRUE(UserSelect(*tree, 0));
    ASSERT_TRUE(UserClick(*box));
    EXPECT_EQ(events, (std::vector<std::string>{"box", "edit", "tree 1", "combo", "list", "tree 0", "box"}));
    EXPECT_FALSE(box->Checked());
    EXPECT_NONFATAL_FAILURE(UserSelect(*list, 2), "has no item 2");
}

TEST_F(Controls, TypingObeysTheFieldsRules) {
    TestForm form;
    auto* port = form.Make<ui::TEdit>("Port");
    auto* host = form.Make<ui::TEdit>("Host");
    port->SetNumbersOnly(true);
    port->SetMaxLength(5);
    host->SetReadOnly(true);
    form.Show();
    ASSERT_TRUE(UserType(*port, "80a8-08x1"));
    EXPECT_EQ(port->Text(), "80808");
    EXPECT_NONFATAL_FAILURE(UserType(*host, "x"), "is read-only");
}

TEST_F(Controls, ItemsTextsAndSelectionSurviveWhatTranslationDoes) {
    ui::TComboBox combo(nullptr, "Combo");
    combo.SetItems({"English", "Deutsch", "Français"});
    combo.SetItemIndex(1);
    combo.SetItem(1, "German");
    combo.SetItems({"English", "German", "French"});
    EXPECT_EQ(combo.ItemIndex(), 1) << "a selection that is still an item stays";
    EXPECT_EQ(combo.Text(), "German");
    combo.SetItems({"English"});
    EXPECT_EQ(combo.ItemIndex(), -1);
    combo.SetItemIndex(5);
    EXPECT_EQ(combo.ItemIndex(), -1) << "no selection outside the items";
    EXPECT_THROW(combo.SetItem(3, "x"), ui::EListError);

    ui::TListBox list(nullptr, "List");
    list.SetItems({"Tallyfix Server", "PostgreSQL"});
    list.SetItemIndex(1);
    list.SetItems({"Tallyfix Server", "PostgreSQL Database"});
    EXPECT_EQ(list.ItemIndex(), 1);

    ui::TMemo memo(nullptr, "Memo");
    memo.SetLines({"10.0.0.1", "", "192.168.1.5"});
    EXPECT_EQ(memo.Text(), "10.0.0.1\r\n\r\n192.168.1.5");
    memo.SetText("a\nb\r\nc\r\n");
    EXPECT_EQ(memo.Lines(), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(Controls, TreeNodesAreNumberedInTreeOrderWhereverTheyAreAdded) {
    ui::TTreeView tree(nullptr, "TreeMenu");
    int web = tree.AddNode("Tallyfix");
    int database = tree.AddNode("PostgreSQL");
    tree.Select(database);
    int ports = tree.AddNode("Ports", web);
    int https = tree.AddNode("HTTPS", ports);
    int logs = tree.AddNode("Logs", web);
    EXPECT_EQ((std::vector<int>{web, ports, https, logs}), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(tree.NodeText(4), "PostgreSQL");
    EXPECT_EQ(tree.Selected(), 4) << "the selection follows its node";
    EXPECT_EQ(tree.NodeParent(2), 1);
    EXPECT_EQ(tree.NodeParent(3), 0);
    EXPECT_THROW(tree.Select(5), ui::EListError);
    EXPECT_THROW(tree.AddNode("x", 9), ui::EListError);
}

TEST_F(Controls, AnOwnerDrawnListHasEveryItemDrawnByTheFormWhenItRepaints) {
    TestForm form;
    auto* list = form.Make<ui::TListBox>("ListServices");
    list->SetStyle(ui::TListBoxStyle::lbOwnerDrawFixed);
    list->SetItemHeight(24);
    list->SetBounds(0, 0, 150, 48);
    list->SetItems({"Tallyfix Server", "PostgreSQL"});
    list->OnDrawItem = [](ui::TListBox* l, int i, const ui::TRect& r, ui::TOwnerDrawState s, ui::TCanvas& c) {
        c.FillRect(r);
        c.DrawText(l->Items()[static_cast<size_t>(i)] + (s.Selected ? " *" : ""), r, ui::DT_SINGLELINE_);
    };
    EXPECT_EQ(ui::headless::LastDrawing(*list), nullptr);
    form.Show();
    ASSERT_TRUE(UserSelect(*list, 1));
    list->Invalidate();
    EXPECT_EQ(ui::headless::RepaintCount(*list), 1);
    auto drawing = ui::headless::LastDrawing(*list);
    ASSERT_NE(drawing, nullptr);
    ASSERT_EQ(drawing->Ops.size(), 4u);
    EXPECT_EQ(drawing->Ops[1].Text, "Tallyfix Server");
    EXPECT_EQ(drawing->Ops[3].Text, "PostgreSQL *");
    EXPECT_EQ(drawing->Ops[2].Rect, (ui::TRect{0, 24, 150, 48}));
    EXPECT_EQ(drawing->Ops[2].Brush, ui::clHighlight) << "the selected item on the selection colour";
}

TEST_F(Controls, APictureButtonShowsTheSecondHalfOfItsStripWhenDisabled) {
    ui::TPicture strip;
    strip.Width = 4;
    strip.Height = 1;
    strip.Pixels = {1, 2, 3, 4};
    ui::TBitBtn button(nullptr, "StartButton");
    button.SetGlyph(strip);
    EXPECT_EQ(button.CurrentGlyph().Pixels, (std::vector<uint32_t>{1, 2, 3, 4}));
    button.SetNumGlyphs(2);
    EXPECT_EQ(button.CurrentGlyph().Pixels, (std::vector<uint32_t>{1, 2}));
    button.SetEnabled(false);
    EXPECT_EQ(button.CurrentGlyph().Pixels, (std::vector<uint32_t>{3, 4}));
}

TEST_F(Controls, AComponentWithoutARenderingFailsWhenItsFormIsShown) {
    class TGauge : public ui::TControl {
    public:
        using ui::TControl::TControl;
    };
    TestForm form;
    form.Make<TGauge>("Gauge");
    EXPECT_THROW(form.Show(), ui::EPeerError);
}

} // namespace
