#include "ui/Forms.h"

#include "ui/ActnList.h"
#include "ui/Threads.h"

#include <algorithm>
#include <atomic>
#include <exception>

namespace ui {

// ---------------------------------------------------------------- TComponent

TComponent::TComponent(TComponent* AOwner, std::string AName) : FOwner(AOwner), FName(std::move(AName)) {}

TComponent::~TComponent() {
    // Later components may refer to earlier ones (a label to its form's font), so free in reverse; the
    // list shrinks with them, so nobody walking it meanwhile meets a freed component.
    while (!FOwned.empty()) {
        FOwned.pop_back();
        FComponentList.pop_back();
    }
    FPeer.reset();
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
    for (TComponent* component : FComponentList) {
        if (component->Name() == AName) {
            return component;
        }
    }
    return nullptr;
}

void TComponent::Adopt(std::unique_ptr<TComponent> AComponent) {
    FComponentList.push_back(AComponent.get());
    FOwned.push_back(std::move(AComponent));
}

plat::Handle TComponent::WindowHandle() const {
    return FPeer ? FPeer->WindowHandle() : 0;
}

void TComponent::HandleNeeded() {
    if (!FPeer) {
        FPeer = Backend().CreatePeer(*this);
    }
}

void TComponent::DestroyHandle() {
    DestroyChildHandles();
    FPeer.reset();
}

void TComponent::Changed() {
    if (FPeer) {
        FPeer->Changed();
    }
}

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* AOwner, std::string AName) : TComponent(AOwner, std::move(AName)) {}

TControl::~TControl() {
    if (FAction != nullptr) {
        FAction->RemoveClient(this);
    }
    DestroyHandle();
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    Changed();
}

TControl* TControl::Parent() const {
    if (FParent != nullptr || dynamic_cast<const TForm*>(this) != nullptr) {
        return FParent;
    }
    return dynamic_cast<TControl*>(Owner());
}

void TControl::SetParent(TControl* AParent) {
    if (AParent == FParent) {
        return;
    }
    bool hadWindow = HandleAllocated();
    DestroyHandle();
    FParent = AParent;
    if (hadWindow) {
        // The window moves to its new parent: made again there, with the children it carries.
        if (TForm* form = ParentForm(); form != nullptr && form->HandleAllocated()) {
            form->HandleNeeded();
        }
    }
}

namespace {

// Every control in the tree of components under ARoot, forms excepted (a form owned by another one is
// a window of its own), in creation order.
void CollectControls(const TComponent& ARoot, std::vector<TControl*>& AControls) {
    for (TComponent* component : ARoot.Components()) {
        if (dynamic_cast<TForm*>(component) != nullptr) {
            continue;
        }
        if (auto* control = dynamic_cast<TControl*>(component)) {
            AControls.push_back(control);
        }
        CollectControls(*component, AControls);
    }
}

} // namespace

std::vector<TControl*> TControl::Children() const {
    const TComponent* root = ParentForm();
    if (root == nullptr) {
        root = this;
        while (root->Owner() != nullptr) {
            root = root->Owner();
        }
    }
    std::vector<TControl*> all;
    CollectControls(*root, all);
    std::vector<TControl*> children;
    for (TControl* control : all) {
        if (control != this && control->Parent() == this) {
            children.push_back(control);
        }
    }
    return children;
}

void TControl::SetVisible(bool AValue) {
    if (auto* form = dynamic_cast<TForm*>(this)) {
        if (AValue != FVisible) {
            AValue ? form->Show() : form->Hide();
        }
        return;
    }
    FVisible = AValue;
    Changed();
}

bool TControl::Showing() const {
    TControl* parent = Parent();
    return FVisible && parent != nullptr && parent->Showing();
}

void TControl::SetEnabled(bool AValue) {
    FEnabled = AValue;
    Changed();
}

bool TControl::EffectivelyEnabled() const {
    TControl* parent = Parent();
    return FEnabled && (parent == nullptr || parent->EffectivelyEnabled());
}

