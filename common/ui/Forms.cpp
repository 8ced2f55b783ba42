#include "ui/Forms.h"

#include "ui/Threads.h"

#include <atomic>
#include <exception>

namespace ui {

// ---------------------------------------------------------------- TComponent

TComponent::TComponent(TComponent* AOwner, std::string AName) : FOwner(AOwner), FName(std::move(AName)) {}

TComponent::~TComponent() {
    // Later components may refer to earlier ones (a label to its form's font), so free in reverse.
    while (!FOwned.empty()) {
        FOwned.pop_back();
    }
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

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* AOwner, std::string AName) : TComponent(AOwner, std::move(AName)) {}

TControl::~TControl() = default;

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    Changed();
}

void TControl::SetVisible(bool AValue) {
    FVisible = AValue;
    Changed();
}

void TControl::SetEnabled(bool AValue) {
    FEnabled = AValue;
    Changed();
}

void TControl::SetCaption(const std::string& AValue) {
    FCaption = AValue;
    Changed();
}

void TControl::SetHint(const std::string& AValue) {
    FHint = AValue;
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

TForm* TControl::ParentForm() const {
    for (const TComponent* c = this; c != nullptr; c = c->Owner()) {
        if (auto* form = dynamic_cast<const TForm*>(c)) {
            return const_cast<TForm*>(form);
        }
    }
    return nullptr;
}

void TControl::HandleNeeded() {
    // A control's window is a child of its form's: it is made with the form's, never before it.
    TForm* form = ParentForm();
    if (form != nullptr && form != this && !form->HandleAllocated()) {
        return;
    }
    if (!FPeer) {
        FPeer = Backend().CreatePeer(*this);
    }
}

void TControl::Changed() {
    if (FPeer) {
        FPeer->Changed();
    }
}

void TControl::DestroyHandle() {
    FPeer.reset();
}

// ---------------------------------------------------------------- TForm

TForm::TForm(TComponent* AOwner, std::string AName) : TControl(AOwner, std::move(AName)) {
    SetVisible(false);
}

TForm::~TForm() {
    // The controls' windows go before the form's own, while the form is still whole.
    for (TControl* control : Controls()) {
        control->DestroyHandle();
    }
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

void TForm::SetPosition(TPosition AValue) {
    FPosition = AValue;
    Changed();
}

void TForm::DoCreate() {
    if (OnCreate) {
        OnCreate(this);
    }
}

std::vector<TControl*> TForm::Controls() const {
    std::vector<TControl*> controls;
    for (TComponent* component : Components()) {
        if (auto* control = dynamic_cast<TControl*>(component)) {
            controls.push_back(control);
        }
    }
    return controls;
}

void TForm::HandleNeeded() {
    TControl::HandleNeeded();
    for (TControl* control : Controls()) {
        control->HandleNeeded();
    }
}

void TForm::Show() {
    HandleNeeded();
    FShowing = true;
    SetVisible(true);
    if (OnShow) {
        OnShow(this);
    }
}

void TForm::Close() {
    if (OnClose) {
        OnClose(this);
    }
    FShowing = false;
    SetVisible(false);
    for (TControl* control : Controls()) {
        control->DestroyHandle();
    }
    DestroyHandle();
    if (Application().MainForm() == this) {
        Application().Terminate();
    }
}

void TForm::CloseRequested() {
    if (!OnCloseQuery || OnCloseQuery(this)) {
        Close();
    }
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

void TApplication::Run() {
    std::exception_ptr failure;
    try {
        if (FMainForm != nullptr && !FMainForm->Showing()) {
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
}

TApplication& Application() {
    static TApplication application;
    return application;
}

} // namespace ui
