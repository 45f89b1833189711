// What qvlog needs of the console: where its texts go, whether standard
// error is a terminal, and Ctrl-C turned into a flag the session polls.
#pragma once

#include <string>

// qvlog's two streams, given UTF-8: results on standard output, messages
// and progress on standard error.
class Output {
public:
    virtual ~Output() = default;
    virtual void Out(const std::string& utf8) = 0;
    virtual void Err(const std::string& utf8) = 0;
    virtual bool ErrIsTerminal() const = 0;
};

// The process's own streams. A Windows console is written in wide
// characters, so Japanese shows whatever its code page; a pipe or a file
// gets UTF-8 bytes, as everywhere else.
class ConsoleOutput : public Output {
public:
    ConsoleOutput();
    void Out(const std::string& utf8) override;
    void Err(const std::string& utf8) override;
    bool ErrIsTerminal() const override { return m_errTerminal; }

private:
    bool m_errTerminal;
};

// After this, Ctrl-C (SIGINT, SIGTERM) only sets the flag.
void InstallInterruptHandler();
bool InterruptRequested();
