#pragma once
// Components, controls, forms and the application object. Components hold state only; a form
// subclass holds the behaviour in its handlers. Rendering is left to the peers of the build's backend.
#include "ui/Backend.h"
#include "ui/Graphics.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {

// A request the component's state does not allow (showing a visible window modally).
class EInvalidOperation : public EBaseError {
public:
    using EBaseError::EBaseError;
    const char* ClassName() const noexcept override { return "EInvalidOperation"; }
};

// An item, node or page index outside the list.
class EListError : public EBaseError {
public:
    using EBaseError::EBaseError;
    const char* ClassName() const noexcept override { return "EListError"; }
};

class TComponent {
public:
    TComponent(TComponent* AOwner, std::string AName);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return FName; }
    TComponent* Owner() const { return FOwner; }
    // Owned components in creation order (translation and template export walk them this way).
    const std::vector<TComponent*>& Components() const { return FComponentList; }
    TComponent* FindComponent(const std::string& AName) const;

    // Creates a component owned by this one.
    template <class T, class... Args> T* Make(const std::string& AName, Args&&... args) {
        auto component = std::make_unique<T>(this, AName, std::forward<Args>(args)...);
        T* raw = component.get();
        Adopt(std::move(component));
        return raw;
    }

    // The rendering of the component, made by the build's backend. Controls get theirs with their
    // form's window; non-visual components that show something of their own (a timer that runs, a tray
    // icon, a menu that pops up) make theirs when they become active.
    IControlPeer* Peer() const { return FPeer.get(); }
    bool HandleAllocated() const { return FPeer != nullptr; }
    // The peer's native window (0 without one): the owner of a system dialog the component opens.
    plat::Handle WindowHandle() const;
    virtual void HandleNeeded();
    void DestroyHandle();

protected:
    // Tells the peer that the state changed.
    void Changed();
    // Destroys the peers that live inside this one's (a control's children) before this one's goes.
    virtual void DestroyChildHandles() {}

private:
    void Adopt(std::unique_ptr<TComponent> AComponent);

    TComponent* FOwner;
    std::string FName;
    std::vector<std::unique_ptr<TComponent>> FOwned;
    std::vector<TComponent*> FComponentList;
    std::unique_ptr<IControlPeer> FPeer;
};

// A container of non-visual components (image lists, actions) shared by the forms.
class TDataModule : public TComponent {
public:
    using TComponent::TComponent;
};

enum class TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

class TFontStyles {
public:
    bool Contains(TFontStyle s) const { return (FBits & static_cast<uint8_t>(s)) != 0; }
    void Include(TFontStyle s) { FBits |= static_cast<uint8_t>(s); }
    void Exclude(TFontStyle s) { FBits &= static_cast<uint8_t>(~static_cast<uint8_t>(s)); }
    bool operator==(const TFontStyles&) const = default;

private:
    uint8_t FBits = 0;
};

struct TFont {
    std::string Name = "Tahoma";
    int Size = 8; // points
    TFontStyles Style;
    TColor Color = clDefault;
    bool operator==(const TFont&) const = default;
};

class TForm;
class TAction;

