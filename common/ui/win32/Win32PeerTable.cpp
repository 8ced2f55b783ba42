// Which native peer renders which component. Forms are subclassed by each program and all share the
// form peer; every other component is found by its exact type, so a subclass of a control needs an
// entry of its own rather than a peer that half fits, and a type missing here fails loudly.
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"
#include "ui/Threads.h"
#include "ui/win32/Win32FormPeer.h"
#include "ui/win32/Win32Peers.h"

#include <typeindex>
#include <unordered_map>

namespace ui::win32 {

namespace {

using PeerFactory = std::unique_ptr<IControlPeer> (*)(TComponent&);

template <class Component, std::unique_ptr<IControlPeer> (*New)(Component&)>
std::unique_ptr<IControlPeer> Make(TComponent& component) {
    return New(static_cast<Component&>(component));
}

const std::unordered_map<std::type_index, PeerFactory>& PeerFactories() {
    static const std::unordered_map<std::type_index, PeerFactory> factories{
        {typeid(TLabel), &Make<TLabel, NewLabelPeer>},
        {typeid(TAnimate), &Make<TAnimate, NewAnimatePeer>},
        {typeid(TImage), &Make<TImage, NewImagePeer>},
        {typeid(TShape), &Make<TShape, NewShapePeer>},
        {typeid(TButton), &Make<TButton, NewButtonPeer>},
        {typeid(TBitBtn), &Make<TBitBtn, NewBitBtnPeer>},
        {typeid(TCheckBox), &Make<TCheckBox, NewCheckBoxPeer>},
        {typeid(TEdit), &Make<TEdit, NewEditPeer>},
        {typeid(TMemo), &Make<TMemo, NewMemoPeer>},
        {typeid(TComboBox), &Make<TComboBox, NewComboBoxPeer>},
        {typeid(TListBox), &Make<TListBox, NewListBoxPeer>},
        {typeid(TTreeView), &Make<TTreeView, NewTreeViewPeer>},
        {typeid(TStatusBar), &Make<TStatusBar, NewStatusBarPeer>},
        {typeid(TPanel), &Make<TPanel, NewPanelPeer>},
        {typeid(TGroupBox), &Make<TGroupBox, NewGroupBoxPeer>},
        {typeid(TPageControl), &Make<TPageControl, NewPageControlPeer>},
        {typeid(TTabSheet), &Make<TTabSheet, NewTabSheetPeer>},
        {typeid(TTimer), &Make<TTimer, NewTimerPeer>},
        {typeid(TPopupMenu), &Make<TPopupMenu, NewPopupMenuPeer>},
        {typeid(TTrayIcon), &Make<TTrayIcon, NewTrayIconPeer>},
    };
    return factories;
}

std::string Describe(const TComponent& component) {
    return TypeName(typeid(component)) + " \"" + component.Name() + "\"";
}

} // namespace

std::unique_ptr<IControlPeer> CreateNativePeer(TComponent& AComponent) {
    if (auto* form = dynamic_cast<TForm*>(&AComponent)) {
        return std::make_unique<FormPeer>(*form);
    }
    auto factory = PeerFactories().find(typeid(AComponent));
    if (factory == PeerFactories().end()) {
        throw EPeerError("No native rendering for " + Describe(AComponent));
    }
    if (auto* control = dynamic_cast<TControl*>(&AComponent);
        control && WindowOf(control->Parent()) == nullptr) {
        throw EPeerError(Describe(AComponent) + " has no parent window to be shown in");
    }
    return factory->second(AComponent);
}

} // namespace ui::win32
