#pragma once
// What the headless backend needs of its peers.
#include "ui/Backend.h"

#include <memory>

namespace ui::headless {

// The state-only peer of a component; EPeerError for a component nobody renders.
std::unique_ptr<IControlPeer> MakePeer(TComponent& AComponent);
void SetTaskbarButtonShown(bool AShown);

} // namespace ui::headless
