#include "NamedHold.h"

bool TryHoldNamed(const std::string& AName, TNamedHold& AHold) {
    bool alreadyExists = false;
    AHold = plat::Sync().CreateMutex(AName, alreadyExists);
    if (alreadyExists)
        AHold.reset();
    return !alreadyExists;
}
