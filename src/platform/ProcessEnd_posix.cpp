#include "platform/ProcessEnd.h"

namespace lumicap::platform {

int endProcess(int status)
{
    return status;
}

} // namespace lumicap::platform