// A visible element of a form. Positions are in pixels at 96 dpi, relative to the client area of the
// control's parent (the form unless it sits on a panel, a group box or a page); the native peers scale
// them to the screen's resolution.
//
// Input: a peer that sees the user act (WM_COMMAND, WM_NOTIFY) calls the same methods a headless test
// calls (Click, Toggle, Select, SetText), so both builds run the same handlers.
class TControl : public TComponent {
public:
    TControl(TComponent* AOwner, std::string AName);
    ~TControl() override;

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    TRect BoundsRect() const { return {FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }

    // The control this one sits in; the owning form when none was set.
    TControl* Parent() const;
    void SetParent(TControl* AParent);
    // Controls whose parent is this one, in creation order.
    std::vector<TControl*> Children() const;

    bool Visible() const { return FVisible; }
    void SetVisible(bool AValue);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and so is every parent up to a form that is shown: what a user can see.
    virtual bool Showing() const;
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool AValue);
    // Enabled, and so is every parent: what a user can use.
    bool EffectivelyEnabled() const;
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& AValue);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& AValue);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool AValue);
    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& AValue);
    void SetFontStyle(const TFontStyles& AValue);
    TColor Color() const { return FColor; }
    void SetColor(TColor AValue);

    // Keyboard focus and Tab order (creation order among the controls that take the focus).
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool AValue);
    bool CanFocus() const { return Showing() && EffectivelyEnabled(); }
    // Gives the control the focus (and makes it its form's ActiveControl).
    void SetFocus();
    bool Focused() const;

    // The command this control carries: its caption, enabled and visible state follow the action, and
    // a click executes it instead of OnClick.
    TAction* Action() const { return FAction; }
    void SetAction(TAction* AAction);
    // The action's state changed.
    virtual void ActionChanged();

    std::function<void(TComponent*)> OnClick;
    std::function<void(TComponent*)> OnDblClick;
    // The user clicked the control (or a test did): the action, or else OnClick.
    virtual void Click();
    virtual void DblClick();
    // Asks the peer to draw the control again (owner-drawn controls).
    void Invalidate();

    // The form this control sits on (the control itself for a form).
    TForm* ParentForm() const;
    // Creates the peer (a window, for the native backend) when it does not exist yet; a control's
    // window is made only once its parent's is there.
    void HandleNeeded() override;

protected:
    void DestroyChildHandles() override;

private:
    friend class TForm; // a form's visibility is its window's, set by Show and Hide

    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TControl* FParent = nullptr;
    bool FVisible = true;
    bool FEnabled = true;
    bool FTabStop = false;
    bool FShowHint = false;
    std::string FCaption;
    std::string FHint;
    TFont FFont;
    TColor FColor = clDefault;
    TAction* FAction = nullptr;
};

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TPosition { poDesigned, poScreenCenter, poOwnerFormCenter };
// What closing does to a form: hide it, nothing, or (the main form) end the application.
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

// Modal results with the values of the dialog box answers.
constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;

// Window messages of WM_SYSCOMMAND a form's hook may see.
constexpr uint32_t SC_MINIMIZE_ = 0xF020;
constexpr uint32_t SC_MAXIMIZE_ = 0xF030;
constexpr uint32_t SC_CLOSE_ = 0xF060;
constexpr uint32_t SC_RESTORE_ = 0xF120;

class TForm : public TControl {
public:
    TForm(TComponent* AOwner, std::string AName);
    ~TForm() override;

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle AValue);
    bool SystemMenu() const { return FSystemMenu; }
    void SetSystemMenu(bool AValue);
    // The title bar's minimise and maximise boxes (bsSingle and bsSizeable forms).
    bool MinimizeBox() const { return FMinimizeBox; }
    void SetMinimizeBox(bool AValue);
    bool MaximizeBox() const { return FMaximizeBox; }
    void SetMaximizeBox(bool AValue);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition AValue);
    int ClientWidth() const { return Width(); }
    int ClientHeight() const { return Height(); }
    void SetClientSize(int AWidth, int AHeight) { SetBounds(Left(), Top(), AWidth, AHeight); }
    // The form this one stays in front of and is centred on (an owned window: no taskbar button of its
    // own, minimised and restored with its owner). None: owned by the application's window.
    TForm* PopupParent() const { return FPopupParent; }
    void SetPopupParent(TForm* AValue);
    // The class name used for translation keys ("TMainForm").
    virtual std::string ClassName() const = 0;

    std::function<void(TComponent*)> OnCreate;
    std::function<void(TComponent*)> OnShow;
    std::function<void(TComponent*)> OnHide;
    std::function<void(TComponent*)> OnActivate;
    // Runs when the form closes; the handler may change what closing does (caHide by default, the
    // main form ends the application).
    std::function<void(TComponent*, TCloseAction&)> OnClose;
    // Asked when the user closes the window; false keeps it open.
    std::function<bool(TComponent*)> OnCloseQuery;
    // Sees every WM_SYSCOMMAND (minimise, restore, close ...) before the default handling, which
    // always follows.
    std::function<void(TComponent*, uint32_t ACommand)> OnSysCommand;

    // Runs OnCreate; errors go to the caller, which decides whether the run can go on.
    void DoCreate();
    // Creates the window and its controls if needed, makes it visible and runs OnShow.
    void Show();
    // Makes the form invisible; its window and state stay.
    void Hide();
    // Shows the form and serves the message loop until ModalResult is set or the application ends;
    // every other form is disabled meanwhile. Returns the result and hides the form.
    int ShowModal();
    bool Modal() const { return FModal; }
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int AValue);
    // Runs OnClose and does what the close action says; the main form's close ends the application; a
    // modal form's sets ModalResult to mrCancel, and its modal loop then runs OnClose. The program's own
    // close is not asked through OnCloseQuery (a window the user may not close still closes itself).
    void Close();
    // The user asked to close the window (Alt+F4, the title-bar button): OnCloseQuery, then Close.
    void CloseRequested();
    // The form became the active window (the peer calls it; tests may too).
    void Activate();
    // A WM_SYSCOMMAND reached the form: runs the hook. The default handling that follows is the
    // window's own (the native peer's; SC_CLOSE there ends in CloseRequested); a headless window has
    // no minimised state.
    void SysCommand(uint32_t ACommand);
    // Puts the form in front of the others and activates it.
    void BringToFront();
    bool Showing() const override { return FShowing && Visible(); }

    // The control that has (or gets, when the form is activated) the keyboard focus.
    TControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TControl* AControl);
    // Moves the focus to the next (or previous) control that can take it, as Tab and Shift+Tab do.
    void SelectNext(bool AForward = true);

    void HandleNeeded() override;
    // The controls of this form (owned components that are controls), in creation order.
    std::vector<TControl*> Controls() const;

