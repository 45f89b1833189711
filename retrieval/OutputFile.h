// The files a download writes, as the platform makes them: first
// "NAME.partial", a regular file of this download's own, held so that no
// second downloader can write it; then, once whole, NAME.
#pragma once

#include <cstdio>

enum class PartialOpen { OPENED, FAILED, IN_USE };

// Opens `path` anew (empty) for writing and holds it until it is closed.
// Whatever stands there that is not a regular file of its own (a link, a
// file with a second name) is removed first, never followed or written.
// Null, with `result` IN_USE when another download holds the file, FAILED
// otherwise.
std::FILE* OpenPartialFile(const char* path, PartialOpen* result);

// False when `path` stands taken by something the system will not let the
// finished file replace (a folder; on Windows a read-only file or one open
// in another program).
bool FinalNameReplaceable(const char* path);

// Renames `from` (still open and held) to `to`, replacing a file of that
// name in one step, so a reader sees either the old file or the new one,
// never neither. False, with both left as they were, when the system
// refuses.
bool ReplaceWithFinishedFile(const char* from, const char* to);
