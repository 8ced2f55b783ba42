#include "ui/ComCtrls.h"

namespace ui {

// ---------------------------------------------------------------- TTreeView

TTreeView::TTreeView(TComponent* AOwner, std::string AName) : TControl(AOwner, std::move(AName)) {
    SetTabStop(true);
}

int TTreeView::AddNode(const std::string& AText, int AParent) {
    if (AParent < -1 || AParent >= NodeCount()) {
        throw EListError("Tree node index out of bounds (" + std::to_string(AParent) + ")");
    }
    // The new node goes after the parent's last descendant, so the list stays in tree order.
    int at = NodeCount();
    if (AParent >= 0) {
        at = AParent + 1;
        auto isDescendant = [&](int node) {
            for (int p = FNodes[static_cast<size_t>(node)].Parent; p != -1;
                 p = FNodes[static_cast<size_t>(p)].Parent) {
                if (p == AParent) {
                    return true;
                }
            }
            return false;
        };
        while (at < NodeCount() && isDescendant(at)) {
            ++at;
        }
        for (TNode& node : FNodes) {
            if (node.Parent >= at) {
                ++node.Parent;
            }
        }
        if (FSelected >= at) {
            ++FSelected;
        }
    }
    FNodes.insert(FNodes.begin() + at, TNode{AText, AParent});
    Changed();
    return at;
}

void TTreeView::SetNodeText(int AIndex, const std::string& AText) {
    if (AIndex < 0 || AIndex >= NodeCount()) {
        throw EListError("Tree node index out of bounds (" + std::to_string(AIndex) + ")");
    }
    FNodes[static_cast<size_t>(AIndex)].Text = AText;
    Changed();
}

void TTreeView::Select(int AIndex) {
    if (AIndex < -1 || AIndex >= NodeCount()) {
        throw EListError("Tree node index out of bounds (" + std::to_string(AIndex) + ")");
    }
    if (AIndex == FSelected) {
        return;
    }
    FSelected = AIndex;
    Changed();
    if (OnChange) {
        OnChange(this, AIndex);
    }
}

// ---------------------------------------------------------------- TTabSheet, TPageControl

TPageControl* TTabSheet::PageControl() const {
    return dynamic_cast<TPageControl*>(Parent());
}

void TTabSheet::SetPageControl(TPageControl* AValue) {
    TPageControl* old = PageControl();
    if (old == AValue) {
        return;
    }
    SetParent(AValue);
    if (old != nullptr && old->ActivePage() == this) {
        std::vector<TTabSheet*> rest = old->Pages();
        old->SetActivePage(rest.empty() ? nullptr : rest.front());
    }
    if (AValue != nullptr && AValue->ActivePage() == nullptr) {
        AValue->SetActivePage(this);
    }
}

void TTabSheet::SetTabVisible(bool AValue) {
    FTabVisible = AValue;
    Changed();
}

bool TTabSheet::Showing() const {
    TPageControl* pages = PageControl();
    return Visible() && pages != nullptr && pages->ActivePage() == this && pages->Showing();
}

std::vector<TTabSheet*> TPageControl::Pages() const {
    std::vector<TTabSheet*> pages;
    for (TControl* child : Children()) {
        if (auto* sheet = dynamic_cast<TTabSheet*>(child)) {
            pages.push_back(sheet);
        }
    }
    return pages;
}

void TPageControl::SetActivePage(TTabSheet* AValue) {
    if (AValue != nullptr && AValue->PageControl() != this) {
        throw EListError("The sheet " + AValue->Name() + " is not a page of " + Name());
    }
    TTabSheet* old = FActivePage;
    FActivePage = AValue;
    Changed();
    for (TTabSheet* sheet : {old, AValue}) {
        if (sheet != nullptr && old != AValue) {
            sheet->Changed();
        }
    }
}

int TPageControl::ActivePageIndex() const {
    std::vector<TTabSheet*> pages = Pages();
    for (size_t i = 0; i < pages.size(); ++i) {
        if (pages[i] == FActivePage) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TPageControl::SetActivePageIndex(int AValue) {
    std::vector<TTabSheet*> pages = Pages();
    SetActivePage(AValue >= 0 && static_cast<size_t>(AValue) < pages.size()
                      ? pages[static_cast<size_t>(AValue)]
                      : nullptr);
}

// ---------------------------------------------------------------- TStatusBar

void TStatusBar::SetSimplePanel(bool AValue) {
    FSimplePanel = AValue;
    Changed();
}

void TStatusBar::SetSimpleText(const std::string& AValue) {
    FSimpleText = AValue;
    Changed();
}

} // namespace ui