private:
    TFormBorderStyle FBorderStyle = TFormBorderStyle::bsSizeable;
    bool FSystemMenu = true;
    bool FMinimizeBox = true;
    bool FMaximizeBox = true;
    TPosition FPosition = TPosition::poDesigned;
    TForm* FPopupParent = nullptr;
    TControl* FActiveControl = nullptr;
    bool FShowing = false;
    bool FModal = false;
    int FModalResult = mrNone;
};

// The forms that exist, in creation order.
class TScreen {
public:
    const std::vector<TForm*>& Forms() const { return FForms; }
    TForm* ActiveForm() const;
    void Added(TForm* AForm);
    void Removed(TForm* AForm);

private:
    std::vector<TForm*> FForms;
};
TScreen& Screen();

class TApplication {
public:
    TApplication();
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // Marks the calling thread as the window thread.
    void Initialize();
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& AValue) { FTitle = AValue; }
    bool MainFormOnTaskBar() const { return FMainFormOnTaskBar; }
    void SetMainFormOnTaskBar(bool AValue) { FMainFormOnTaskBar = AValue; }
    TForm* MainForm() const { return FMainForm; }
    void SetMainForm(TForm* AForm) { FMainForm = AForm; }
    // Whether Run shows the main form (a program that starts in the tray clears it).
    bool ShowMainForm() const { return FShowMainForm; }
    void SetShowMainForm(bool AValue) { FShowMainForm = AValue; }
    // The application's own window carries the taskbar button (unless MainFormOnTaskBar); hiding it
    // leaves the program without a taskbar button.
    bool TaskbarButtonVisible() const { return FTaskbarButtonVisible; }
    void SetTaskbarButtonVisible(bool AValue);
    // Brings the program's active (or main) form to the front.
    void BringToFront();

    // Shows the main form (unless ShowMainForm is cleared) and serves the message loop until Terminate;
    // then serves the worker threads that free themselves until each has ended and been joined, so
    // nothing of them outlives the run; threads that live until the process ends are not waited for.
    // An error of the loop is raised once they have.
    void Run();
    // Ends the message loop (the current modal loops too). Safe from any thread.
    void Terminate();
    bool Terminated() const;
    void ProcessMessages();
    // Progress worth telling a user who sees no window (the headless build prints it).
    void Announce(const std::string& AText);
    // Lets the next Run start afresh (tests run several programs in one process).
    void Reset();

private:
    std::string FTitle;
    bool FMainFormOnTaskBar = false;
    bool FShowMainForm = true;
    bool FTaskbarButtonVisible = true;
    TForm* FMainForm = nullptr;
};

// The process-wide application object.
TApplication& Application();

} // namespace ui
