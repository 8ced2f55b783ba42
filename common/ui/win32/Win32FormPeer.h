#pragma once
// A form as a top-level window: its frame, owner, place, activation, focus and the messages its
// controls send up.
#include "ui/win32/Win32Hints.h"
#include "ui/win32/Win32WindowPeer.h"

#include <memory>

namespace ui::win32 {

class FormPeer : public WindowPeer {
public:
    explicit FormPeer(TForm& AForm);
    ~FormPeer() override;

    void Changed() override;
    void SetFocus() override;
    void BringToFront() override;

    TForm& Form() const { return FForm; }
    FormHints& Hints() { return *FHints; }
    // The control window that gets the focus when the form is next activated.
    void RememberFocus(HWND AControl) { FSavedFocus = AControl; }

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Command(WPARAM wp, LPARAM lp);
    void Activated(bool AActive, bool AMinimized);
    void RestoreFocus();
    void ApplyFrame();
    void ApplyOwner();
    void Place();
    void Centre();
    void ApplyVisibility();

    TForm& FForm;
    std::unique_ptr<FormHints> FHints;
    HWND FSavedFocus = nullptr;
    RECT FAppliedBounds{-1, -1, -1, -1};
    TColor FAppliedColor = clDefault;
    bool FCentredOnce = false;
};

// The peer of a form whose window exists, or nullptr.
FormPeer* FormPeerOf(const TForm* AForm);

} // namespace ui::win32
