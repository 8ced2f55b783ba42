#pragma once
// Simple controls: labels, pictures, the animation control, buttons, check boxes, edits, memos,
// combo boxes, list boxes and group boxes.
#include "ui/Forms.h"
#include "ui/Media.h"

#include <string>
#include <string_view>
#include <vector>

namespace ui {

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

class TLabel : public TControl {
public:
    using TControl::TControl;
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool AValue);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool AValue);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment AValue);

private:
    bool FTransparent = true;
    bool FWordWrap = false;
    TAlignment FAlignment = TAlignment::taLeftJustify;
};

// A picture from the program's resources (a .bmp file stored as RCDATA).
class TImage : public TControl {
public:
    using TControl::TControl;
    // False when the program has no such picture.
    bool LoadFromResourceName(const std::string& AName);
    const std::string& ResourceName() const { return FResourceName; }
    std::string_view PictureData() const { return FData; }
    const TBitmapInfo& PictureInfo() const { return FInfo; }
    // The bottom-left pixel's colour is the transparent colour, as for any transparent bitmap.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool AValue);

private:
    std::string FResourceName;
    std::string_view FData;
    TBitmapInfo FInfo;
    bool FTransparent = false;
};

// Plays an AVI clip compiled into the program as a resource of type "AVI".
class TAnimate : public TControl {
public:
    using TControl::TControl;
    // Opens the clip; false when the program has no playable clip of that name.
    bool SetResName(const std::string& AName);
    const std::string& ResName() const { return FResName; }
    std::string_view ClipData() const { return FData; }
    uint32_t FrameCount() const { return FInfo.TotalFrames; }
    uint32_t FrameWidth() const { return FInfo.Width; }
    uint32_t FrameHeight() const { return FInfo.Height; }
    uint32_t FrameIntervalMs() const { return FInfo.MicroSecPerFrame / 1000; }
    bool Open() const { return FInfo.Valid; }
    // Playing, in an endless loop, once Active is set.
    bool Active() const { return FActive; }
    void SetActive(bool AValue);

private:
    std::string FResName;
    std::string_view FData;
    TAviInfo FInfo;
    bool FActive = false;
};

// A push button. A click with a ModalResult set closes its modal form with that result.
class TButton : public TControl {
public:
    TButton(TComponent* AOwner, std::string AName);
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int AValue) { FModalResult = AValue; }
    // The button reacts to Enter (default) or Escape (cancel) anywhere on its form.
    bool Default() const { return FDefault; }
    void SetDefault(bool AValue);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool AValue) { FCancel = AValue; }
    // The shield beside the caption that marks a command needing administrator rights.
    bool ElevationShield() const { return FElevationShield; }
    void SetElevationShield(bool AValue);
    void Click() override;

private:
    int FModalResult = mrNone;
    bool FDefault = false;
    bool FCancel = false;
    bool FElevationShield = false;
};

// A button with a picture: Glyph is a strip of NumGlyphs pictures side by side, the first for the
// enabled button, the second (when there is one) for the disabled button.
class TBitBtn : public TButton {
public:
    using TButton::TButton;
    const TPicture& Glyph() const { return FGlyph; }
    void SetGlyph(const TPicture& AValue);
    int NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int AValue);
    // The picture shown now: the enabled or the disabled part of the strip.
    TPicture CurrentGlyph() const;

private:
    TPicture FGlyph;
    int FNumGlyphs = 1;
};

class TCheckBox : public TControl {
public:
    TCheckBox(TComponent* AOwner, std::string AName);
    bool Checked() const { return FChecked; }
    // A change runs OnClick, also when made by the program.
    void SetChecked(bool AValue);
    // The user's click: the box changes its state.
    void Toggle() { SetChecked(!FChecked); }

private:
    bool FChecked = false;
};

enum class TBorderStyle { bsNone, bsSingle };

// A one-line text field; its text is the control's caption.
class TEdit : public TControl {
public:
    TEdit(TComponent* AOwner, std::string AName);
    const std::string& Text() const { return Caption(); }
    // A change runs OnChange, also when made by the program (the peer reports what the user types here).
    void SetText(const std::string& AValue);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool AValue);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle AValue);
    // Only digits can be typed (ES_NUMBER); pasted text is not checked.
    bool NumbersOnly() const { return FNumbersOnly; }
    void SetNumbersOnly(bool AValue);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int AValue);
    std::function<void(TComponent*)> OnChange;

private:
    bool FReadOnly = false;
    TBorderStyle FBorderStyle = TBorderStyle::bsSingle;
    bool FNumbersOnly = false;
    int FMaxLength = 0;
};

enum class TScrollStyle { ssNone, ssVertical, ssHorizontal, ssBoth };

// A multi-line text field; Lines are its text split at line ends (joined with CR LF).
class TMemo : public TEdit {
public:
    using TEdit::TEdit;
    std::vector<std::string> Lines() const;
    void SetLines(const std::vector<std::string>& ALines);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool AValue);
    // Scroll bars are shown only when asked for: a read-only list of a few lines has none.
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle AValue);

private:
    bool FWordWrap = true;
    TScrollStyle FScrollBars = TScrollStyle::ssNone;
};

// The items of a list and the one selected, shared by the drop-down list and the list box.
class TCustomListControl : public TControl {
public:
    TCustomListControl(TComponent* AOwner, std::string AName);
    const std::vector<std::string>& Items() const { return FItems; }
    void SetItems(const std::vector<std::string>& AItems);
    void SetItem(int AIndex, const std::string& AText);
    int ItemIndex() const { return FItemIndex; }
    // The program's choice: no event.
    void SetItemIndex(int AValue);
    // The user's choice: the item becomes selected and the control's event runs.
    void Select(int AIndex);

protected:
    // The event of a user's choice.
    virtual void Chosen() = 0;

private:
    std::vector<std::string> FItems;
    int FItemIndex = -1;
};

// A drop-down list to choose one item from (csDropDownList: no typing); a choice runs OnChange.
class TComboBox : public TCustomListControl {
public:
    using TCustomListControl::TCustomListControl;
    // The selected item's text, or "".
    std::string Text() const;
    std::function<void(TComponent*)> OnChange;

protected:
    void Chosen() override;
};

enum class TListBoxStyle { lbStandard, lbOwnerDrawFixed };

// A list of items; a user's click on an item selects it and runs OnClick. An owner-drawn list keeps its
// item texts (screen readers read them) and has each item drawn by OnDrawItem.
class TListBox : public TCustomListControl {
public:
    using TCustomListControl::TCustomListControl;
    TListBoxStyle Style() const { return FStyle; }
    void SetStyle(TListBoxStyle AValue);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int AValue);
    // The rectangle of an item in the list's client area.
    TRect ItemRect(int AIndex) const;
    std::function<void(TListBox* AControl, int AIndex, const TRect& ARect, TOwnerDrawState AState,
                       TCanvas& ACanvas)>
        OnDrawItem;
    // Draws one item: OnDrawItem for an owner-drawn list (the peer calls it, and tests with a
    // recording canvas).
    void DrawItem(TCanvas& ACanvas, int AIndex, const TRect& ARect, TOwnerDrawState AState);

protected:
    void Chosen() override;

private:
    TListBoxStyle FStyle = TListBoxStyle::lbStandard;
    int FItemHeight = 13;
};

// A frame with a caption that holds other controls.
class TGroupBox : public TControl {
public:
    using TControl::TControl;
};

} // namespace ui
