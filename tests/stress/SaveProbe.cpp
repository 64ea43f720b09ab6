// Saves three tags into one image, or into several as one group (as a
// batch does), failing or dying at a chosen step of the save; the fault
// tests run it as a child process.
//   save_probe FILE STEP ACTION DESCRIPTION [MORE FILES]
//   STEP: none created half flushed renaming renamed, each optionally with
//         ":N", its Nth time in a group (the first when not given)
//   ACTION: kill; wait (print "waiting", go on at a line on stdin); or an
//           errno number to fail the step with
// With LUMICAP_PROBE_HEADROOM_MB set, the probe may use only that much more
// address space than it has when it starts (RLIMIT_AS).
// Prints the save's status number.
#include "metadata/MetadataReader.h"
#include "metadata/MetadataWriter.h"
#include "metadata/SafeSave.h"
#include "metadata/SaveGroup.h"
#include "metadata/SaveSteps.h"

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
    const struct rlimit r
    {
        limit, limit
    };
    ::setrlimit(RLIMIT_AS, &r);
}

QByteArray faultStep = "none";
int faultTime = 1; // the Nth time the step comes
const char *faultAction = "";

// The steps' names, in the order of lumicap::SaveStep.
const char *const stepNames[] = {"created", "half", "flushed", "renaming", "renamed"};
static_assert(static_cast<int>(lumicap::SaveStep::Renamed) == 4);
} // namespace

namespace lumicap {
int saveStepFault(SaveStep step)
{
    if (faultStep != stepNames[static_cast<int>(step)] || --faultTime != 0)
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
    if (argc < 5)
        return 2;
    QCoreApplication app(argc, argv);
    const QList<QByteArray> step = QByteArray(argv[2]).split(':');
    faultStep = step[0];
    faultTime = step.size() > 1 ? step[1].toInt() : 1;
    faultAction = argv[3];
    if (const char *headroom = std::getenv("LUMICAP_PROBE_HEADROOM_MB"))
        limitAddressSpace(headroom);
    QList<QByteArray> files{argv[1]};
    for (int i = 5; i < argc; ++i)
        files << argv[i];
    lumicap::SaveGroup group;
    lumicap::ImageStatus status = lumicap::ImageStatus::Ok;
    for (const QByteArray &file : files) {
        auto image = lumicap::openImageFile(file, status);
        if (status != lumicap::ImageStatus::Ok)
            break;
        lumicap::writeMetadata(*image, {argv[4], "Probe", "(c) Probe"}, false);
        status = files.size() == 1 ? lumicap::saveImageFile(*image, file) : group.add(*image, file);
        if (status != lumicap::ImageStatus::Ok)
            break;
    }
    // What is in hand when a picture fails is saved, as in a batch.
    const lumicap::SaveGroup::Result committed = group.commit();
    std::printf("%d\n", lumicap::statusNumber(status != lumicap::ImageStatus::Ok ? status : committed.status));
    return 0;
}
