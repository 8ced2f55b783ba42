#include "ui/StdCtrls.h"

#include "platform/Resources.h"

namespace ui {

namespace {

void CheckIndex(int AIndex, size_t ACount) {
    if (AIndex < 0 || static_cast<size_t>(AIndex) >= ACount) {
        throw EListError("List index out of bounds (" + std::to_string(AIndex) + ")");
    }
}

// Windows keeps no selection that is not an item.
int ValidSelection(int AIndex, size_t ACount) {
    return AIndex >= 0 && static_cast<size_t>(AIndex) < ACount ? AIndex : -1;
}

} // namespace

// ---------------------------------------------------------------- TLabel

void TLabel::SetTransparent(bool AValue) {
    FTransparent = AValue;
    Changed();
}

void TLabel::SetWordWrap(bool AValue) {
    FWordWrap = AValue;
    Changed();
}

void TLabel::SetAlignment(TAlignment AValue) {
    FAlignment = AValue;
    Changed();
}

// ---------------------------------------------------------------- TImage, TAnimate

bool TImage::LoadFromResourceName(const std::string& AName) {
    std::string_view data = plat::FindResourceData(AName.c_str(), "RCDATA");
    TBitmapInfo info = ParseBitmap(data);
    if (!info.Valid) {
        return false;
    }
    FResourceName = AName;
    FData = data;
    FInfo = info;
    Changed();
    return true;
}

void TImage::SetTransparent(bool AValue) {
    FTransparent = AValue;
    Changed();
}

bool TAnimate::SetResName(const std::string& AName) {
    std::string_view data = plat::FindResourceData(AName.c_str(), "AVI");
    FResName = AName;
    FData = data;
    FInfo = ParseAvi(data);
    Changed();
    return FInfo.Valid;
}

void TAnimate::SetActive(bool AValue) {
    FActive = AValue && FInfo.Valid;
    Changed();
}

// ---------------------------------------------------------------- TButton, TBitBtn

TButton::TButton(TComponent* AOwner, std::string AName) : TControl(AOwner, std::move(AName)) {
    SetTabStop(true);
}

void TButton::SetDefault(bool AValue) {
    FDefault = AValue;
    Changed();
}

void TButton::SetElevationShield(bool AValue) {
    FElevationShield = AValue;
    Changed();
}

void TButton::Click() {
    if (TForm* form = ParentForm(); form != nullptr && FModalResult != mrNone) {
        form->SetModalResult(FModalResult);
    }
    TControl::Click();
}

void TBitBtn::SetGlyph(const TPicture& AValue) {
    FGlyph = AValue;
    Changed();
}

void TBitBtn::SetNumGlyphs(int AValue) {
    FNumGlyphs = AValue < 1 ? 1 : AValue;
    Changed();
}

TPicture TBitBtn::CurrentGlyph() const {
    int width = FGlyph.Width / FNumGlyphs;
    if (FGlyph.Empty() || width <= 0) {
        return {};
    }
    int index = !Enabled() && FNumGlyphs >= 2 ? 1 : 0;
    return FGlyph.Slice(index * width, width);
}

// ---------------------------------------------------------------- TCheckBox

TCheckBox::TCheckBox(TComponent* AOwner, std::string AName) : TControl(AOwner, std::move(AName)) {
    SetTabStop(true);
}

void TCheckBox::SetChecked(bool AValue) {
    if (AValue == FChecked) {
        return;
    }
    FChecked = AValue;
    Changed();
    Click();
}

// ---------------------------------------------------------------- TEdit, TMemo

TEdit::TEdit(TComponent* AOwner, std::string AName) : TControl(AOwner, std::move(AName)) {
    SetTabStop(true);
}

void TEdit::SetText(const std::string& AValue) {
    if (AValue == Text()) {
        return;
    }
    SetCaption(AValue);
    if (OnChange) {
        OnChange(this);
    }
}

void TEdit::SetReadOnly(bool AValue) {
    FReadOnly = AValue;
    Changed();
}

void TEdit::SetBorderStyle(TBorderStyle AValue) {
    FBorderStyle = AValue;
    Changed();
}

void TEdit::SetNumbersOnly(bool AValue) {
    FNumbersOnly = AValue;
    Changed();
}

void TEdit::SetMaxLength(int AValue) {
    FMaxLength = AValue < 0 ? 0 : AValue;
    Changed();
}

std::vector<std::string> TMemo::Lines() const {
    std::vector<std::string> lines;
    const std::string& text = Text();
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find_first_of("\r\n", begin);
        if (end == std::string::npos) {
            lines.push_back(text.substr(begin));
            break;
        }
        lines.push_back(text.substr(begin, end - begin));
        begin = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

void TMemo::SetLines(const std::vector<std::string>& ALines) {
    std::string text;
    for (size_t i = 0; i < ALines.size(); ++i) {
        text += (i == 0 ? "" : "\r\n") + ALines[i];
    }
    SetText(text);
}

void TMemo::SetWordWrap(bool AValue) {
    FWordWrap = AValue;
    Changed();
}

void TMemo::SetScrollBars(TScrollStyle AValue) {
    FScrollBars = AValue;
    Changed();
}

// ---------------------------------------------------------------- TCustomListControl

TCustomListControl::TCustomListControl(TComponent* AOwner, std::string AName)
    : TControl(AOwner, std::move(AName)) {
    SetTabStop(true);
}

void TCustomListControl::SetItems(const std::vector<std::string>& AItems) {
    FItems = AItems;
    FItemIndex = ValidSelection(FItemIndex, FItems.size());
    Changed();
}

void TCustomListControl::SetItem(int AIndex, const std::string& AText) {
    CheckIndex(AIndex, FItems.size());
    FItems[static_cast<size_t>(AIndex)] = AText;
    Changed();
}

void TCustomListControl::SetItemIndex(int AValue) {
    FItemIndex = ValidSelection(AValue, FItems.size());
    Changed();
}

void TCustomListControl::Select(int AIndex) {
    CheckIndex(AIndex, FItems.size());
    FItemIndex = AIndex;
    Changed();
    Chosen();
}

// ---------------------------------------------------------------- TComboBox

void TComboBox::Chosen() {
    if (OnChange) {
        OnChange(this);
    }
}

std::string TComboBox::Text() const {
    return ItemIndex() >= 0 ? Items()[static_cast<size_t>(ItemIndex())] : std::string();
}

// ---------------------------------------------------------------- TListBox

void TListBox::Chosen() {
    Click();
}

void TListBox::SetStyle(TListBoxStyle AValue) {
    FStyle = AValue;
    Changed();
}

void TListBox::SetItemHeight(int AValue) {
    FItemHeight = AValue < 1 ? 1 : AValue;
    Changed();
}

TRect TListBox::ItemRect(int AIndex) const {
    return {0, AIndex * FItemHeight, Width(), (AIndex + 1) * FItemHeight};
}

void TListBox::DrawItem(TCanvas& ACanvas, int AIndex, const TRect& ARect, TOwnerDrawState AState) {
    CheckIndex(AIndex, Items().size());
    if (AState.Selected) {
        ACanvas.BrushColor = clHighlight;
        ACanvas.FontColor = clHighlightText;
    } else {
        ACanvas.BrushColor = Color() == clDefault ? clWindow : Color();
        ACanvas.FontColor = Font().Color == clDefault ? clWindowText : Font().Color;
    }
    ACanvas.FontName = Font().Name;
    if (FStyle == TListBoxStyle::lbOwnerDrawFixed && OnDrawItem) {
        OnDrawItem(this, AIndex, ARect, AState, ACanvas);
        return;
    }
    ACanvas.FillRect(ARect);
    ACanvas.DrawText(Items()[static_cast<size_t>(AIndex)], ARect,
                     DT_SINGLELINE_ | DT_VCENTER_ | DT_NOPREFIX_);
}

} // namespace ui
