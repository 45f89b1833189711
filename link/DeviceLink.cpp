#include "link/DeviceLink.h"

#include <chrono>
#include <system_error>

#include "comm/CSerial.h"
#include "comm/CSocket.h"
#include "link/TimerResolution.h"
#include "link/DialogPoster.h"

static_assert(sizeof RESPONSE_SLOT_KEYS == DeviceLink::RESPONSE_SLOTS, "one slot a key");
static_assert(sizeof REQUEST_SLOT_KEYS == DeviceLink::REQUEST_SLOTS, "one slot a key");

DeviceLink::DeviceLink(CComm* channel, const void* parameters, DialogPoster* dialog,
                       Parsing parsing) {
    if (channel->Open(parameters)) {
        Start(dialog, channel, parsing);
    } else {
        m_openCause = channel->OpenCause();
        m_openError = channel->OpenError();
        delete channel;
    }
}

DeviceLink::DeviceLink(int comPort, DialogPoster* dialog, Parsing parsing)
    : DeviceLink(new CSerial(SerialParameter::COM_NUMBER), &comPort, dialog, parsing) {}

DeviceLink::DeviceLink(const SerialPortName* port, DialogPoster* dialog, Parsing parsing)
    : DeviceLink(new CSerial(SerialParameter::DEVICE_PATH), port, dialog, parsing) {}

DeviceLink::DeviceLink(const TcpTarget* target, DialogPoster* dialog, Parsing parsing)
    : DeviceLink(new CSocket, target, dialog, parsing) {}

DeviceLink::~DeviceLink() { Shutdown(); }

void DeviceLink::Start(DialogPoster* dialog, CComm* channel, Parsing parsing) {
    m_hWnd = dialog;
    m_open = true;
    m_comm = channel;
    m_responseTable.reserve(RESPONSE_SLOTS);
    m_requestTable.reserve(REQUEST_SLOTS);
    for (uint8_t key : RESPONSE_SLOT_KEYS) AddResponseKey(key);
    for (uint8_t key : REQUEST_SLOT_KEYS) AddRequestKey(key);
    m_stop = false;
    m_parsing = parsing;
    if (parsing == PARSER_POLLED) return;
    try {
        m_hThread = std::thread(&DeviceLink::LinkThreadProc, this);
        m_threadId = m_hThread.get_id();
    } catch (const std::system_error&) {
        // Without a parser the link can send but never hears back; the
        // dialog's reply time-out reports it as a silent instrument.
    }
}

void DeviceLink::AddResponseKey(uint8_t key) {
    m_responseTable.push_back(ResponseSlot{false, key, FrameImage{}});
}

void DeviceLink::AddRequestKey(uint8_t key) {
    m_requestTable.push_back(ResponseSlot{false, key, FrameImage{}});
}

uint32_t DeviceLink::LinkThreadProc(DeviceLink* link) { return link->ParseLoop(); }

uint32_t DeviceLink::ParseLoop() {
    TimerResolution fineSleep;
    uint8_t buffer[CComm::RING_SIZE];
    if (m_parsing == PARSER_WAKES) PassesOnArrival(buffer);
    else PacedPasses(buffer);
    return 0;
}

void DeviceLink::PacedPasses(uint8_t* buffer) {
    // The passes keep a 10 ms beat. Sleeping 10 ms after each pass would add
    // the pass itself and the sleep's overshoot to every period, and in a
    // download every period carries one block.
    const auto period = std::chrono::milliseconds(PASS_MILLISECONDS);
    auto next = std::chrono::steady_clock::now();
    while (!m_stop) {
        ParsePass(buffer);
        next += period;
        const auto now = std::chrono::steady_clock::now();
        // Behind by a whole pass (a stall): a fresh beat, not a burst of catching up.
        if (next <= now) next = now + period;
        std::this_thread::sleep_until(next);
    }
}

void DeviceLink::PassesOnArrival(uint8_t* buffer) {
    // The 10 ms still bound the wait: a frame held back for a busy slot
    // waits for the dialog, which does not signal the channel.
    const auto longest = std::chrono::milliseconds(PASS_MILLISECONDS);
    while (!m_stop) {
        ParsePass(buffer);
        m_comm->WaitForAppend(longest);
    }
}

uint32_t DeviceLink::ParsePass(uint8_t* buffer) {
    Dispatcher dispatcher(*this);
    const size_t heldBefore = m_pendingCount;
    const uint64_t arrived = m_comm->ReceivedCount();
    DeliverPending();
    const uint32_t delivered = static_cast<uint32_t>(heldBefore - m_pendingCount);
    // The parser stops once the pending queue is full; what it left stays
    // in the ring for a later pass.
    const uint32_t count = m_comm->Peek(buffer);
    const uint32_t taken = static_cast<uint32_t>(m_parser.Feed(buffer, count, dispatcher));
    m_comm->Consume(taken);
    m_parsedUpTo.store(arrived);
    return taken + delivered;
}

bool DeviceLink::PollOnce() {
    if (!m_open || m_hThread.joinable()) return false;
    uint8_t buffer[CComm::RING_SIZE];
    return ParsePass(buffer) > 0;
}

