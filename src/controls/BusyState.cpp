#include "controls/BusyState.h"

#include <atomic>

namespace kelvane {

namespace {
std::atomic<int> busyCount{0};
}

TBusyScope::TBusyScope()
{
    ++busyCount;
}

TBusyScope::~TBusyScope()
{
    --busyCount;
}

bool IsBusy()
{
    return busyCount.load() > 0;
}

} // namespace kelvane
