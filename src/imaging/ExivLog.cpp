#include "imaging/ExivLog.h"

#include "imaging/ExivCompat.h"

#include <mutex>

namespace lumicap {

namespace {
thread_local ExivWarningCapture *activeCapture = nullptr;

// Exiv2's XMP toolkit keeps global state; the preview worker and the window
// may both reach it (a TIFF's tags include its XMP packet).
void lockXmp(void *data, bool lock)
{
    auto *mutex = static_cast<std::recursive_mutex *>(data);
    if (lock)
        mutex->lock();
    else
        mutex->unlock();
}

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
        static std::recursive_mutex xmp;
        Exiv2::XmpParser::initialize(lockXmp, &xmp);
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
