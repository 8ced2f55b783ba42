#pragma once
// The common controls: tree view, page control with its sheets, status bar.
#include "ui/Forms.h"

#include <string>
#include <vector>

namespace ui {

// A tree of text nodes. Nodes are numbered in tree order (a node, then its children, then its next
// sibling), the order translation keys count them in.
class TTreeView : public TControl {
public:
    TTreeView(TComponent* AOwner, std::string AName);
    // Adds a node as the last child of AParent (-1: a top-level node) and returns its number.
    int AddNode(const std::string& AText, int AParent = -1);
    int NodeCount() const { return static_cast<int>(FNodes.size()); }
    const std::string& NodeText(int AIndex) const { return FNodes.at(AIndex).Text; }
    void SetNodeText(int AIndex, const std::string& AText);
    int NodeParent(int AIndex) const { return FNodes.at(AIndex).Parent; }
    // The selected node, or -1.
    int Selected() const { return FSelected; }
    // Selects a node (the user's click, or the program's choice): OnChange runs when it changes.
    void Select(int AIndex);
    std::function<void(TComponent* ASender, int ANode)> OnChange;

private:
    struct TNode {
        std::string Text;
        int Parent = -1;
    };
    std::vector<TNode> FNodes; // kept in tree order
    int FSelected = -1;
};

class TPageControl;

// One page of a page control; its children are shown while it is the active page.
class TTabSheet : public TControl {
public:
    using TControl::TControl;
    TPageControl* PageControl() const;
    void SetPageControl(TPageControl* AValue);
    // Hidden tabs: the page control shows no tab for the sheet; the program switches pages itself.
    bool TabVisible() const { return FTabVisible; }
    void SetTabVisible(bool AValue);
    bool Showing() const override;

private:
    friend class TPageControl; // tells its sheets when the active page changes

    bool FTabVisible = true;
};

class TPageControl : public TControl {
public:
    using TControl::TControl;
    // The sheets whose page control this is, in creation order.
    std::vector<TTabSheet*> Pages() const;
    TTabSheet* ActivePage() const { return FActivePage; }
    void SetActivePage(TTabSheet* AValue);
    int ActivePageIndex() const;
    void SetActivePageIndex(int AValue);

private:
    TTabSheet* FActivePage = nullptr;
};

// A status bar along the bottom of its form, with one simple panel holding a text.
class TStatusBar : public TControl {
public:
    using TControl::TControl;
    bool SimplePanel() const { return FSimplePanel; }
    void SetSimplePanel(bool AValue);
    const std::string& SimpleText() const { return FSimpleText; }
    void SetSimpleText(const std::string& AValue);

private:
    bool FSimplePanel = true;
    std::string FSimpleText;
};

} // namespace ui
