#include "platform/ComScope.h"

#include <objbase.h>

namespace plat {

// S_FALSE (COM already initialised in this model) counts too: every successful call needs its own
// CoUninitialize.
ComScope::ComScope()
    : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)), initialized_(SUCCEEDED(result_)) {}

ComScope::~ComScope() {
    if (initialized_)
        CoUninitialize();
}

} // namespace plat
