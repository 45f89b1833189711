// The command line, as users and scripts write it.
#include "tools/qvsim/Options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qvsim_test {
namespace {

using qvsim::Options;

bool Parse(std::vector<const char*> args, Options& options, std::string& error) {
    args.insert(args.begin(), "qvsim");
    return qvsim::ParseOptions(static_cast<int>(args.size()), args.data(), options, error);
}

// The options of a command line that must parse.
Options Parsed(const std::vector<const char*>& args) {
    Options options;
    std::string error;
    EXPECT_TRUE(Parse(args, options, error)) << error;
    return options;
}

TEST(Options, DefaultsServeAGeneratedCatalogueOnTheDefaultPort) {
    const Options o = Parsed({});
    EXPECT_EQ(o.transport, qvsim::Transport::TCP);
    EXPECT_EQ(o.listenPort, 10101);
    EXPECT_EQ(o.listenAddress[0], 127);
    EXPECT_TRUE(o.logsDir.empty());
    EXPECT_EQ(o.generateRuns, 3u);
    EXPECT_EQ(o.instrument.blockSize, 1024u);
    EXPECT_EQ(o.instrument.silentAfter, -1);
    EXPECT_EQ(o.instrument.line.closeAfter, -1);
}

TEST(Options, EveryOptionReachesItsSetting) {
    const Options o = Parsed({"--listen", "0.0.0.0:0", "--generate=5,6,7", "--dump", "d", "--block-size", "100",
                              "--log-enable", "0", "--log-size", "20480", "--connect-status", "5", "--sd-missing",
                              "--unsupported", "--busy", "3", "--error-block-at", "2", "--silent-after", "0",
                              "--drop-every", "4", "--corrupt-every", "5", "--noise", "--split", "--reply-delay",
                              "3500", "--turnaround", "11", "--close-after", "9", "--baud", "9600", "--seed",
                              "18446744073709551615", "-v", "--record", "r.txt", "--logging-rate", "2000"});
    EXPECT_EQ(o.listenAddress[0], 0);
    EXPECT_EQ(o.listenPort, 0);
    EXPECT_EQ(o.generateRuns, 5u);
    EXPECT_EQ(o.generateFiles, 6u);
    EXPECT_EQ(o.generateBytes, 7u);
    EXPECT_EQ(o.dumpDir, "d");
    const qvsim::InstrumentConfig& i = o.instrument;
    EXPECT_EQ(i.blockSize, 100u);
    EXPECT_FALSE(i.logEnable);
    EXPECT_EQ(i.logSize, 20480u);
    EXPECT_EQ(i.connectStatus, 5);
    EXPECT_TRUE(i.sdMissing && i.unsupported && i.line.noise && i.line.split && o.verbose);
    EXPECT_EQ(i.busy, 3u);
    EXPECT_EQ(i.errorBlockAt, 2u);
    EXPECT_EQ(i.silentAfter, 0);
    EXPECT_EQ(i.line.dropEvery, 4u);
    EXPECT_EQ(i.line.corruptEvery, 5u);
    EXPECT_EQ(i.replyDelayMs, 3500u);
    EXPECT_EQ(i.turnaroundMs, 11u);
    EXPECT_EQ(i.line.closeAfter, 9);
    EXPECT_EQ(i.line.baud, 9600u);
    EXPECT_EQ(i.line.seed, UINT64_MAX);
    EXPECT_EQ(o.recordPath, "r.txt");
    EXPECT_EQ(o.loggingRate, 2000u);

    const Options pty = Parsed({"--pty", "/tmp/qv", "--logs", "/srv/logs"});
    EXPECT_EQ(pty.transport, qvsim::Transport::PTY);
    EXPECT_EQ(pty.serialPath, "/tmp/qv");
    EXPECT_EQ(pty.logsDir, "/srv/logs");
    EXPECT_TRUE(Parsed({"-h"}).help);
    EXPECT_FALSE(Parsed({"-h"}).version);
    EXPECT_TRUE(Parsed({"--version"}).version);
}

TEST(Options, AFleetGivesEachInstrumentItsFaultsRateAndDump) {
    const Options o = Parsed({"--instruments", "3", "--fault-instrument", "2", "--drop-every", "4", "--block-size",
                              "100", "--logging-rates", "0,5,7", "--dump", "d"});
    EXPECT_EQ(o.instruments, 3u);
    EXPECT_EQ(qvsim::ConfigOf(o, 2).line.dropEvery, 4u);
    EXPECT_EQ(qvsim::ConfigOf(o, 3).line.dropEvery, 0u) << "faults are the second's alone";
    EXPECT_EQ(qvsim::ConfigOf(o, 3).blockSize, 100u) << "what every instrument holds";
    EXPECT_EQ(qvsim::LoggingRateOf(o, 1) + qvsim::LoggingRateOf(o, 3), 7u);
    EXPECT_EQ(qvsim::DumpDirOf(o, 2), "d/2");
    EXPECT_FALSE(qvsim::DumpsAndExits(o)) << "two of them log";

    const Options alone = Parsed({"--dump", "d", "--drop-every", "4"});
    EXPECT_EQ(qvsim::DumpDirOf(alone, 1), "d");
    EXPECT_EQ(qvsim::ConfigOf(alone, 1).line.dropEvery, 4u);
    EXPECT_TRUE(qvsim::DumpsAndExits(alone));
}

TEST(Options, MistakesAreNamed) {
    const std::vector<std::vector<const char*>> bad = {
        {"--bogus"},
        {"--listen"},
        {"--listen", "127.0.0.1"},
        {"--listen", "127.0.0:80"},
        {"--listen", "127.0.0.256:80"},
        {"--listen", "127.0.0.1:65536"},
        {"--generate", "3,4"},
        {"--generate", "3,65536,10"},
        {"--block-size", "0"},
        {"--block-size", "1025"},
        {"--log-enable", "2"},
        {"--connect-status", "256"},
        {"--error-block-at", "0"},
        {"--drop-every", "0"},
        {"--baud", "-9600"},
        {"--turnaround", "3600001"},
        {"--seed", "18446744073709551616"},
        {"--busy", "12x"},
        {"--logging-rate", "100000001"},
        {"--noise=1"},
        {"--version=1"},
        {"--logs", "a", "--generate", "1,1,1"},
        {"--pty", "a", "--serial", "b"},
        {"--pty", "a", "--listen", "127.0.0.1:1"},
        {"--instruments", "0"},
        {"--instruments", "257"},
        {"--instruments", "2", "--pty", "a"},
        {"--instruments", "3", "--listen", "127.0.0.1:65534"},
        {"--fault-instrument", "2"},
        {"--logging-rates", "1,2"},
        {"--logging-rates", "1,,2", "--instruments", "3"},
        {"--logging-rate", "1", "--logging-rates", "1"},
    };
    for (const auto& args : bad) {
        Options o;
        std::string error;
        EXPECT_FALSE(Parse(args, o, error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
    Options o;
    std::string error;
    Parse({"--busy", "12x"}, o, error);
    EXPECT_NE(error.find("--busy"), std::string::npos) << error;
}

TEST(Options, HelpListsEveryOption) {
    const std::string usage = qvsim::UsageText();
    for (const char* name : {"--listen", "--pty", "--serial", "--logs", "--generate", "--dump",
                             "--block-size", "--log-enable", "--log-size", "--connect-status",
                             "--sd-missing", "--unsupported", "--busy", "--error-block-at",
                             "--silent-after", "--drop-every", "--corrupt-every", "--noise", "--split",
                             "--reply-delay", "--turnaround", "--close-after", "--baud", "--seed", "--logging-rate", "--verbose",
                             "--record", "--help", "--version", "--instruments", "--logging-rates",
                             "--fault-instrument"})
        EXPECT_NE(usage.find(name), std::string::npos) << name;
}

}  // namespace
}  // namespace qvsim_test
