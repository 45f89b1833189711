// The present members of the Ports device class and their device registry
// keys, through the device-setup interface. Owns the device set and the key
// it opened; whatever is still open when it goes is closed then.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include "discovery/DeviceProbes.h"

class SetupDiPortsProbe : public DeviceSetupProbe {
public:
    SetupDiPortsProbe() = default;
    ~SetupDiPortsProbe() override;
    SetupDiPortsProbe(const SetupDiPortsProbe&) = delete;
    SetupDiPortsProbe& operator=(const SetupDiPortsProbe&) = delete;

    bool OpenPortsSet() override;
    bool SelectMember(uint32_t index) override;
    bool GetInstanceId(char* buffer, size_t size) override;
    bool OpenDeviceKey() override;
    bool QueryPortName(char* buffer, size_t size) override;
    void CloseDeviceKey() override;
    void ClosePortsSet() override;

private:
    HDEVINFO m_set = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA m_member{};
    bool m_haveMember = false;
    HKEY m_key = nullptr;
};
