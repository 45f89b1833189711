// Entry of the end-to-end test: runs on a desktop of its own, where the
// qvlogdl.exe it starts shows its dialog too.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "E2eOptions.h"
#include "tests/ui/win32/PrivateDesktop.h"

namespace {

E2eOptions options;

bool Number(const std::string& text, int& value) {
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || parsed <= 0 || parsed > 65535) return false;
    value = static_cast<int>(parsed);
    return true;
}

}  // namespace

const E2eOptions& TestOptions() { return options; }

bool ParseE2eOptions(int argc, char** argv, E2eOptions& out, std::string& error) {
    for (int i = 1; i < argc; i += 2) {
        const std::string name = argv[i];
        if (i + 1 >= argc) {
            error = name + " needs a value";
            return false;
        }
        const std::string value = argv[i + 1];
        bool good = true;
        if (name == "--qvlogdl") out.qvlogdl = value;
        else if (name == "--work") out.work = value;
        else if (name == "--expected") out.expected = value;
        else if (name == "--ftdi") out.ftdiFolder = value;
        else if (name == "--tcp-port") good = Number(value, out.tcpPort);
        else if (name == "--no-sd-port") good = Number(value, out.noSdPort);
        else if (name == "--com") good = Number(value, out.comPort);
        else {
            error = "unknown option " + name;
            return false;
        }
        if (!good) {
            error = "bad value for " + name + ": " + value;
            return false;
        }
    }
    if (out.qvlogdl.empty() || out.work.empty() || out.expected.empty() || out.ftdiFolder.empty() ||
        out.tcpPort == 0 || out.noSdPort == 0 || out.comPort == 0) {
        error = "needs --qvlogdl, --work, --expected, --ftdi, --tcp-port, --no-sd-port and --com";
        return false;
    }
    return true;
}

int main(int argc, char** argv) {
    if (!OnPrivateDesktop()) return RunOnPrivateDesktop("qv-e2e-test");
    testing::InitGoogleTest(&argc, argv);
    std::string error;
    if (!ParseE2eOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "qvlogdl_e2e: %s\n", error.c_str());
        return 2;
    }
    return RUN_ALL_TESTS();
}