bool DeviceLink::HasSlot(const FrameImage& image) const {
    // The keys never change after Start, so they are read without the lock.
    const std::vector<ResponseSlot>& table = image.sync == SYNC_REQUEST ? m_requestTable : m_responseTable;
    for (const ResponseSlot& slot : table)
        if (slot.key == image.body.command) return true;
    return false;
}

void DeviceLink::Dispatch(const FrameImage& image) {
    m_framedBytes.fetch_add(FRAME_OVERHEAD + static_cast<uint32_t>(image.body.length), std::memory_order_relaxed);
    if (image.sync == SYNC_REQUEST && image.body.command == CMD_SILENT_REQUEST) return;
    // A frame no slot takes is dropped here, so it never holds a place in the
    // pending queue that a frame the dialog waits for would need.
    if (!HasSlot(image)) return;
    // Once one frame waits, every later one queues behind it, so the dialog
    // sees them in arrival order. The parser feeds no frame while the queue
    // is full (Dispatcher::TakesMore), so there is always room here.
    if (m_pendingCount == 0 && Deliver(image)) return;
    m_pending[(m_pendingHead + m_pendingCount) % PENDING_FRAMES] = image;
    ++m_pendingCount;
}

bool DeviceLink::DeliverPending() {
    while (m_pendingCount > 0) {
        if (!Deliver(m_pending[m_pendingHead])) return false;
        m_pendingHead = (m_pendingHead + 1) % PENDING_FRAMES;
        --m_pendingCount;
    }
    return true;
}

bool DeviceLink::Deliver(const FrameImage& image) {
    const bool isRequest = image.sync == SYNC_REQUEST;
    bool slotBusy = false;
    CommandRequest* body = isRequest ? StoreRequest(image.body.command, image, &slotBusy)
                                     : StoreResponse(image.body.command, image, &slotBusy);
    if (body == nullptr) return !slotBusy;  // unregistered commands are dropped
    const uint32_t message = isRequest ? WM_APP_DEVICE_REQUEST : WM_APP_DEVICE_RESPONSE;
    if (m_hWnd->PostDialogMessage(message, body->command, reinterpret_cast<intptr_t>(body)))
        return true;
    TakeFrame(reinterpret_cast<intptr_t>(body), nullptr);  // frees the slot
    return false;
}

CommandRequest* DeviceLink::StoreInTable(std::vector<ResponseSlot>& table, std::mutex& mutex,
                                         uint8_t key, const FrameImage& image, bool* slotBusy) {
    std::lock_guard<std::mutex> lock(mutex);
    for (ResponseSlot& slot : table) {
        if (slot.key != key) continue;
        if (slot.busy) {
            *slotBusy = true;
            return nullptr;
        }
        slot.image = image;
        slot.busy = true;
        return &slot.image.body;
    }
    return nullptr;
}

CommandRequest* DeviceLink::StoreResponse(uint8_t key, const FrameImage& image, bool* slotBusy) {
    return StoreInTable(m_responseTable, m_hResponseMutex, key, image, slotBusy);
}

CommandRequest* DeviceLink::StoreRequest(uint8_t key, const FrameImage& image, bool* slotBusy) {
    return StoreInTable(m_requestTable, m_hRequestMutex, key, image, slotBusy);
}

bool DeviceLink::TakeFrame(intptr_t lParam, CommandRequest* out) {
    auto take = [lParam, out](std::vector<ResponseSlot>& table, std::mutex& mutex) {
        std::lock_guard<std::mutex> lock(mutex);
        for (ResponseSlot& slot : table) {
            if (reinterpret_cast<intptr_t>(&slot.image.body) != lParam) continue;
            if (!slot.busy) return false;
            if (out != nullptr) *out = slot.image.body;
            slot.busy = false;
            return true;
        }
        return false;
    };
    return take(m_responseTable, m_hResponseMutex) || take(m_requestTable, m_hRequestMutex);
}

int DeviceLink::SendFrame(uint8_t sync, uint8_t command, uint8_t status, uint32_t length,
                          const uint8_t* payload) {
    uint8_t frame[FRAME_MAX];
    const size_t size = BuildFrame(sync, command, status, length, payload, frame);
    return m_comm->Write(frame, static_cast<int>(size));
}

void DeviceLink::Shutdown() {
    m_stop = true;
    // A parser waiting for bytes leaves its wait at once.
    if (m_hThread.joinable()) {
        m_comm->WakeReader();
        m_hThread.join();
    }
    m_threadId = std::thread::id();
    if (m_open) {
        m_comm->Close();
        delete m_comm;
        m_comm = nullptr;
        // The parser has ended, so nothing more is posted: what is still
        // queued points into tables about to go and is dropped here.
        m_hWnd->DiscardPosted(WM_APP_DEVICE_REQUEST, WM_APP_DEVICE_RESPONSE);
        m_open = false;
    }
    std::vector<ResponseSlot>().swap(m_requestTable);
    std::vector<ResponseSlot>().swap(m_responseTable);
    m_pendingCount = 0;
}

std::vector<uint8_t> DeviceLink::KeysOf(const std::vector<ResponseSlot>& table) {
    std::vector<uint8_t> keys;
    for (const ResponseSlot& slot : table) keys.push_back(slot.key);
    return keys;
}