void TControl::SetCaption(const std::string& AValue) {
    FCaption = AValue;
    Changed();
}

void TControl::SetHint(const std::string& AValue) {
    FHint = AValue;
    Changed();
}

void TControl::SetShowHint(bool AValue) {
    FShowHint = AValue;
    Changed();
}

void TControl::SetFont(const TFont& AValue) {
    FFont = AValue;
    Changed();
}

void TControl::SetFontStyle(const TFontStyles& AValue) {
    FFont.Style = AValue;
    Changed();
}

void TControl::SetColor(TColor AValue) {
    FColor = AValue;
    Changed();
}

void TControl::SetTabStop(bool AValue) {
    FTabStop = AValue;
    Changed();
}

void TControl::SetFocus() {
    if (TForm* form = ParentForm(); form != nullptr && form != this) {
        form->SetActiveControl(this);
    } else if (Peer() != nullptr) {
        Peer()->SetFocus();
    }
}

bool TControl::Focused() const {
    TForm* form = ParentForm();
    return form != nullptr && form != this && form->ActiveControl() == this;
}

void TControl::SetAction(TAction* AAction) {
    LinkAction(FAction, AAction, this);
}

void TControl::ActionChanged() {
    if (FAction == nullptr) {
        return;
    }
    FCaption = FAction->Caption();
    FHint = FAction->Hint();
    FEnabled = FAction->Enabled();
    FVisible = FAction->Visible();
    Changed();
}

void TControl::Click() {
    if (FAction != nullptr) {
        FAction->Execute();
    } else if (OnClick) {
        OnClick(this);
    }
}

void TControl::DblClick() {
    if (OnDblClick) {
        OnDblClick(this);
    }
}

void TControl::Invalidate() {
    if (Peer() != nullptr) {
        Peer()->Invalidate();
    }
}

TForm* TControl::ParentForm() const {
    for (const TComponent* c = this; c != nullptr; c = c->Owner()) {
        if (auto* form = dynamic_cast<const TForm*>(c)) {
            return const_cast<TForm*>(form);
        }
    }
    return nullptr;
}

void TControl::HandleNeeded() {
    if (HandleAllocated()) {
        return;
    }
    // A control's window is a child of its parent's: made with it (and the form's), never before it.
    if (TControl* parent = Parent(); parent != nullptr && !parent->HandleAllocated()) {
        if (dynamic_cast<TForm*>(parent) != nullptr) {
            return;
        }
        parent->HandleNeeded();
        if (!parent->HandleAllocated()) {
            return;
        }
    }
    TComponent::HandleNeeded();
}

void TControl::DestroyChildHandles() {
    for (TControl* child : Children()) {
        child->DestroyHandle();
    }
}

// ---------------------------------------------------------------- TScreen

namespace {
TForm* gActiveForm = nullptr;
}

TForm* TScreen::ActiveForm() const {
    return gActiveForm;
}

void TScreen::Added(TForm* AForm) {
    FForms.push_back(AForm);
}

void TScreen::Removed(TForm* AForm) {
    FForms.erase(std::remove(FForms.begin(), FForms.end(), AForm), FForms.end());
    if (gActiveForm == AForm) {
        gActiveForm = nullptr;
    }
}

TScreen& Screen() {
    static TScreen screen;
    return screen;
}

// ---------------------------------------------------------------- TForm

TForm::TForm(TComponent* AOwner, std::string AName) : TControl(AOwner, std::move(AName)) {
    FVisible = false;
    Screen().Added(this);
}

TForm::~TForm() {
    Screen().Removed(this);
    for (TForm* form : Screen().Forms()) {
        if (form->FPopupParent == this) {
            form->FPopupParent = nullptr;
        }
    }
    // The controls' windows go before the form's own, while the form is still whole.
    DestroyHandle();
}

void TForm::SetBorderStyle(TFormBorderStyle AValue) {
    FBorderStyle = AValue;
    Changed();
}

void TForm::SetSystemMenu(bool AValue) {
    FSystemMenu = AValue;
    Changed();
}

