#pragma once

#include "imaging/ExivCompat.h"
#include "imaging/ImageStatus.h"

#include <new>
#include <stdexcept>

namespace lumicap {

// Runs work that calls Exiv2 and turns what it throws into a status: the
// library's own errors and anything unexpected are a generic error, memory
// that cannot be had is OutOfMemory, a size that does not fit is
// ValueOverflow.
template <typename Work>
ImageStatus guardedExiv(Work &&work)
{
    try {
        return work();
    } catch (const exiv::Error &) {
        return ImageStatus::GenericError;
    } catch (const std::bad_alloc &) {
        return ImageStatus::OutOfMemory;
    } catch (const std::overflow_error &) {
        return ImageStatus::ValueOverflow;
    } catch (const std::length_error &) {
        return ImageStatus::OutOfMemory;
    } catch (const std::exception &) {
        return ImageStatus::GenericError;
    }
}

} // namespace lumicap
