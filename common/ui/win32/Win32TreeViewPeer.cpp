// The tree view. Nodes carry their number in tree order, so the system's selection maps straight back
// to the component's node.
#include "ui/ComCtrls.h"
#include "ui/win32/Win32Peers.h"
#include "ui/win32/Win32WindowPeer.h"

#include "text/TextCodec.h"

#include <commctrl.h>

#include <vector>

namespace ui::win32 {

namespace {

class TreeViewPeer : public ControlPeer {
public:
    explicit TreeViewPeer(TTreeView& tree) : ControlPeer(tree), FTree(tree) {
        CreateControlWindow(WS_EX_CLIENTEDGE, WC_TREEVIEWW,
                            TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS);
        Changed();
    }

    void Changed() override {
        ApplyScope scope(*this);
        if (ShapeChanged()) {
            Rebuild();
        } else {
            UpdateTexts();
        }
        ApplySelection();
        ApplyCommon();
    }

    bool ParentNotify(UINT msg, WPARAM, LPARAM lp, LRESULT& result) override {
        if (msg != WM_NOTIFY) {
            return false;
        }
        const auto* header = reinterpret_cast<const NMHDR*>(lp);
        // NMTREEVIEWA and NMTREEVIEWW differ only in their text pointers' type.
        if ((header->code == TVN_SELCHANGEDW || header->code == TVN_SELCHANGEDA) && !Applying()) {
            const auto* change = reinterpret_cast<const NMTREEVIEWW*>(lp);
            int node = change->itemNew.hItem != nullptr ? static_cast<int>(change->itemNew.lParam) : -1;
            if (node != FTree.Selected()) {
                FTree.Select(node);
            }
        } else if (header->code == NM_CLICK) {
            // Comes after the selection a click makes; a click on the selected node changes nothing
            // else, and only OnClick sees it.
            FTree.Click();
        }
        result = 0;
        return true;
    }

private:
    bool ShapeChanged() const {
        if (static_cast<int>(FItems.size()) != FTree.NodeCount()) {
            return true;
        }
        for (int i = 0; i < FTree.NodeCount(); ++i) {
            if (FParents[i] != FTree.NodeParent(i)) {
                return true;
            }
        }
        return false;
    }

    void Rebuild() {
        SendMessageW(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
        FItems.clear();
        FParents.clear();
        FTexts.clear();
        for (int i = 0; i < FTree.NodeCount(); ++i) {
            int parent = FTree.NodeParent(i);
            std::wstring text = text::ToWide(FTree.NodeText(i));
            TVINSERTSTRUCTW insert{};
            insert.hParent = parent >= 0 && parent < i ? FItems[parent] : TVI_ROOT;
            insert.hInsertAfter = TVI_LAST;
            insert.item.mask = TVIF_TEXT | TVIF_PARAM;
            insert.item.pszText = text.data();
            insert.item.lParam = i;
            FItems.push_back(reinterpret_cast<HTREEITEM>(
                SendMessageW(Handle(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert))));
            FParents.push_back(parent);
            FTexts.push_back(FTree.NodeText(i));
        }
        for (HTREEITEM item : FItems) {
            SendMessageW(Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        }
    }

    void UpdateTexts() {
        for (int i = 0; i < FTree.NodeCount(); ++i) {
            if (FTexts[i] == FTree.NodeText(i)) {
                continue;
            }
            std::wstring text = text::ToWide(FTree.NodeText(i));
            TVITEMW item{};
            item.mask = TVIF_TEXT;
            item.hItem = FItems[i];
            item.pszText = text.data();
            SendMessageW(Handle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            FTexts[i] = FTree.NodeText(i);
        }
    }

    void ApplySelection() {
        int wanted = FTree.Selected();
        HTREEITEM target = wanted >= 0 && wanted < static_cast<int>(FItems.size()) ? FItems[wanted] : nullptr;
        auto current = reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_GETNEXTITEM, TVGN_CARET, 0));
        if (current != target) {
            SendMessageW(Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(target));
        }
    }

    TTreeView& FTree;
    std::vector<HTREEITEM> FItems;
    std::vector<int> FParents;
    std::vector<std::string> FTexts;
};

} // namespace

std::unique_ptr<IControlPeer> NewTreeViewPeer(TTreeView& AControl) {
    return std::make_unique<TreeViewPeer>(AControl);
}

} // namespace ui::win32
