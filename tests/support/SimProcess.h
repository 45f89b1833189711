// A qvsim process for the tests: started with the given options, its first
// line read (where it listens), stopped and reaped when the test ends. Linux
// (tests/support/posix).
#pragma once

#include <csignal>
#include <string>
#include <vector>

class SimProcess {
public:
    // Starts `program` with `args`; its standard error goes to `errorPath`
    // (or nowhere when empty).
    SimProcess(const std::string& program, const std::vector<std::string>& args,
               const std::string& errorPath = "");
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The first line on its standard output, without the line end; empty
    // when none came within a few seconds.
    std::string FirstLine();
    // The line after the last one read, the first line included; the same.
    std::string NextLine();
    // The TCP port of "listening on 127.0.0.1:PORT", 0 when the line is not one.
    int Port();
    // The device of "serial on PATH", empty when the line is not one.
    std::string SerialPath();
    // Sends `signal` (0: none) and waits a little for the exit; the exit
    // status, or -1 when it did not exit normally in time.
    int Stop(int signal = SIGTERM);
    // Sends `signal` and returns at once (SIGSTOP, SIGCONT); false when it
    // could not be sent.
    bool Send(int signal);
    int Pid() const { return m_pid; }

    // Runs `program` with `args` to its end; its exit status, or -1.
    static int Run(const std::string& program, const std::vector<std::string>& args);

private:
    std::string ReadLine();

    int m_pid = -1;
    int m_out = -1;
    std::string m_line;
    bool m_lineRead = false;
};
