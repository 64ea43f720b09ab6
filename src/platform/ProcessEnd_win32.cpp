#include "platform/ProcessEnd.h"

#include <cstdio>
#include <windows.h>

namespace lumicap::platform {

int endProcess(int status)
{
    std::fflush(nullptr);
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(status));
    return status; // not reached
}

} // namespace lumicap::platform
