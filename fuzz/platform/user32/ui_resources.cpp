// Resources as a program's resource script might hold them, however broken:
// dialog templates, bitmaps, icon groups and string blocks, each entered
// with its exact size and then loaded through user32.
//
// Input: one byte that says the kind (0 dialog, 1 bitmap, 2 icon, 3
// strings), then the resource's bytes.
#include <windows.h>
#include <winplat/automation.h>
#include <winplat/display.h>
#include <winplat/resources.h>

#include <vector>

namespace {

INT_PTR CALLBACK DialogProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

void LoadDialog(HMODULE module)
{
    HWND dialog = CreateDialogParamA(module, MAKEINTRESOURCEA(1), nullptr, DialogProc, 0);
    if (dialog) {
        winplat::automation::PumpUntilIdle();
        DestroyWindow(dialog);
    }
}

void LoadBitmapResource(HMODULE module)
{
    if (HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(1))) DeleteObject(bitmap);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = winplat::SelectPresenter("headless");
    (void)ready;
    if (size < 1) return 0;
    HMODULE module = GetModuleHandleA(nullptr);
    std::vector<BYTE> bytes(data + 1, data + size);  // exactly the given size
    const void* resource = bytes.empty() ? static_cast<const void*>("") : bytes.data();
    DWORD length = DWORD(bytes.size());
    switch (data[0] % 4) {
    case 0:
        winplat::RegisterResource(module, RT_DIALOG, MAKEINTRESOURCEA(1), resource, length);
        LoadDialog(module);
        break;
    case 1:
        winplat::RegisterResource(module, RT_BITMAP, MAKEINTRESOURCEA(1), resource, length);
        LoadBitmapResource(module);
        break;
    case 2: {
        // The same bytes serve as the group and as the icon it names.
        winplat::RegisterResource(module, RT_GROUP_ICON, MAKEINTRESOURCEA(1), resource, length);
        for (WORD id = 0; id < 4; ++id) winplat::RegisterResource(module, RT_ICON, MAKEINTRESOURCEA(id), resource, length);
        LoadImageA(module, MAKEINTRESOURCEA(1), IMAGE_ICON, 32, 32, 0);
        break;
    }
    default: {
        winplat::RegisterResource(module, RT_STRING, MAKEINTRESOURCEA(1), resource, length);
        char text[64];
        for (UINT id = 0; id < 16; ++id) LoadStringA(module, id, text, sizeof text);
        break;
    }
    }
    winplat::UnregisterResources(module);
    winplat::automation::Reset();
    return 0;
}
