// Values that cross the platform services: message box numbering, the clock record, screen
// rectangles and capture devices.
#ifndef PLATFORMTYPES_H
#define PLATFORMTYPES_H

#include <cstdint>
#include <string>

// Message box button sets, in the classic numbering.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_TYPEMASK = 0xF;

// Message box icons ("stop" is the error icon).
constexpr unsigned MB_ICONNONE = 0x0;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONSTOP = MB_ICONERROR;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_ICONMASK = 0xF0;

// Message box answers. 0 means no box could be shown.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDRETRY = 4;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Results of showing a file in the file manager, after the classic shell: above 32 is success.
constexpr int SHELL_OK = 33;
constexpr int SHELL_FILE_NOT_FOUND = 2;
constexpr int SHELL_PATH_NOT_FOUND = 3;

// A calendar time, fields in the classic order. dayOfWeek: 0 Sunday to 6 Saturday.
struct SystemTime {
    int year = 0;
    int month = 0; // 1..12
    int dayOfWeek = 0;
    int day = 0; // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milliseconds = 0;
    bool operator==(const SystemTime&) const = default;
};

// A rectangle in screen pixels; right and bottom are exclusive.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const ScreenRect&) const = default;
};

enum class CaptureKind { Video, Audio };

// A capture device: `description` is the name a person sees (the "friendly name"), `name` what
// the capture library opens (a V4L2 node, a PulseAudio source, an ALSA device).
struct CaptureDevice {
    std::string name;
    std::string description;
    bool operator==(const CaptureDevice&) const = default;
};

#endif
