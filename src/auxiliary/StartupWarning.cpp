#include "auxiliary/StartupWarning.h"

#include "metadata/AppSettings.h"

namespace lumicap {

void runStartupWarning(const std::function<int()> &showWarning)
{
    if (openSettings()->value("ShowWarning", 1).toInt() == 0)
        return;
    const int dontShow = showWarning();
    openSettings()->setValue("ShowWarning", dontShow == 0 ? 1 : 0);
}

} // namespace lumicap
