#pragma once

namespace lumicap {

// The steps of a save on disk. A test build can stop or fail a save at each
// of them (see saveStepFault); the program never does.
enum class SaveStep {
    TemporaryCreated, // the temporary file exists, empty
    HalfWritten,      // half of the new file is written
    Flushed,          // all of it is written and flushed
    Renaming,         // about to replace the image
    Renamed,          // the image is replaced (a fault here only stops)
};

// In the program: always 0. In a build with LUMICAP_SAVE_STEP_HOOK, the
// test's hook: an errno value to fail the step with, or 0; it may also end
// the process there and then.
int saveStepFault(SaveStep step);

} // namespace lumicap
