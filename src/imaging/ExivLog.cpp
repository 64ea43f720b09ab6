#include "ExivLog.h"

#include "ExivCompat.h"

#include <mutex>

namespace lumicap {

namespace {
thread_local ExivWarningCapture *activeCapture = nullptr;

void handleExivMessage(int level, const char *message)
{
    if (level >= Exiv2::LogMsg::warn && activeCapture)
        activeCapture->add(message ? message : "");
}
} // namespace

void installExivLogHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::warn);
        Exiv2::LogMsg::setHandler(handleExivMessage);
    });
}

ExivWarningCapture::ExivWarningCapture()
    : previous_(activeCapture)
{
    installExivLogHandler();
    activeCapture = this;
}

ExivWarningCapture::~ExivWarningCapture()
{
    activeCapture = previous_;
}

} // namespace lumicap
