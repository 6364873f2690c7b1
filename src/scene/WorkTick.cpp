#include "scene/WorkTick.h"

namespace kelvane {

namespace {
TWorkTickHook currentHook = nullptr;
}

void WorkTick()
{
    if (currentHook)
        currentHook();
}

TWorkTickHook SetWorkTickHook(TWorkTickHook hook)
{
    const TWorkTickHook previous = currentHook;
    currentHook = hook;
    return previous;
}

} // namespace kelvane
