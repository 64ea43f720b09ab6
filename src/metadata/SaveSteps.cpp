#include "metadata/SaveSteps.h"

namespace lumicap {

// A test program that defines its own saveStepFault is linked with that one
// instead of this.
int saveStepFault(SaveStep)
{
    return 0;
}

} // namespace lumicap
