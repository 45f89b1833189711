// A small INI reader and writer that behaves as the Windows private-profile
// functions do for setting.ini: every line the caller does not write keeps
// its bytes, so comments, unknown keys and foreign sections survive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class IniFile {
public:
    // Files larger than this are not ours: reading fails and writing refuses,
    // so an odd file is never cut down.
    static constexpr size_t FILE_MAX = 1 << 20;

    IniFile() = default;
    // Takes a file's text, with CRLF or LF line ends (a UTF-8 mark at the
    // start is kept and skipped).
    explicit IniFile(const std::string& text);

    // The value of key in the first section of that name, trimmed of blanks
    // and of one pair of matching quotes, cut to size - 1 characters and
    // terminated. Returns its length; 0 when missing or empty.
    uint32_t Get(const char* section, const char* key, char* buffer, uint32_t size) const;

    // Replaces the key's line in place, or appends it to its section (before
    // trailing blank lines), or appends the section at the end. New lines end
    // as the file's first line does; a new file's with CRLF. False for names
    // or values that would not read back as the same single line.
    bool Set(const char* section, const char* key, const char* value);

    std::string Text() const;

private:
    struct Line {
        std::string text;  // without its line end
        std::string end;   // "\r\n", "\n", or "" for a last line without one
    };

    size_t FindSection(const char* section) const;
    size_t SectionEnd(size_t header) const;
    size_t FindKey(size_t header, const char* key) const;
    void Insert(size_t index, std::string text);

    std::vector<Line> m_lines;
    std::string m_newline = "\r\n";
    bool m_byteOrderMark = false;
};

// The file-level operations behind the profile functions off Windows.
uint32_t ReadIniText(const char* path, const char* section, const char* key, char* buffer,
                     uint32_t size);
bool WriteIniText(const char* path, const char* section, const char* key, const char* value);
