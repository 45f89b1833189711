// The protocol engine between the dialog and one instrument: owns the
// channel, runs the parser thread that turns received bytes into frames,
// keeps the last frame of every expected command in a fixed slot, and tells
// the dialog of each one by a posted message that points at the slot.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "comm/CComm.h"
#include "link/Frame.h"
#include "link/DialogPoster.h"

struct SerialPortName;
struct TcpTarget;

struct ResponseSlot {
    // Set while a posted frame waits for the dialog to take it; the parser
    // does not overwrite a busy slot, it holds the next frame back instead.
    bool busy;
    uint8_t key;
    FrameImage image;
};

class DeviceLink {
public:
    static constexpr size_t RESPONSE_SLOTS = 20;
    static constexpr size_t REQUEST_SLOTS = 4;
    // Frames held back while their slot is busy. While all of these wait,
    // the parser leaves further bytes in the ring: the ring fills, the
    // receive thread stops reading, and the line's own flow control (TCP's
    // window, RTS/CTS) holds the instrument back. No frame is lost.
    static constexpr size_t PENDING_FRAMES = 16;
    static constexpr uint32_t PASS_MILLISECONDS = 10;

    // How the parser thread runs its passes.
    enum Parsing {
        // One pass every 10 ms, whatever arrives: the dialog's cadence.
        PARSER_PACED,
        // A pass as soon as the channel appends bytes, else every 10 ms: a
        // block is handled when it arrives, not at the next beat (qvlog).
        PARSER_WAKES,
        // No thread: the owner drives the parser with PollOnce (tests on a
        // virtual clock).
        PARSER_POLLED,
    };

    // Opens `channel` with `parameters` and, if that succeeds, starts the
    // link; the link owns the channel either way and destroys it when it
    // could not be opened. `dialog` must outlive the link.
    DeviceLink(CComm* channel, const void* parameters, DialogPoster* dialog,
               Parsing parsing = PARSER_PACED);
    // Over a CSerial on COM port `comPort` (\\.\COMn). COM numbers exist on
    // Windows only: elsewhere the link stays closed.
    DeviceLink(int comPort, DialogPoster* dialog, Parsing parsing = PARSER_PACED);
    // Over a CSerial on the device at `port`'s path (/dev/ttyUSB0).
    DeviceLink(const SerialPortName* port, DialogPoster* dialog, Parsing parsing = PARSER_PACED);
    // Over a CSocket connected to `target`.
    DeviceLink(const TcpTarget* target, DialogPoster* dialog, Parsing parsing = PARSER_PACED);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Builds one frame and writes it with one Write call. Dialog's thread
    // only, and only while m_open is set.
    int SendFrame(uint8_t sync, uint8_t command, uint8_t status, uint32_t length,
                  const uint8_t* payload);

    // Stops the parser thread, closes and destroys the channel, releases the
    // tables, and drops the link's notifications still queued for the
    // dialog. Dialog's thread only; returns at once on a closed link.
    void Shutdown();

    // Copies the frame that a notification's lParam points at and frees its
    // slot for the next frame of that command. False when lParam is not a
    // busy slot of this link (a late or foreign notification): nothing is
    // copied. Dialog's thread only.
    bool TakeFrame(intptr_t lParam, CommandRequest* out);

    // One parser pass without the sleep, for a link made PARSER_POLLED.
    // True when it took bytes from the ring or delivered a held-back frame.
    bool PollOnce();

    // Keys in table order, for inspection.
    std::vector<uint8_t> ResponseKeys() const { return KeysOf(m_responseTable); }
    std::vector<uint8_t> RequestKeys() const { return KeysOf(m_requestTable); }
    // Copies of the slots in table order, for inspection while no frame comes.
    std::vector<ResponseSlot> ResponseSlots() const { return m_responseTable; }
    std::vector<ResponseSlot> RequestSlots() const { return m_requestTable; }
    // Frames held back in the pending queue now, for inspection.
    size_t HeldFrames() const { return m_pendingCount.load(); }

    // True once the channel's receive loop ended by itself: the peer closed
    // the connection or the device went away. Dialog's thread only.
    bool ChannelLost() const { return m_comm != nullptr && m_comm->ReceiveEnded(); }
    // Bytes the channel has received so far, whole frames or not; 0 once
    // closed. Dialog's thread only.
    uint64_t BytesReceived() const { return m_comm != nullptr ? m_comm->ReceivedCount() : 0; }
    // Of those, the bytes of whole frames the parser has taken: the rest
    // is noise or a frame begun and not (yet) completed.
    uint64_t BytesInFrames() const { return m_framedBytes.load(std::memory_order_relaxed); }
    // Every byte received so far has been through a parse pass and no frame
    // is held back: what came is with the dialog, or is noise or a frame
    // begun. A test's virtual clock jumps only then.
    bool ParserCaughtUp() const {
        return m_comm == nullptr ||
               (m_parsedUpTo.load() == m_comm->ReceivedCount() && m_pendingCount.load() == 0);
    }

    bool m_open = false;  // channel opened and Start ran
    // Why the channel did not open, when m_open is clear; the system's code.
    ChannelCause m_openCause = ChannelCause::NONE;
    int m_openError = 0;

private:
    class Dispatcher : public FrameSink {
    public:
        explicit Dispatcher(DeviceLink& link) : m_link(link) {}
        void OnFrame(const FrameImage& image) override { m_link.Dispatch(image); }
        bool TakesMore() const override { return m_link.m_pendingCount < PENDING_FRAMES; }
    private:
        DeviceLink& m_link;
    };

    void Start(DialogPoster* dialog, CComm* channel, Parsing parsing);
    static uint32_t LinkThreadProc(DeviceLink* link);
    uint32_t ParseLoop();
    void PacedPasses(uint8_t* buffer);
    void PassesOnArrival(uint8_t* buffer);
    void AddResponseKey(uint8_t key);
    void AddRequestKey(uint8_t key);
    void Dispatch(const FrameImage& image);
    bool HasSlot(const FrameImage& image) const;
    // Stores and posts one frame; false when its slot is busy or the post
    // failed, so the frame must wait.
    bool Deliver(const FrameImage& image);
    bool DeliverPending();
    uint32_t ParsePass(uint8_t* buffer);
    CommandRequest* StoreInTable(std::vector<ResponseSlot>& table, std::mutex& mutex,
                                 uint8_t key, const FrameImage& image, bool* slotBusy);
    CommandRequest* StoreResponse(uint8_t key, const FrameImage& image, bool* slotBusy);
    CommandRequest* StoreRequest(uint8_t key, const FrameImage& image, bool* slotBusy);
    static std::vector<uint8_t> KeysOf(const std::vector<ResponseSlot>& table);

    std::thread m_hThread;
    std::thread::id m_threadId;
    std::mutex m_hRequestMutex;   // guards m_requestTable's slots
    std::mutex m_hResponseMutex;  // guards m_responseTable's slots
    std::atomic<bool> m_stop{false};
    Parsing m_parsing = PARSER_PACED;  // set before the parser thread starts
    CComm* m_comm = nullptr;
    std::vector<ResponseSlot> m_responseTable;
    std::vector<ResponseSlot> m_requestTable;
    DialogPoster* m_hWnd = nullptr;

    // Parser thread only; m_pendingCount is also read for inspection.
    FrameParser m_parser;
    FrameImage m_pending[PENDING_FRAMES];
    size_t m_pendingHead = 0;
    std::atomic<size_t> m_pendingCount{0};
    std::atomic<uint64_t> m_framedBytes{0};
    std::atomic<uint64_t> m_parsedUpTo{0};  // ReceivedCount as a finished pass began
};
