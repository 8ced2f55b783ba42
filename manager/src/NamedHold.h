#pragma once
// A named object held for the whole of a long operation (a backup, a heap dump), so that a second one,
// in this process or in another (tfctl beside the Server Manager), is refused while the first runs.
#include "platform/Platform.h"

#include <memory>
#include <string>

// Released when the holder lets it go; the name is free again once nobody holds it.
using TNamedHold = std::unique_ptr<plat::INamedObject>;

// False when another operation holds the name. Where the system cannot make the object at all, the
// operation goes on with an empty hold.
bool TryHoldNamed(const std::string& AName, TNamedHold& AHold);
