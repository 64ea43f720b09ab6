#include "platform/ConsoleText.h"

namespace lumicap::platform {

// A terminal here takes the bytes as they are.
bool writeConsoleText(std::FILE *, std::string_view)
{
    return false;
}

} // namespace lumicap::platform
