#include "discovery/win32/SetupDiPorts.h"

#include <climits>

#include "comm/win32/OwnedHandle.h"

namespace {

// The Ports class (COM and LPT ports), {4D36E978-E325-11CE-BFC1-08002BE10318}.
const GUID PORTS_CLASS = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

DWORD BufferSize(size_t size) { return size > ULONG_MAX ? ULONG_MAX : static_cast<DWORD>(size); }

}  // namespace

SetupDiPortsProbe::~SetupDiPortsProbe() {
    CloseDeviceKey();
    ClosePortsSet();
}

bool SetupDiPortsProbe::OpenPortsSet() {
    ClosePortsSet();
    m_set = SetupDiGetClassDevsA(&PORTS_CLASS, nullptr, nullptr, DIGCF_PRESENT);
    return ValidHandle(m_set);
}

bool SetupDiPortsProbe::SelectMember(uint32_t index) {
    CloseDeviceKey();
    m_haveMember = false;
    if (!ValidHandle(m_set)) return false;
    m_member = SP_DEVINFO_DATA{};
    m_member.cbSize = sizeof m_member;
    m_haveMember = SetupDiEnumDeviceInfo(m_set, index, &m_member) != FALSE;
    return m_haveMember;
}

bool SetupDiPortsProbe::GetInstanceId(char* buffer, size_t size) {
    if (!m_haveMember || size == 0) return false;
    buffer[0] = '\0';
    if (!SetupDiGetDeviceInstanceIdA(m_set, &m_member, buffer, BufferSize(size), nullptr)) {
        return false;
    }
    buffer[size - 1] = '\0';
    return true;
}

bool SetupDiPortsProbe::OpenDeviceKey() {
    CloseDeviceKey();
    if (!m_haveMember) return false;
    HKEY key = SetupDiOpenDevRegKey(m_set, &m_member, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (!ValidHandle(reinterpret_cast<HANDLE>(key))) return false;
    m_key = key;
    return true;
}

bool SetupDiPortsProbe::QueryPortName(char* buffer, size_t size) {
    if (m_key == nullptr || size < 2) return false;
    // One byte kept back: a value stored without its terminator still ends.
    DWORD bytes = BufferSize(size - 1);
    if (RegQueryValueExA(m_key, "PortName", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                         &bytes) != ERROR_SUCCESS) {
        return false;
    }
    buffer[bytes < size ? bytes : size - 1] = '\0';
    return true;
}

void SetupDiPortsProbe::CloseDeviceKey() {
    if (m_key != nullptr) RegCloseKey(m_key);
    m_key = nullptr;
}

void SetupDiPortsProbe::ClosePortsSet() {
    CloseDeviceKey();
    m_haveMember = false;
    if (ValidHandle(m_set)) SetupDiDestroyDeviceInfoList(m_set);
    m_set = INVALID_HANDLE_VALUE;
}
