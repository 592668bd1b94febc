// How a run is abandoned: a confirmed stop or a failure travels as an
// exception from deep inside the arithmetic up to the calculation driver,
// which alone catches it, releases the run's memory and work files and
// returns 1.
#pragma once

#include <stdexcept>
#include <string>

namespace calvorn {

// The user confirmed a stop (or closed the window) during a block transfer.
struct StopRequested {};

// An arithmetic or file failure; the driver shows `what()` with the caption
// "ERROR" before it releases the run.
class RunFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace calvorn
