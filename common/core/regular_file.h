#pragma once
// Opening a file that the user named, without ever waiting on it. A FIFO blocks an ordinary open
// until a peer comes (for good, if none does), a device never ends or swallows what is written,
// and a pipe whose reader goes away kills a writer with SIGPIPE: only a regular file is a file
// here.

#include <cstdio>
#include <string>

namespace qx {

enum class FileAccess { Read, Write, Append };

// The opened file as a buffered stream, or nullptr when `path` cannot be opened or is not a
// regular file. Write creates the file or empties an existing one, as "wb" does, but empties it
// only once it is known to be a regular file; Append creates it or writes after its end, as "ab".
std::FILE* OpenRegularFile(const std::string& path, FileAccess access);

}  // namespace qx