void TForm::SetMinimizeBox(bool AValue) {
    FMinimizeBox = AValue;
    Changed();
}

void TForm::SetMaximizeBox(bool AValue) {
    FMaximizeBox = AValue;
    Changed();
}

void TForm::SetPosition(TPosition AValue) {
    FPosition = AValue;
    Changed();
}

void TForm::SetPopupParent(TForm* AValue) {
    FPopupParent = AValue;
    Changed();
}

void TForm::DoCreate() {
    if (OnCreate) {
        OnCreate(this);
    }
}

std::vector<TControl*> TForm::Controls() const {
    std::vector<TControl*> controls;
    CollectControls(*this, controls);
    return controls;
}

void TForm::HandleNeeded() {
    TControl::HandleNeeded();
    for (TControl* control : Controls()) {
        control->HandleNeeded();
    }
}

void TForm::Show() {
    if (Showing()) {
        BringToFront();
        return;
    }
    HandleNeeded();
    FShowing = true;
    FVisible = true;
    Changed();
    if (OnShow) {
        OnShow(this);
    }
    BringToFront();
}

void TForm::Hide() {
    if (!FVisible) {
        return;
    }
    FShowing = false;
    FVisible = false;
    Changed();
    if (gActiveForm == this) {
        gActiveForm = nullptr;
    }
    if (OnHide) {
        OnHide(this);
    }
}

namespace {

// The form still exists (a handler may free one while a modal loop runs).
bool Exists(const TForm* AForm) {
    const std::vector<TForm*>& forms = Screen().Forms();
    return std::find(forms.begin(), forms.end(), AForm) != forms.end();
}

// Disables every other form while a modal one runs and gives each its own state back afterwards.
class DisabledForms {
public:
    explicit DisabledForms(const TForm* AModal) {
        for (TForm* form : Screen().Forms()) {
            if (form != AModal) {
                FSaved.emplace_back(form, form->Enabled());
                form->SetEnabled(false);
            }
        }
    }
    ~DisabledForms() {
        for (auto& [form, enabled] : FSaved) {
            if (Exists(form)) {
                form->SetEnabled(enabled);
            }
        }
    }
    DisabledForms(const DisabledForms&) = delete;
    DisabledForms& operator=(const DisabledForms&) = delete;

private:
    std::vector<std::pair<TForm*, bool>> FSaved;
};

} // namespace

int TForm::ShowModal() {
    if (FModal || Showing()) {
        throw EInvalidOperation("Cannot make a visible window modal");
    }
    FModalResult = mrNone;
    TForm* previous = Screen().ActiveForm();
    {
        DisabledForms others(this);
        FModal = true;
        try {
            Show();
            for (;;) {
                while (FModalResult == mrNone && !Application().Terminated()) {
                    Backend().HandleMessage();
                }
                if (Application().Terminated()) {
                    FModalResult = mrCancel;
                    break;
                }
                TCloseAction action = TCloseAction::caHide;
                if (OnClose) {
                    OnClose(this, action);
                }
                if (action != TCloseAction::caNone) {
                    break;
                }
                FModalResult = mrNone;
            }
        } catch (...) {
            FModal = false;
            Hide();
            throw;
        }
        FModal = false;
    }
    // The owners are enabled again before this window goes, so the activation returns to them.
    Hide();
    if (previous != nullptr && previous != this && Exists(previous) && previous->Showing()) {
        previous->BringToFront();
    }
    return FModalResult;
}

void TForm::SetModalResult(int AValue) {
    FModalResult = AValue;
}

void TForm::Close() {
    if (FModal) {
        SetModalResult(mrCancel);
        return;
    }
    TCloseAction action = TCloseAction::caHide;
    if (OnClose) {
        OnClose(this, action);
    }
    if (action == TCloseAction::caNone) {
        return;
    }
    Hide();
    if (Application().MainForm() == this) {
        DestroyHandle();
        Application().Terminate();
    } else if (action == TCloseAction::caFree) {
        DestroyHandle();
    }
}

