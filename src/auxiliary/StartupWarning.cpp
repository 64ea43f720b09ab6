#include "auxiliary/StartupWarning.h"

#include "metadata/AppSettings.h"

namespace lumicap {

void runStartupWarning(const std::function<int()> &showWarning)
{
    if (!AppSettings().flag(Setting::ShowWarning))
        return;
    const int dontShow = showWarning();
    AppSettings().setFlag(Setting::ShowWarning, dontShow == 0);
}

} // namespace lumicap
