#include "ui/headless/HeadlessSession.h"

#include "ui/MainDialog.h"
#include "ui/controls/ControlIds.h"
#include "ui/controls/ControlStates.h"
#include "ui/controls/InstrumentList.h"

HeadlessSession::HeadlessSession(LinkFactory& links, HeadlessUi::ClockMode clock, RetrievalObserver* observer)
    : ui(clock), state(NewDialogState()), dialog(*state, ui) {
    state->linkFactory = &links;
    state->observer = observer;
    // As a setting.ini written fresh would have it.
    state->settings.connection.method = METHOD_WIFI;
    state->settings.connection.dService = DEFAULT_SERVICE;
    InitMainDialog(*state, ui);
}

HeadlessSession::~HeadlessSession() { OnDestroy(*state, ui); }

void HeadlessSession::ConnectTcp(const TcpTarget& target) {
    state->settings.connection.method = METHOD_WIFI;
    SetConnectionMethod(ui, METHOD_WIFI);
    ui.SetAddress(IDC_IP_ADDRESS, target.address);
    ui.SetControlText(IDC_PORT, std::to_string(target.port).c_str());
    Press(IDC_CONNECT);
}

void HeadlessSession::ConnectSerial(int comPort, const std::string& devicePath) {
    state->settings.connection.method = METHOD_USB;
    SetConnectionMethod(ui, METHOD_USB);
    // The port named, as the one line of the instrument list.
    DeviceEntry entry;
    entry.comPort = comPort;
    entry.devicePath = devicePath;
    entry.model = "QV-500";
    state->deviceList.assign(1, entry);
    ShowDeviceList(ui, state->deviceList, comPort);
    Press(IDC_CONNECT);
}

bool HeadlessSession::Choose(int list, const std::string& text) {
    const std::vector<std::string>& entries = ui.control(list).entries;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i] != text) continue;
        if (ui.ListSelection(list) == static_cast<int>(i)) return false;
        ui.SetListSelection(list, static_cast<int>(i));
        Press(list, CBN_SELCHANGE_CODE);
        return true;
    }
    return false;
}

void HeadlessSession::Download(const std::vector<int>& files, const std::string& folderText) {
    const int count = ui.ListCount(IDC_FILES);
    for (int i = 0; i < count; ++i) ui.SelectEntry(IDC_FILES, i, false);
    for (int number : files) ui.SelectEntry(IDC_FILES, number, true);
    ui.SetControlText(IDC_SAVE_PATH, folderText.c_str());
    Press(IDC_DOWNLOAD);
}

void HeadlessSession::LogSettings(std::function<int(LogSettingsAnswer&)> edit) {
    ui.logSettingsAnswer = std::move(edit);
    Press(IDC_LOG_SETTINGS);
}

bool HeadlessSession::LinkLost() const {
    return state->link && state->link->m_open && state->link->ChannelLost();
}

uint64_t HeadlessSession::BytesWithoutFrame() const {
    const DeviceLink* link = state->link.get();
    if (link == nullptr) return 0;
    const uint64_t received = link->BytesReceived(), framed = link->BytesInFrames();
    return received > framed ? received - framed : 0;
}

HeadlessSession::StepResult HeadlessSession::RunStep(HeadlessDialog::StepRules rules,
                                                     const std::function<bool()>& interrupt) {
    StepResult result;
    m_abortSoon = false;
    bool interruptSeen = false;
    bool lostBefore = false;
    // Sampled while the link is open: a closed link counts nothing.
    const uint64_t unframedBefore = BytesWithoutFrame();
    uint64_t unframed = unframedBefore;
    const auto before = rules.beforePass;
    rules.beforePass = [&] {
        if (interrupt && !interruptSeen && interrupt()) {
            interruptSeen = true;
            if (state->phase == CONTROLS_BUSY) Press(IDC_ABORT);
            else if (!dialog.Busy()) return result.interrupted = true;
        }
        lostBefore = LinkLost();
        return before && before();
    };
    const auto after = rules.afterPass;
    rules.afterPass = [&](bool handled) {
        // Lost before this pass and nothing more to handle after it: the
        // parser has had its passes over whatever the channel took in.
        if (!handled && lostBefore && ui.queue().Size() == 0) return result.linkLost = true;
        if (state->link && state->link->BytesReceived() > 0) unframed = BytesWithoutFrame();
        if (m_abortSoon && state->phase == CONTROLS_BUSY) Press(IDC_ABORT);
        m_abortSoon = false;
        return after && after(handled);
    };
    const int abortsBefore = dialog.abortsPressed;
    result.end = dialog.RunStep(rules);
    result.gaveUp = dialog.abortsPressed != abortsBefore;
    result.bytesWithoutFrame = unframed > unframedBefore ? unframed - unframedBefore : 0;
    return result;
}
