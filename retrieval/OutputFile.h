// The last step of a download: the finished file takes its own name.
#pragma once

// Renames `from` to `to`, replacing a file of that name in one step, so a
// reader sees either the old file or the new one, never neither. False, with
// both left as they were, when the system refuses.
bool ReplaceWithFinishedFile(const char* from, const char* to);
