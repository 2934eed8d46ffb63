// The functions as the faces call them where the C export does not fit them
// (defined in entries.cpp and with the exports).
#pragma once

#include "Karvelin.h"
#include "module/text_buffer.h"

namespace karvelin {

namespace files {
class SilentRun;     // files/run_silent.h
class PreparedCopy;  // files/copy_file.h
class TreeRemoval;   // files/tree_removal.h
}

namespace entry {
// RunSilent made ready with the system's process start, and run by calling
// it: the Python 3 face makes it with the interpreter lock held (it reads
// COMSPEC and the environment, which other Python threads may change) and
// runs it with the lock released.
files::SilentRun PrepareRunSilent(const char* command, const char* argument) noexcept;
// CopyTheFile made ready in the same way: the Python 3 face settles the
// current folder the names are taken against with the lock held.
files::PreparedCopy PrepareCopyTheFile(const char* source, const char* destination) noexcept;
// DelFilesAndDir made ready with the system's tree seam (and on Windows its
// clean-up commands), and run by calling it: made with the lock held, it
// settles the path against the current folder and tells what is protected.
files::TreeRemoval PrepareDelFilesAndDir(const char* path) noexcept;
// The text-buffer functions, told the buffer's size (defined with the exports).
void TrimRight(TextBuffer& text) noexcept;
void TrimLeft(TextBuffer& text) noexcept;
UnusedInPython GetHostIPAddr(TextBuffer& records) noexcept;
ResultCode GetAddress(TextBuffer& text) noexcept;
}  // namespace entry

}  // namespace karvelin
