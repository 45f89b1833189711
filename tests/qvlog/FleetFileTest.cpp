#include "tools/qvlog/FleetFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TempFolder.h"
#include "tools/qvlog/Encoding.h"

namespace {

// The issue's example, as lab staff would write it.
const std::string EXAMPLE = std::string(u8"[fleet]\n") +
                            "out = D:\\QV500\\logs      ; each instrument's files go below this\n"
                            "jobs = 8                 ; instruments pulled at once\n" +
                            u8"[恒温槽-1]\n" + "tcp = 192.168.0.101      ; HOST[:PORT] as for --tcp\n" +
                            u8"[炉-2]\n" + "serial = COM4\n" +
                            "out = E:\\furnace\\logs    ; an instrument may name its own folder\n";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// One line per instrument, so that a difference shows where it is.
std::string Described(const Fleet& fleet) {
    std::string text = fleet.out + " jobs " + std::to_string(fleet.jobs) + "\n";
    for (const FleetInstrument& i : fleet.instruments)
        text += i.name + "@" + std::to_string(i.line) + (i.tcp ? " tcp " + i.host + ":" + std::to_string(i.port)
                                                               : " serial " + i.serialPort) +
                " -> " + i.folder + "\n";
    return text;
}

struct Read {
    bool ok;
    Fleet fleet;
    std::string error;
    std::string file;
};

// The fleet file sits in a folder of its own, so that folders taken from the
// current folder instead of the file's show.
Read ReadText(const TempFolder& temp, const std::string& bytes, Language language = Language::ENGLISH) {
    const std::filesystem::path file = temp / "lab" / "fleet.ini";
    std::filesystem::create_directories(file.parent_path());
    WriteText(file, bytes);
    Read read{false, Fleet(), "", Utf8FromPath(file)};
    read.ok = ReadFleet(file, language, read.fleet, read.error);
    return read;
}

std::string InLab(const TempFolder& temp, const std::string& relative) {
    const std::filesystem::path lab = temp / "lab";
    return Utf8FromPath(relative.empty() ? lab : (lab / PathFromUtf8(relative)).lexically_normal());
}

TEST(FleetFile, ExampleReadsAlikeAsUtf8WithOrWithoutMarkAndAsShiftJis) {
    TempFolder temp;
    const Read plain = ReadText(temp, EXAMPLE);
    ASSERT_TRUE(plain.ok) << plain.error;
    EXPECT_EQ(plain.fleet.jobs, 8);
    ASSERT_EQ(plain.fleet.instruments.size(), 2u);
    const FleetInstrument& bath = plain.fleet.instruments[0];
    const FleetInstrument& furnace = plain.fleet.instruments[1];
    EXPECT_EQ(bath.name + "@" + std::to_string(bath.line), u8"恒温槽-1@4");
    EXPECT_TRUE(bath.tcp && bath.host == "192.168.0.101" && bath.port == 10101) << Described(plain.fleet);
    EXPECT_EQ(furnace.name + "@" + std::to_string(furnace.line), u8"炉-2@6");
    EXPECT_TRUE(!furnace.tcp && furnace.serialPort == "COM4") << Described(plain.fleet);
    EXPECT_EQ(bath.folder, Utf8FromPath(PathFromUtf8(plain.fleet.out) / PathFromUtf8(bath.name)));

    const std::string crlf = Replaced(EXAMPLE, "\n", "\r\n");
    const std::string shiftJis =
        Replaced(Replaced(crlf, u8"恒温槽", "\x8d\x50\x89\xb7\x91\x85"), u8"炉", "\x98\x46");
    for (const std::string& bytes : {"\xEF\xBB\xBF" + crlf, shiftJis}) {
        const Read read = ReadText(temp, bytes);
        ASSERT_TRUE(read.ok) << read.error;
        EXPECT_EQ(Described(read.fleet), Described(plain.fleet));
    }
}

TEST(FleetFile, FoldersAreTakenFromTheFleetFilesFolder) {
    TempFolder temp;
    const struct {
        std::string text;
        std::string out;
        std::vector<std::string> folders;
    } cases[] = {
        {"[a]\ntcp=h\n", "", {"a"}},
        {"[FLEET]\nOut = logs/ \n[a]\nTCP = h:80\n[b]\nserial=COM4\nOUT = other/../b2\n", "logs", {"logs/a", "b2"}},
        // Quoted as Windows reads an INI file: one matching pair goes.
        {"[fleet]\nout = \"my logs\"\n[a]\ntcp = \"h:80\"\n[b]\nserial='COM4'\nout = 'b 2' ; hers\n", "my logs",
         {"my logs/a", "b 2"}},
    };
    for (const auto& c : cases) {
        const Read read = ReadText(temp, c.text);
        ASSERT_TRUE(read.ok) << read.error;
        EXPECT_EQ(read.fleet.out, InLab(temp, c.out)) << c.text;
        ASSERT_EQ(read.fleet.instruments.size(), c.folders.size()) << c.text;
        for (size_t i = 0; i < c.folders.size(); ++i)
            EXPECT_EQ(read.fleet.instruments[i].folder, InLab(temp, c.folders[i])) << c.text;
    }
}

TEST(FleetFile, BadFilesNameTheLineAndTheFault) {
    TempFolder temp;
    const struct {
        std::string text;
        int line;  // 0: the whole file
        std::string words;
    } cases[] = {
        {"[fleet]\nout = logs\n", 0, "lists no instrument"},
        {"", 0, "lists no instrument"},
        {std::string("\xFF\xFE[\0a\0]\0", 8), 0, "neither UTF-8 nor Shift_JIS"},
        {"\xEF\xBB\xBF[\x8d\x50]\ntcp=h\n", 0, "neither UTF-8 nor Shift_JIS"},
        {std::string(1024 * 1024 + 1, ';'), 0, "larger than 1048576 bytes"},
        {"[a]\ntcp=h\n;" + std::string(4096, 'x') + "\n", 3, "longer than 4096 bytes"},
        {"out = logs\n[a]\ntcp=h\n", 1, "out comes before any [section]"},
        {"[a]\nout = x\n[b]\ntcp=h\n", 1, "[a] has neither tcp"},
        {"[b]\ntcp=h\n[a]\n", 3, "[a] has neither tcp"},
        {"[a]\ntcp = h\nserial = COM4\n", 3, "[a] has both tcp and serial"},
        {"[a]\ntcp = h:0\n", 2, "port must be a number from 1 to 65535: 0"},
        {"[a]\ntcp = h:65536\n", 2, "port must be a number from 1 to 65535: 65536"},
        {"[a]\ntcp = h:\n", 2, "port must be"},
        {"[a]\ntcp = :10101\n", 2, "tcp needs a host"},
        {"[a]\nserial =   ; later\n", 2, "serial needs a value"},
        {"[a]\ntcp=h\nbaud = 9600\n", 3, "[a] takes tcp, serial, out, not baud"},
        {"[fleet]\ntcp = h\n", 2, "[fleet] takes out, jobs, not tcp"},
        {"[a]\ntcp=h\nTcp=g\n", 3, "tcp given twice in [a]"},
        {"[a]\ntcp=h\n[b]\ntcp=h\n[a]\nserial=COM4\n", 5, "[a] given twice (first on line 1)"},
        {"[fleet]\n[Fleet]\n[a]\ntcp=h\n", 2, "[Fleet] given twice"},
        {"[fleet]\njobs = 65\n[a]\ntcp=h\n", 2, "jobs must be a number from 1 to 64: 65"},
        {"[fleet]\njobs = 0\n[a]\ntcp=h\n", 2, "jobs must be"},
        {"[a]\ntcp=h\nhello\n", 3, "neither [NAME] nor KEY = VALUE: hello"},
        {"[a\ntcp=h\n", 1, "neither [NAME] nor KEY = VALUE"},
        {"[a]\ntcp=h\x01\n", 2, "control character"},
        {"[a:b]\ntcp=h\n", 1, "[a:b] cannot name a folder"},
        {"[..]\ntcp=h\n", 1, "cannot name a folder"},
        {"[a.]\ntcp=h\n", 1, "cannot name a folder"},
        {"[]\ntcp=h\n", 1, "cannot name a folder"},
        {"[Com1.log]\ntcp=h\n", 1, "cannot name a folder"},
        {"[fleet]\nout = logs\n[a]\ntcp=h\n[b]\nserial=COM4\nout = ./logs/a/\n", 7, "[b] and [a] (line 3) share"},
        {"[a]\ntcp=h\nout=x\n[b]\ntcp=g\nout=x\n", 6, "[b] and [a] (line 1) share the folder"},
    };
    for (const auto& c : cases) {
        const Read read = ReadText(temp, c.text);
        const std::string where = read.file + (c.line > 0 ? ":" + std::to_string(c.line) : std::string()) + ": ";
        EXPECT_FALSE(read.ok) << c.text.substr(0, 80);
        EXPECT_EQ(read.error.substr(0, where.size()), where) << read.error;
        EXPECT_NE(read.error.find(c.words), std::string::npos) << read.error << "\nexpected: " << c.words;
    }

    const Read japanese = ReadText(temp, "[a]\n", Language::JAPANESE);
    EXPECT_NE(japanese.error.find(u8":1: [a] に tcp = ホスト"), std::string::npos) << japanese.error;
    Fleet fleet;
    std::string error;
    EXPECT_FALSE(ReadFleet(temp / "none.ini", Language::ENGLISH, fleet, error));
    EXPECT_EQ(error, Utf8FromPath(temp / "none.ini") + ": no such file");
}

TEST(FleetFile, OnlyKeepsTheNamedInstrumentsInTheFilesOrder) {
    TempFolder temp;
    const Read read = ReadText(temp, "[a]\ntcp=h\n[b]\ntcp=h\n[c]\nserial=COM4\n");
    ASSERT_TRUE(read.ok) << read.error;
    const struct {
        std::string only;
        bool ok;
        std::string kept;  // or the error
    } cases[] = {
        {"", true, "abc"},
        {" c , a", true, "ac"},
        {"b,b,", true, "b"},
        {"a,zz", false, "--only: the fleet file lists no instrument [zz]"},
    };
    for (const auto& c : cases) {
        Fleet fleet = read.fleet;
        std::string error;
        EXPECT_EQ(SelectInstruments(fleet, c.only, Language::ENGLISH, error), c.ok) << c.only;
        std::string kept;
        for (const FleetInstrument& i : fleet.instruments) kept += i.name;
        EXPECT_EQ(c.ok ? kept : error, c.kept) << c.only;
    }
}

}  // namespace
