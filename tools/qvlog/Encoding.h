// Text at qvlog's edges. Inside qvlog every text is UTF-8; the dialog keeps
// its texts in the platform's narrow text (code page 932 on Windows, UTF-8
// elsewhere), and qvlog's own file work uses the platform's full names
// (wide on Windows), so a Japanese folder name means one folder to both.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// A text of the dialog (a catalogue message, a setting) as UTF-8.
std::string DialogTextToUtf8(const std::string& text);
// UTF-8 as the dialog's text, the way its file functions will read it.
// False when that cannot be done: on Windows a character outside code page
// 932, or file functions that read names in another code page.
bool Utf8ToDialogText(const std::string& utf8, std::string& text);

std::filesystem::path PathFromUtf8(const std::string& utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

// The command line as UTF-8, program name first (Windows: from the wide
// command line, as argv holds only the ANSI code page).
std::vector<std::string> Utf8Arguments(int argc, char** argv);
