// What the wrapper script tells the end-to-end test: where qvlogdl.exe and
// the expected files are, and where the simulators listen.
#pragma once

#include <string>

struct E2eOptions {
    std::string qvlogdl;     // --qvlogdl EXE
    std::string work;        // --work DIR: a fresh folder per case is made below it
    std::string expected;    // --expected DIR: the catalogue as qvsim --dump wrote it
    std::string ftdiFolder;  // --ftdi DIR: an ftd2xx.dll that reports one instrument on --com
    int tcpPort = 0;         // --tcp-port N: qvsim on 127.0.0.1 with the catalogue
    int noSdPort = 0;        // --no-sd-port N: qvsim on 127.0.0.1 without an SD card
    int comPort = 0;         // --com N: COMN is the pseudo-terminal of a qvsim --pty
};

// Reads the options left after GoogleTest took its own; false with `error`
// when one is missing or unknown.
bool ParseE2eOptions(int argc, char** argv, E2eOptions& options, std::string& error);

const E2eOptions& TestOptions();
