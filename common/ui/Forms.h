#pragma once
// Components, controls, forms and the application object. Components hold state only; a form
// subclass holds the behaviour in its handlers. Rendering is left to the peers of the build's backend.
#include "ui/Backend.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {

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

private:
    void Adopt(std::unique_ptr<TComponent> AComponent);

    TComponent* FOwner;
    std::string FName;
    std::vector<std::unique_ptr<TComponent>> FOwned;
    std::vector<TComponent*> FComponentList;
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
    bool operator==(const TFont&) const = default;
};

class TForm;

// A visible element of a form. Positions are in pixels at 96 dpi, relative to the form's client area.
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

    bool Visible() const { return FVisible; }
    void SetVisible(bool AValue);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool AValue);
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& AValue);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& AValue);
    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& AValue);
    void SetFontStyle(const TFontStyles& AValue);

    // The form this control sits on (the control itself for a form).
    TForm* ParentForm() const;
    IControlPeer* Peer() const { return FPeer.get(); }
    // Creates the peer (a window, for the native backend) when it does not exist yet.
    virtual void HandleNeeded();
    bool HandleAllocated() const { return FPeer != nullptr; }
    void DestroyHandle();

protected:
    // Tells the peer that the state changed.
    void Changed();

private:
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    bool FVisible = true;
    bool FEnabled = true;
    std::string FCaption;
    std::string FHint;
    TFont FFont;
    std::unique_ptr<IControlPeer> FPeer;
};

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TPosition { poDesigned, poScreenCenter };

class TForm : public TControl {
public:
    TForm(TComponent* AOwner, std::string AName);
    ~TForm() override;

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle AValue);
    bool SystemMenu() const { return FSystemMenu; }
    void SetSystemMenu(bool AValue);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition AValue);
    int ClientWidth() const { return Width(); }
    int ClientHeight() const { return Height(); }
    void SetClientSize(int AWidth, int AHeight) { SetBounds(Left(), Top(), AWidth, AHeight); }
    // The class name used for translation keys ("TMainForm").
    virtual std::string ClassName() const = 0;

    std::function<void(TComponent*)> OnCreate;
    std::function<void(TComponent*)> OnShow;
    std::function<void(TComponent*)> OnClose;
    // Asked when the user closes the window; false keeps it open.
    std::function<bool(TComponent*)> OnCloseQuery;

    // Runs OnCreate; errors go to the caller, which decides whether the run can go on.
    void DoCreate();
    // Creates the window and its controls, makes it visible and runs OnShow.
    void Show();
    // Hides and destroys the window; closing the main form ends the application.
    void Close();
    // The user asked to close the window (Alt+F4, the title-bar button).
    void CloseRequested();
    bool Showing() const { return FShowing; }

    void HandleNeeded() override;
    // The controls of this form (owned components that are controls), in creation order.
    std::vector<TControl*> Controls() const;

private:
    TFormBorderStyle FBorderStyle = TFormBorderStyle::bsSizeable;
    bool FSystemMenu = true;
    TPosition FPosition = TPosition::poDesigned;
    bool FShowing = false;
};

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

    // Shows the main form and serves the message loop until Terminate; then serves the worker threads
    // that free themselves until each has ended and been joined, so nothing of them outlives the run.
    // An error of the loop is raised once they have.
    void Run();
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
    TForm* FMainForm = nullptr;
};

// The process-wide application object.
TApplication& Application();

} // namespace ui
