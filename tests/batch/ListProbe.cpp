// Runs one batch from a list file, streamed, for the memory tests, which run
// it as a child under a memory limit:
//   list_probe LIST [IMAGES]   (IMAGES: cancel after that many images)
// Answers Yes to every question, prints what the batch said and its summary,
// and exits 0 unless the list cannot be opened.
#include "batch/BatchRun.h"
#include "widgets/UserPrompt.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace {
class Answers : public lumicap::UserPrompt
{
public:
    void showMessage(const QString &text) override { std::printf("message %s\n", qPrintable(text)); }
    bool askYesNo(const QString &text) override
    {
        std::printf("question %s\n", qPrintable(text.section('\n', 0, 0)));
        return true;
    }
    void beginWait() override {}
    void endWait() override {}
};

class Progress : public lumicap::BatchProgress
{
public:
    explicit Progress(long cancelAfter)
        : cancelAfter_(cancelAfter)
    {}
    void begin() override {}
    void showImage(const QString &, int) override {}
    void end() override {}
    bool cancelled() const override { return cancelAfter_ >= 0 && images_ >= cancelAfter_; }
    void afterImage() override { ++images_; }

private:
    long cancelAfter_;
    long images_ = 0;
};
} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    QCoreApplication app(argc, argv);
    lumicap::ListFileReader list;
    if (list.open(argv[1]) != lumicap::ImageStatus::Ok)
        return 2;
    Answers prompt;
    Progress progress(argc > 2 ? std::atol(argv[2]) : -1);
    const lumicap::BatchSummary s = lumicap::BatchRun(prompt, progress).runListFile(list, argv[1], {"Ann", std::nullopt, false});
    std::printf("saved %d skipped %d failed %d cancelled %d status %d\n", s.saved, s.skipped, s.failed, s.cancelled ? 1 : 0,
                lumicap::statusNumber(s.status));
    return 0;
}
