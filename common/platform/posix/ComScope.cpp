#include "platform/ComScope.h"

namespace plat {

// No COM here: the scope has nothing to initialise, and succeeds.
ComScope::ComScope() : initialized_(true) {}

ComScope::~ComScope() = default;

} // namespace plat
