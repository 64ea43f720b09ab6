// Saves three tags into one image, failing or dying at a chosen step of the
// save; the fault tests run it as a child process.
//   save_probe FILE STEP ACTION DESCRIPTION
//   STEP: none created half flushed renaming renamed
//   ACTION: kill; wait (print "waiting", go on at a line on stdin); or an
//           errno number to fail the step with
// With LUMICAP_PROBE_HEADROOM_MB set, the probe may use only that much more
// address space than it has when it starts (RLIMIT_AS).
// Prints the save's status number.
#include "MetadataReader.h"
#include "MetadataWriter.h"
#include "SafeSave.h"
#include "SaveSteps.h"

#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <unistd.h>

namespace {
void limitAddressSpace(const char *headroomMb)
{
    unsigned long pages = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%lu", &pages) != 1)
            pages = 0;
        std::fclose(f);
    }
    const rlim_t limit = pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (std::strtoull(headroomMb, nullptr, 10) << 20);
    const struct rlimit r {limit, limit};
    ::setrlimit(RLIMIT_AS, &r);
}

const char *faultStep = "none";
const char *faultAction = "";

const char *nameOf(lumicap::SaveStep step)
{
    switch (step) {
    case lumicap::SaveStep::TemporaryCreated:
        return "created";
    case lumicap::SaveStep::HalfWritten:
        return "half";
    case lumicap::SaveStep::Flushed:
        return "flushed";
    case lumicap::SaveStep::Renaming:
        return "renaming";
    case lumicap::SaveStep::Renamed:
        return "renamed";
    }
    return "";
}
} // namespace

namespace lumicap {
int saveStepFault(SaveStep step)
{
    if (std::strcmp(nameOf(step), faultStep) != 0)
        return 0;
    if (std::strcmp(faultAction, "kill") == 0)
        std::raise(SIGKILL);
    if (std::strcmp(faultAction, "wait") == 0) {
        std::printf("waiting\n");
        std::fflush(stdout);
        char line[8];
        (void)std::fgets(line, sizeof line, stdin);
        return 0;
    }
    return std::atoi(faultAction);
}
} // namespace lumicap

int main(int argc, char **argv)
{
    if (argc != 5)
        return 2;
    QCoreApplication app(argc, argv);
    faultStep = argv[2];
    faultAction = argv[3];
    const QByteArray path(argv[1]);
    if (const char *headroom = std::getenv("LUMICAP_PROBE_HEADROOM_MB"))
        limitAddressSpace(headroom);
    lumicap::ImageStatus status;
    auto image = lumicap::OpenImageFile(path, status);
    if (status == lumicap::ImageStatus::Ok) {
        lumicap::WriteMetadata(*image, {argv[4], "Probe", "(c) Probe"}, false);
        status = lumicap::SaveImageFile(*image, path);
    }
    std::printf("%d\n", lumicap::statusNumber(status));
    return 0;
}
