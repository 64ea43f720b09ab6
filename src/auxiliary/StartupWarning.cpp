#include "StartupWarning.h"

#include "EditorSettings.h"

namespace lumicap {

void runStartupWarning(const std::function<int()> &showWarning)
{
    if (loadShowWarning() == 0)
        return;
    const int dontShow = showWarning();
    saveShowWarning(dontShow == 0 ? 1 : 0);
}

} // namespace lumicap
