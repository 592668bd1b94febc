// Whether a stream is shown on a terminal, and whether lines already shown
// there can be drawn again in place (the cursor moved up with the usual
// escape sequences; on Windows once the console is asked to understand them).
#pragma once

#include <cstdio>

namespace calvorn {

// True when `stream` is a terminal that redraws lines in place, after
// switching that on where it must be switched on. False for a file, a pipe,
// or a terminal that cannot (TERM=dumb).
bool terminalCanRedraw(std::FILE* stream);

} // namespace calvorn
