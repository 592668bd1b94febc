// The program's own definition of the fault point: every call goes ahead.
// (Kept alone in its file: a test build that links its own definition leaves
// this one out of the link.)
#include "platform/file_faults.h"

namespace calvorn {

FileFault fileFaultBefore(FileOperation, std::string_view) { return {}; }

} // namespace calvorn
