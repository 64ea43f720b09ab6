#pragma once

namespace lumicap {

// The steps of a save on disk, for each picture. A test program can stop or
// fail a save at each of them (see saveStepFault); the program never does.
// In a group (SaveGroup), every picture is created and written in turn, then
// all are flushed together, then each goes through the last three steps in
// turn.
enum class SaveStep {
    TemporaryCreated, // the temporary file exists, empty
    HalfWritten,      // half of the new file is written
    Flushed,          // all of it is written and flushed
    Renaming,         // about to replace the image
    Renamed,          // the image is replaced, its folder not yet flushed (a fault here only stops)
};

// In the program: always 0. A test program (tests/stress/SaveProbe.cpp)
// links its own: an errno value to fail the step with, or 0; it may also
// end the process there and then.
int saveStepFault(SaveStep step);

} // namespace lumicap
