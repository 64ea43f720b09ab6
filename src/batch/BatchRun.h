#pragma once

#include "metadata/CaptionPattern.h"
#include "imaging/ImageStatus.h"
#include "batch/ListFile.h"
#include "metadata/SaveGroup.h"
#include "batch/TextChange.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace lumicap {

class UserPrompt;

// The folder part of a path (a drive and the directory up to and including
// the last separator of either kind) and the rest.
struct SplitParts
{
    QByteArray folder;
    QByteArray file;
};
SplitParts splitPath(const QByteArray &path);

// Where the image an entry names is: inside the list file's folder. Names may
// use either separator and name sub-folders; a name that is absolute or whose
// ".." leads above the folder gives nothing, so a list file cannot reach
// files elsewhere (refusal, when given, then says AccessDenied; for a name
// this system cannot hold, FileNotFound).
std::optional<QByteArray> imagePathFor(const QByteArray &folder, const QByteArray &name, ImageStatus *refusal = nullptr);

// imagePathFor, and for a name from Windows that is not UTF-8 and is not on
// disk as it is, the one file its Windows-1252 or its code page 850 reading
// names (file names here are UTF-8). When both readings name files the name
// is ambiguous, and it stays as it is, so it is missing.
std::optional<QByteArray> findImageFor(const QByteArray &folder, const QByteArray &name, ImageStatus *refusal = nullptr);

// What the batch shows while it runs; a window, or a line on a terminal.
// (Named apart from a widget's open, update and close, which a window
// implementing it would otherwise override or hide.)
class BatchProgress
{
public:
    virtual ~BatchProgress() = default;
    virtual void begin() = 0;
    virtual void showImage(const QString &name, int position) = 0;
    virtual void end() = 0;
    virtual bool cancelled() const = 0;
    // One round of event processing after each image, so Cancel gets in.
    virtual void afterImage() = 0;
};

struct BatchOptions
{
    // Written into every image when given, fields in braces filled in for
    // each (CaptionPattern); nothing leaves the image's own.
    std::optional<QByteArray> artist;
    std::optional<QByteArray> copyright;
    bool removeAllExif = false;
    // Missing XMP and IPTC copies of the fields are created too.
    bool allCopies = false;
};

// A saved image whose copies of the fields (XMP, IPTC) could not be parsed
// and were left as they were: other programs may still show the old text.
struct UntouchedCopies
{
    QByteArray path;
    std::vector<QByteArray> copies;
};

struct BatchSummary
{
    int saved = 0;
    int skipped = 0;
    int failed = 0;     // images that could not be opened or saved, or the list
    int notReached = 0; // entries left as they were when the run ended early
    bool cancelled = false;
    ImageStatus status = ImageStatus::Ok;   // OutOfMemory when memory ran out
    std::vector<UntouchedCopies> untouched; // among the saved ones
    // In a dry run, what the saves would change (spans left empty).
    std::vector<TextChange> planned;
    QByteArray run; // the journal's name for the run's saves
};

// What a run writes into one picture, decided once the picture is read.
struct PictureEdit
{
    MetadataFields fields;
    FieldSelection which{false, false, false};
};
using EditFor = std::function<PictureEdit(const PatternSubject &)>;

// Applies a list to its images: each named image gets the entry's
// description and the batch's artist and copyright (patterns, all checked
// before the first picture is read), through the same safe
// save as the editor, made durable a group of pictures at a time
// (SaveGroup). An image that cannot be opened or saved, or a line that names
// none, asks whether to go on; memory running out ends the run. The pictures in hand are
// saved before anything is asked or shown, and when the run ends, however
// it ends. Descriptions that are not UTF-8 come from Windows and are written
// as UTF-8.
class BatchRun
{
public:
    BatchRun(UserPrompt &prompt, BatchProgress &progress)
        : prompt_(prompt)
        , progress_(progress)
    {}
    // Messages for people (the window) add a line saying what a status means.
    void explainStatuses(bool on) { explain_ = on; }
    // Everything is read and every save tried in memory, nothing written;
    // the summary counts as the run would and lists what would change.
    void dryRun(bool on) { dryRun_ = on; }

    // For the end of a run: the pictures whose copies were left as they
    // were, a line each (the first few); empty when there are none.
    static QString untouchedMessage(const BatchSummary &summary);
    // "N saved, N skipped, N failed", and how many entries were not reached.
    static QString summaryLine(const BatchSummary &summary);

    // Streams an opened list: memory stays bounded whatever its length.
    BatchSummary runListFile(ListFileReader &list, const QByteArray &listPath, const BatchOptions &options);
    // Gives each picture what edit decides for it, as a list run does
    // (grouped saves, questions, progress, Cancel); the artist and copyright
    // of options play no part.
    BatchSummary runPictures(const std::vector<QByteArray> &paths, const EditFor &edit, const BatchOptions &options);

private:
    // A reason of the batch's own (reasonId) is given on a terminal too.
    QString message(int formatId, ImageStatus status, const QByteArray &path, int reasonId = 0) const;
    bool explain_ = false;
    bool dryRun_ = false;
    // What became of an entry: its picture is in hand (saved with its
    // group), it was skipped, it failed and the run goes on (counted), or
    // the run ends (counted already).
    enum class Outcome { InHand, Untouched, Skipped, Failed, Ended };

    // The patterns of the options and of every entry, before the run: an
    // error in one ends it before anything is read or written.
    bool checkPatterns(const BatchOptions &options, const std::function<bool(ListEntry &)> &next, const QByteArray &listPath);
    Outcome processEntry(const ListEntry &entry, const QByteArray &folder, int position);
    Outcome processImage(const QByteArray &imagePath, const EditFor &edit, int position, int &stage);
    Outcome processPicture(const QByteArray &imagePath, const EditFor &edit, int position);
    Outcome planPicture(ImageHolder &image, const QByteArray &imagePath, const MetadataFields &before, const PictureEdit &edit);
    // Saves the pictures in hand, then asks; Yes skips the entry, or counts
    // it as failed.
    Outcome askToGoOn(const QString &question, bool failed = false);
    // Shows what ends the run and counts it.
    Outcome fail(int messageId, ImageStatus status, const QByteArray &path);
    // Saves the pictures in hand, then fails.
    Outcome endRun(int messageId, ImageStatus status, const QByteArray &path);
    // False when the run ends: a save failed and the answer was No, or
    // memory ran out. The pictures of the group after one that failed are
    // saved again when the run goes on.
    bool saveInHand();
    bool commitInHand();
    // process handles the k-th item, from 1; false when there is none.
    template <typename Process>
    BatchSummary run(std::int64_t count, Process process, const BatchOptions &options);
    template <typename NextEntry>
    BatchSummary runList(std::int64_t count, NextEntry next, const QByteArray &listPath, const BatchOptions &options);

    UserPrompt &prompt_;
    BatchProgress &progress_;
    struct Held
    {
        QByteArray path;
        EditFor edit;
        int position;
        std::vector<QByteArray> untouched;
    };
    SaveGroup inHand_;
    std::vector<Held> held_; // a line for each picture in hand
    const BatchOptions *options_ = nullptr;
    // The options' artist and copyright, filled in for each picture.
    std::optional<CaptionPattern> artist_;
    std::optional<CaptionPattern> copyright_;
    BatchSummary summary_;
};

} // namespace lumicap
