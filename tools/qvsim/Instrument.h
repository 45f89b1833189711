// The instrument's side of the frame protocol: answers the tool's requests
// from a catalogue and pushes data blocks, one per acknowledgement. It has no
// sockets, threads or clock of its own: the transport feeds it the bytes it
// receives with the time, pumps out the bytes to send, and waits until
// NextDeadline. Tests drive it the same way on a virtual clock. Not
// thread-safe: one caller.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/Frame.h"
#include "tools/qvsim/Catalogue.h"
#include "tools/qvsim/OutgoingLine.h"

namespace qvsim {

class FrameLog;

struct InstrumentConfig {
    FaultConfig line;
    uint8_t connectStatus = 0;
    bool sdMissing = false;        // catalogue and file commands answer 11
    bool unsupported = false;      // catalogue and file commands answer 255 (before sdMissing)
    uint32_t busy = 0;             // the first N CMD_GET_FILE of each file answer 13
    uint32_t errorBlockAt = 0;     // the Nth block of a sequence carries BLOCK_ERROR; 0: none
    int32_t silentAfter = -1;      // no more blocks after the Nth until the next request; -1: never
    uint32_t replyDelayMs = 0;     // every request is answered this much later
    uint32_t turnaroundMs = 0;     // every data block goes out this much later
    uint32_t blockSize = FRAME_PAYLOAD_MAX;  // largest data-block payload
    bool logEnable = true;
    uint32_t logSize = 1024 * 1024;
};

class Instrument : private FrameSink {
public:
    static constexpr size_t INPUT_FRAMES = 8;  // received frames waiting for their turn
    static constexpr size_t BUSY_FILES = 64;   // files whose --busy count is remembered

    // `catalogue` and `log` (which may be null) must outlive the instrument.
    Instrument(Catalogue& catalogue, const InstrumentConfig& config, FrameLog* log);

    // A new peer on the line: everything of the last one is forgotten except
    // the settings and the --busy counts, which belong to the instrument.
    void Connect(int64_t now);
    // Bytes from the peer, in order, cut anywhere.
    void Receive(const uint8_t* bytes, size_t count, int64_t now);
    // Handles the frames whose time has come and writes what is due.
    void Pump(int64_t now, ByteOutput& out);
    // When Pump next has work; NO_DEADLINE when only new input can bring
    // some. With `outputBlocked` the transport waits to be writable anyway,
    // so pending output does not count.
    int64_t NextDeadline(bool outputBlocked) const;
    // The line closed (--close-after) and its last byte went out.
    bool WantsClose() const { return m_line.Closed() && m_line.Empty(); }

    bool LogEnable() const { return m_logEnable; }
    uint32_t LogSize() const { return m_logSize; }
    // Frames received but thrown away because too many were waiting.
    uint32_t DroppedInput() const { return m_droppedInput; }

private:
    struct Received {
        uint8_t sync;
        int64_t due;
        CommandRequest frame;
    };
    enum class Sequence : uint8_t { NONE, DATES, TIMES, FILE };

    void OnFrame(const FrameImage& image) override;
    void Handle(const Received& received, int64_t now);
    void HandleRequest(const CommandRequest& request, int64_t now);
    // Each answers one request; false when its payload is too short or
    // names a setting the instrument does not have.
    bool AnswerConnectionOrSetting(const CommandRequest& request, int64_t now);
    bool AnswerCatalogue(const CommandRequest& request, int64_t now);
    static bool IsCatalogueCommand(uint8_t command);
    // `arrived`: when the acknowledgement reached the instrument.
    void OnAcknowledgement(uint8_t code, int64_t now, int64_t arrived);

    void Reply(uint8_t command, uint8_t status, const uint8_t* payload, uint32_t length,
               int64_t now);
    // The status that a catalogue or file command gets from the fault switches; 0: none.
    uint8_t RefusalStatus(uint8_t command) const;
    bool Busy(size_t run, uint16_t file);

    void StartSequence(Sequence kind, size_t first, size_t end, int64_t now);
    void SendNextBlock(int64_t now, int64_t askedAt);
    // Puts m_lastBlock on the line, or holds it for --turnaround counted
    // from `askedAt`, when the request for it arrived.
    void QueueBlock(int64_t now, int64_t askedAt);
    // Puts a held block on the line once its time has come.
    void ReleaseBlock(int64_t now);
    void EndSequence();

    Catalogue& m_catalogue;
    InstrumentConfig m_config;
    FrameLog* m_log;
    OutgoingLine m_line;
    FrameParser m_parser;

    Received m_input[INPUT_FRAMES];
    size_t m_inputHead = 0;
    size_t m_inputCount = 0;
    int64_t m_receivedAt = 0;  // time of the bytes being parsed
    uint32_t m_droppedInput = 0;

    bool m_logEnable;
    uint32_t m_logSize;

    struct BusyCount {
        size_t run;
        uint16_t file;
        uint32_t refused;
    };
    BusyCount m_busy[BUSY_FILES];
    size_t m_busyCount = 0;
    size_t m_busyNext = 0;  // the slot a new file takes once all are used

    // The block sequence in progress. Items are run indices for dates and
    // times, bytes for a file.
    Sequence m_sequence = Sequence::NONE;
    uint64_t m_next = 0;
    uint64_t m_end = 0;
    size_t m_fileRun = 0;
    uint16_t m_fileNumber = 0;
    uint32_t m_blocksSent = 0;
    bool m_finalSent = false;  // the last (or an error) block is out; its ack ends the sequence
    bool m_silent = false;
    uint8_t m_lastBlock[FRAME_MAX];
    size_t m_lastBlockSize = 0;
    bool m_blockHeld = false;  // m_lastBlock waits for m_blockDue (--turnaround)
    int64_t m_blockDue = 0;
    uint8_t m_payload[FRAME_PAYLOAD_MAX];
    uint8_t m_frame[FRAME_MAX];
};

}  // namespace qvsim
