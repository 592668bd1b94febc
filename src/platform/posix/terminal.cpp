#include "platform/terminal.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace calvorn {

bool terminalCanRedraw(std::FILE* stream)
{
    if (isatty(fileno(stream)) != 1) return false;
    const char* term = std::getenv("TERM");
    return term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0;
}

} // namespace calvorn