void TForm::CloseRequested() {
    if (!OnCloseQuery || OnCloseQuery(this)) {
        Close();
    }
}

void TForm::Activate() {
    gActiveForm = this;
    if (FActiveControl != nullptr && FActiveControl->Peer() != nullptr) {
        FActiveControl->Peer()->SetFocus();
    }
    if (OnActivate) {
        OnActivate(this);
    }
}

void TForm::SysCommand(uint32_t ACommand) {
    if (OnSysCommand) {
        OnSysCommand(this, ACommand);
    }
}

void TForm::BringToFront() {
    if (Peer() != nullptr) {
        Peer()->BringToFront();
    }
}

void TForm::SetActiveControl(TControl* AControl) {
    FActiveControl = AControl;
    if (AControl != nullptr && AControl->Peer() != nullptr && Showing()) {
        AControl->Peer()->SetFocus();
    }
}

void TForm::SelectNext(bool AForward) {
    std::vector<TControl*> order;
    for (TControl* control : Controls()) {
        if (control->TabStop() && control->CanFocus()) {
            order.push_back(control);
        }
    }
    if (order.empty()) {
        return;
    }
    auto at = std::find(order.begin(), order.end(), FActiveControl);
    size_t next;
    if (at == order.end()) {
        next = AForward ? 0 : order.size() - 1;
    } else {
        auto index = static_cast<size_t>(at - order.begin());
        next = AForward ? (index + 1) % order.size() : (index + order.size() - 1) % order.size();
    }
    order[next]->SetFocus();
}

// ---------------------------------------------------------------- TApplication

namespace {
std::atomic<bool> gTerminated{false};
}

TApplication::TApplication() = default;
TApplication::~TApplication() = default;

void TApplication::Initialize() {
    SetMainThread();
    // The backend's window-thread resources are made here, on the window thread.
    Backend().ProcessMessages();
}

void TApplication::SetTaskbarButtonVisible(bool AValue) {
    FTaskbarButtonVisible = AValue;
    Backend().SetTaskbarButtonVisible(AValue);
}

void TApplication::BringToFront() {
    TForm* form = Screen().ActiveForm();
    if (form == nullptr || !form->Showing()) {
        form = FMainForm;
    }
    if (form != nullptr && form->Showing()) {
        form->BringToFront();
    }
}

void TApplication::Run() {
    std::exception_ptr failure;
    try {
        if (FMainForm != nullptr && FShowMainForm && !FMainForm->Showing()) {
            FMainForm->Show();
        }
        while (!gTerminated) {
            Backend().HandleMessage();
        }
    } catch (...) {
        failure = std::current_exception();
        gTerminated = true;
    }
    // Self-freeing workers may still wait on a hand-off, and each must be joined before the program goes
    // on to its end: serve them through the message loop while it works, through the hand-off queue
    // alone once it has failed.
    while (RunningSelfFreeingThreads() > 0) {
        if (failure) {
            // Joining the last worker is no hand-off, so CheckSynchronize says false: wait only while
            // one is left to end, or the wait would never return.
            if (!CheckSynchronize() && RunningSelfFreeingThreads() > 0) {
                WaitForSynchronize();
            }
            continue;
        }
        try {
            Backend().HandleMessage();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    CheckSynchronize();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void TApplication::Terminate() {
    gTerminated = true;
    try {
        Backend().WakeMainThread();
    } catch (const std::exception&) {
        // The flag is set; the window thread sees it when the message it handles now is done.
    }
}

bool TApplication::Terminated() const {
    return gTerminated;
}

void TApplication::ProcessMessages() {
    Backend().ProcessMessages();
}

void TApplication::Announce(const std::string& AText) {
    Backend().Announce(AText);
}

void TApplication::Reset() {
    gTerminated = false;
    FMainForm = nullptr;
    FShowMainForm = true;
    FTaskbarButtonVisible = true;
}

TApplication& Application() {
    static TApplication application;
    return application;
}

} // namespace ui
