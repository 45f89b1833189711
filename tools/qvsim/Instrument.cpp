#include "tools/qvsim/Instrument.h"

#include <algorithm>

#include "link/ByteOrder.h"
#include "tools/qvsim/FrameLog.h"
#include "tools/qvsim/Protocol.h"

namespace qvsim {

namespace {

constexpr uint32_t DATE_RECORD = 4;  // year (16 bits), month, day
constexpr uint32_t TIME_RECORD = 3;  // hour, minute, second
// Each handled frame sends at most a reply and the first block.
constexpr size_t FRAMES_PER_REQUEST = 2;

RunStamp StampFrom(const uint8_t* payload) {
    return RunStamp{ReadBig16(payload), payload[2], payload[3], payload[4], payload[5], payload[6]};
}

}  // namespace

Instrument::Instrument(Catalogue& catalogue, const InstrumentConfig& config, FrameLog* log)
    : m_catalogue(catalogue),
      m_config(config),
      m_log(log),
      m_line(config.line, log),
      m_logEnable(config.logEnable),
      m_logSize(config.logSize) {
    if (m_config.blockSize == 0 || m_config.blockSize > FRAME_PAYLOAD_MAX)
        m_config.blockSize = FRAME_PAYLOAD_MAX;
}

void Instrument::Connect(int64_t) {
    m_parser.Reset();
    m_inputHead = m_inputCount = 0;
    m_line.Reset();
    EndSequence();
}

void Instrument::Receive(const uint8_t* bytes, size_t count, int64_t now) {
    m_receivedAt = now;
    m_parser.Feed(bytes, count, *this);
}

void Instrument::OnFrame(const FrameImage& image) {
    const CommandRequest& body = image.body;
    if (body.length > static_cast<int32_t>(FRAME_PAYLOAD_MAX)) {
        // No request of the tool comes near this size: it is line noise
        // that happened to sum up.
        if (m_log) {
            uint8_t header[5] = {image.sync, body.command, body.status, 0, 0};
            WriteBig16(header + 3, static_cast<uint32_t>(body.length));
            m_log->Frame(m_receivedAt, "<-", header, sizeof header, "oversized frame ignored");
        }
        return;
    }
    const bool full = m_inputCount == INPUT_FRAMES;
    if (m_log) {
        const size_t size = BuildFrame(image.sync, body.command, body.status,
                                       static_cast<uint32_t>(body.length), body.data, m_frame);
        m_log->Frame(m_receivedAt, "<-", m_frame, size, full ? "dropped: too many waiting" : nullptr);
    }
    if (full) {
        ++m_droppedInput;
        return;
    }
    int64_t due = m_receivedAt;
    if (image.sync == SYNC_REQUEST) due += static_cast<int64_t>(m_config.replyDelayMs) * 1000;
    // Frames are handled in arrival order, so an acknowledgement never
    // overtakes a delayed request.
    if (m_inputCount > 0)
        due = std::max(due, m_input[(m_inputHead + m_inputCount - 1) % INPUT_FRAMES].due);
    Received& slot = m_input[(m_inputHead + m_inputCount) % INPUT_FRAMES];
    slot.sync = image.sync;
    slot.due = due;
    slot.frame.command = body.command;
    slot.frame.status = body.status;
    slot.frame.length = body.length;
    std::copy(body.data, body.data + body.length, slot.frame.data);
    ++m_inputCount;
}

void Instrument::Pump(int64_t now, ByteOutput& out) {
    for (;;) {
        ReleaseBlock(now);
        while (m_inputCount > 0 && m_input[m_inputHead].due <= now &&
               m_line.HasRoom(FRAMES_PER_REQUEST)) {
            Handle(m_input[m_inputHead], now);
            m_inputHead = (m_inputHead + 1) % INPUT_FRAMES;
            --m_inputCount;
        }
        m_line.Pump(now, out);
        // Writing may have made room for the next waiting frame or block.
        const bool blockDue = m_blockHeld && m_blockDue <= now && m_line.HasRoom(1);
        const bool inputDue = m_inputCount > 0 && m_input[m_inputHead].due <= now &&
                              m_line.HasRoom(FRAMES_PER_REQUEST);
        if (!blockDue && !inputDue) return;
    }
}

int64_t Instrument::NextDeadline(bool outputBlocked) const {
    int64_t at = NO_DEADLINE;
    if (m_inputCount > 0 && m_line.HasRoom(FRAMES_PER_REQUEST)) at = m_input[m_inputHead].due;
    if (m_blockHeld && m_line.HasRoom(1)) at = std::min(at, m_blockDue);
    if (!outputBlocked) at = std::min(at, m_line.NextDeadline());
    return at;
}

void Instrument::Handle(const Received& received, int64_t now) {
    if (received.sync == SYNC_RESPONSE) {
        // The tool sends no response frames but acknowledgements.
        if (received.frame.command == CMD_DATA_BLOCK) OnAcknowledgement(received.frame.status, now, received.due);
        return;
    }
    HandleRequest(received.frame, now);
}

void Instrument::HandleRequest(const CommandRequest& request, int64_t now) {
    if (request.command == CMD_CONNECT) {
        m_line.Restart();
    } else if (m_line.Closed()) {
        return;  // a closed serial line wakes up only for a new connection
    }
    // Any request ends the block sequence in progress.
    EndSequence();
    // Counts and sizes show what has been logged by now, and a new setting
    // holds from now on, not for the time before. Other requests leave the
    // catalogue be, so a --dump stays as the last of these found it.
    if (request.command == CMD_GET_FILE_COUNT || request.command == CMD_GET_FILE ||
        request.command == CMD_SET_LOG_ENABLE || request.command == CMD_SET_LOG_SETTING)
        m_catalogue.CatchUp(now, m_logEnable, m_logSize);
    if (const uint8_t status = RefusalStatus(request.command)) {
        Reply(request.command, status, nullptr, 0, now);
        return;
    }

    const bool answered = IsCatalogueCommand(request.command) ? AnswerCatalogue(request, now)
                                                               : AnswerConnectionOrSetting(request, now);
    // A known command with a payload too short, or a setting item other than
    // the one the instrument has.
    if (!answered) Reply(request.command, STATUS_BAD_REQUEST, nullptr, 0, now);
}

bool Instrument::AnswerConnectionOrSetting(const CommandRequest& request, int64_t now) {
    const uint8_t* data = request.data;
    const int32_t length = request.length;
    uint8_t payload[8];
    switch (request.command) {
    case CMD_CONNECT: Reply(CMD_CONNECT, m_config.connectStatus, nullptr, 0, now); return true;
    case CMD_DISCONNECT: Reply(CMD_DISCONNECT, STATUS_OK, nullptr, 0, now); return true;
    case CMD_SET_LOG_ENABLE:
        if (length < 1) return false;
        m_logEnable = data[0] != 0;
        Reply(request.command, STATUS_OK, nullptr, 0, now);
        return true;
    case CMD_GET_LOG_ENABLE:
        payload[0] = m_logEnable ? 1 : 0;
        Reply(request.command, STATUS_OK, payload, 1, now);
        return true;
    case CMD_SET_LOG_SETTING:
        if (length < 5 || data[0] != LOG_SETTING_FILE_SIZE) return false;
        m_logSize = ReadBig32(data + 1);
        Reply(request.command, STATUS_OK, nullptr, 0, now);
        return true;
    case CMD_GET_LOG_SETTING:
        if (length < 1 || data[0] != LOG_SETTING_FILE_SIZE) return false;
        payload[0] = LOG_SETTING_FILE_SIZE;
        WriteBig32(payload + 1, m_logSize);
        Reply(request.command, STATUS_OK, payload, 5, now);
        return true;
    default: Reply(request.command, STATUS_UNSUPPORTED, nullptr, 0, now); return true;
    }
}

bool Instrument::AnswerCatalogue(const CommandRequest& request, int64_t now) {
    const uint8_t* data = request.data;
    const int32_t length = request.length;
    uint8_t payload[8];
    size_t run = 0, first = 0, end = 0;
    switch (request.command) {
    case CMD_GET_FILE_COUNT:
        if (length < 7) return false;
        WriteBig16(payload, m_catalogue.FindRun(StampFrom(data), run) ? m_catalogue.FileCount(run) : 0);
        Reply(request.command, STATUS_OK, payload, 2, now);
        return true;
    case CMD_GET_DATES:
        Reply(request.command, STATUS_OK, nullptr, 0, now);
        StartSequence(Sequence::DATES, 0, m_catalogue.DateCount(), now);
        return true;
    case CMD_GET_TIMES:
        if (length < 4) return false;
        // A date without runs has no start times: an empty list, like a run
        // without files has a count of 0.
        m_catalogue.FindDate(ReadBig16(data), data[2], data[3], first, end);
        Reply(request.command, STATUS_OK, nullptr, 0, now);
        StartSequence(Sequence::TIMES, first, end, now);
        return true;
    default: {  // CMD_GET_FILE
        if (length < 9) return false;
        const uint16_t file = ReadBig16(data + 7);
        if (!m_catalogue.FindRun(StampFrom(data), run) || file >= m_catalogue.FileCount(run)) {
            Reply(request.command, STATUS_NOT_FOUND, nullptr, 0, now);
            return true;
        }
        if (Busy(run, file)) {
            Reply(request.command, STATUS_BUSY, nullptr, 0, now);
            return true;
        }
        const uint32_t size = m_catalogue.FileSize(run, file);
        WriteBig32(payload, size);
        Reply(request.command, STATUS_OK, payload, 4, now);
        m_fileRun = run;
        m_fileNumber = file;
        if (size > 0) StartSequence(Sequence::FILE, 0, size, now);
        return true;
    }
    }
}

bool Instrument::IsCatalogueCommand(uint8_t command) {
    return command == CMD_GET_FILE_COUNT || command == CMD_GET_DATES || command == CMD_GET_TIMES ||
           command == CMD_GET_FILE;
}

uint8_t Instrument::RefusalStatus(uint8_t command) const {
    if (!IsCatalogueCommand(command)) return 0;
    if (m_config.unsupported) return STATUS_UNSUPPORTED;
    if (m_config.sdMissing) return STATUS_NO_SD_CARD;
    return 0;
}

bool Instrument::Busy(size_t run, uint16_t file) {
    if (m_config.busy == 0) return false;
    for (size_t i = 0; i < m_busyCount; ++i) {
        BusyCount& entry = m_busy[i];
        if (entry.run == run && entry.file == file) {
            if (entry.refused >= m_config.busy) return false;
            ++entry.refused;
            return true;
        }
    }
    // Past BUSY_FILES distinct files the oldest is forgotten and would be
    // busy again; the tool asks for one file at a time.
    size_t slot = m_busyCount < BUSY_FILES ? m_busyCount++ : m_busyNext++ % BUSY_FILES;
    m_busy[slot] = BusyCount{run, file, 1};
    return true;
}

void Instrument::OnAcknowledgement(uint8_t code, int64_t now, int64_t arrived) {
    if (m_sequence == Sequence::NONE || m_silent) return;
    switch (code) {
    case ACK_OK:
        if (m_finalSent) EndSequence();
        else SendNextBlock(now, arrived);
        break;
    case ACK_RESEND:
        QueueBlock(now, arrived);
        break;
    case ACK_CANCEL:
        EndSequence();
        break;
    default:
        break;  // not an acknowledgement the tool sends
    }
}

void Instrument::Reply(uint8_t command, uint8_t status, const uint8_t* payload, uint32_t length,
                       int64_t now) {
    const size_t size = BuildFrame(SYNC_RESPONSE, command, status, length, payload, m_frame);
    m_line.Queue(m_frame, size, now);
}

void Instrument::StartSequence(Sequence kind, size_t first, size_t end, int64_t now) {
    m_sequence = kind;
    m_next = first;
    m_end = end;
    m_blocksSent = 0;
    m_finalSent = false;
    m_silent = m_config.silentAfter == 0;
    if (!m_silent) SendNextBlock(now, now);
}

void Instrument::SendNextBlock(int64_t now, int64_t askedAt) {
    uint8_t kind = BLOCK_KIND_DATES;
    uint32_t length = 0;
    bool readable = true;
    switch (m_sequence) {
    case Sequence::DATES: {
        const uint32_t records = std::max<uint32_t>(1, m_config.blockSize / DATE_RECORD);
        for (uint32_t r = 0; r < records && m_next < m_end; ++r, ++m_next) {
            const RunStamp& s = m_catalogue.Run(m_catalogue.DateFirstRun(static_cast<size_t>(m_next)));
            WriteBig16(m_payload + length, s.year);
            m_payload[length + 2] = s.month;
            m_payload[length + 3] = s.day;
            length += DATE_RECORD;
        }
        break;
    }
    case Sequence::TIMES: {
        kind = BLOCK_KIND_TIMES;
        const uint32_t records = std::max<uint32_t>(1, m_config.blockSize / TIME_RECORD);
        for (uint32_t r = 0; r < records && m_next < m_end; ++r, ++m_next) {
            const RunStamp& s = m_catalogue.Run(static_cast<size_t>(m_next));
            m_payload[length] = s.hour;
            m_payload[length + 1] = s.minute;
            m_payload[length + 2] = s.second;
            length += TIME_RECORD;
        }
        break;
    }
    case Sequence::FILE:
        kind = BLOCK_KIND_FILE;
        length = static_cast<uint32_t>(std::min<uint64_t>(m_config.blockSize, m_end - m_next));
        readable = m_catalogue.Read(m_fileRun, m_fileNumber, static_cast<uint32_t>(m_next),
                                    m_payload, length);
        m_next += length;
        break;
    case Sequence::NONE:
        return;
    }
    const uint32_t number = ++m_blocksSent;
    uint8_t flags = kind;
    if (m_next >= m_end) flags |= BLOCK_LAST;
    if (!readable) {
        // The tool must not store bytes the instrument could not read.
        if (m_log) m_log->Note(now, "file cannot be read: error block");
        flags = kind | BLOCK_ERROR;
        length = 0;
    }
    if (number == m_config.errorBlockAt) flags |= BLOCK_ERROR;
    // After an error block nothing more comes; a resend repeats it.
    m_finalSent = (flags & (BLOCK_LAST | BLOCK_ERROR)) != 0;
    m_lastBlockSize = BuildFrame(SYNC_REQUEST, CMD_DATA_BLOCK, flags, length, m_payload, m_lastBlock);
    QueueBlock(now, askedAt);
    if (m_config.silentAfter > 0 && number >= static_cast<uint32_t>(m_config.silentAfter))
        m_silent = true;
}

void Instrument::QueueBlock(int64_t now, int64_t askedAt) {
    if (m_config.turnaroundMs == 0) {
        m_line.Queue(m_lastBlock, m_lastBlockSize, now);
        return;
    }
    m_blockHeld = true;
    m_blockDue = askedAt + static_cast<int64_t>(m_config.turnaroundMs) * 1000;
}

void Instrument::ReleaseBlock(int64_t now) {
    if (!m_blockHeld || m_blockDue > now || !m_line.HasRoom(1)) return;
    m_blockHeld = false;
    m_line.Queue(m_lastBlock, m_lastBlockSize, now);
}

void Instrument::EndSequence() {
    // A block not yet sent belongs to the sequence that ends here.
    m_blockHeld = false;
    m_sequence = Sequence::NONE;
    m_silent = false;
    m_finalSent = false;
}

}  // namespace qvsim
