#include "discovery/win32/FtdiLibrary.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

namespace {

static_assert(offsetof(FT_DEVICE_LIST_INFO_NODE, SerialNumber) == 16, "record layout");
static_assert(offsetof(FT_DEVICE_LIST_INFO_NODE, Description) == 32, "record layout");
static_assert(offsetof(FT_DEVICE_LIST_INFO_NODE, ftHandle) == 96, "record layout");

// Loaded once complete, until the process ends.
struct FtdiLibraryState {
    HMODULE module = nullptr;
    FtCreateDeviceInfoList createDeviceInfoList = nullptr;
    FtGetDeviceInfoList getDeviceInfoList = nullptr;
    FtOpenEx openEx = nullptr;
    FtGetComPortNumber getComPortNumber = nullptr;
    FtClose close = nullptr;
};

FtdiLibraryState library;

void ShowWarningBox(const char* text, const char* caption, UINT type) {
    MessageBoxA(nullptr, text, caption, type);
}

FtdiWarningBox warningBox = ShowWarningBox;

template <typename Function>
bool Resolve(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

// Copies a field that the library may fill to its end without a terminator.
template <size_t To, size_t From>
void CopyField(char (&to)[To], const char (&from)[From]) {
    static_assert(To > From, "room for the terminator");
    std::memcpy(to, from, From);
    to[From] = '\0';
}

}  // namespace

void SetFtdiWarningBox(FtdiWarningBox box) { warningBox = box != nullptr ? box : ShowWarningBox; }

bool LoadFtdiLibrary() {
    if (library.module != nullptr) return true;

    HMODULE module = LoadLibraryA("ftd2xx.dll");
    if (module == nullptr) return false;

    FtdiLibraryState loaded;
    loaded.module = module;
    bool complete = Resolve(module, "FT_CreateDeviceInfoList", loaded.createDeviceInfoList);
    complete = Resolve(module, "FT_GetDeviceInfoList", loaded.getDeviceInfoList) && complete;
    complete = Resolve(module, "FT_OpenEx", loaded.openEx) && complete;
    complete = Resolve(module, "FT_GetComPortNumber", loaded.getComPortNumber) && complete;
    complete = Resolve(module, "FT_Close", loaded.close) && complete;
    if (!complete) {
        warningBox("ftd2xx.dllの関数取得に失敗しました。", "確認", MB_ICONWARNING | MB_OK);
        FreeLibrary(module);
        return false;
    }
    library = loaded;
    return true;
}

bool Ftd2xxProbe::Load() { return LoadFtdiLibrary(); }

// The calls below come only after a successful Load; the checks keep a
// wrong order from calling through a null entry point.
bool Ftd2xxProbe::CreateDeviceInfoList(uint32_t& count) {
    if (library.module == nullptr) return false;
    DWORD devices = 0;
    const bool ok = library.createDeviceInfoList(&devices) == FT_OK;
    count = devices;
    return ok;
}

bool Ftd2xxProbe::GetDeviceInfoList(FtdiDeviceInfo* records, uint32_t& count) {
    if (library.module == nullptr) return false;
    const uint32_t room = count;
    std::unique_ptr<FT_DEVICE_LIST_INFO_NODE[]> nodes(new (std::nothrow)
                                                          FT_DEVICE_LIST_INFO_NODE[room]());
    if (!nodes) return false;
    DWORD devices = room;
    if (library.getDeviceInfoList(nodes.get(), &devices) != FT_OK) return false;
    count = devices;
    const uint32_t filled = count < room ? count : room;
    for (uint32_t i = 0; i < filled; ++i) {
        CopyField(records[i].serialNumber, nodes[i].SerialNumber);
        CopyField(records[i].description, nodes[i].Description);
    }
    return true;
}

bool Ftd2xxProbe::OpenBySerialNumber(const char* serialNumber, FtdiHandle& handle) {
    if (library.module == nullptr) return false;
    void* opened = nullptr;
    if (library.openEx(const_cast<char*>(serialNumber), FT_OPEN_BY_SERIAL_NUMBER, &opened) !=
        FT_OK) {
        return false;
    }
    handle = opened;
    return true;
}

bool Ftd2xxProbe::GetComPortNumber(FtdiHandle handle, int32_t& port) {
    if (library.module == nullptr) return false;
    LONG number = -1;
    const bool ok = library.getComPortNumber(handle, &number) == FT_OK;
    port = number;
    return ok;
}

void Ftd2xxProbe::Close(FtdiHandle handle) {
    if (library.module != nullptr) library.close(handle);
}
