#include "CaptureCheck.h"

#include "PlatformServices.h"

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

std::string regionText(const ScreenRect& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
           std::to_string(rect.right - rect.left) + "," + std::to_string(rect.bottom - rect.top);
}

// The X display's refusal of the region, asked of the display itself.
std::string screenRefusal(const ScreenRect& rect) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return "--screen: no X display (DISPLAY is not set)";
    int number = 0;
    xcb_connection_t* connection = xcb_connect(display, &number);
    std::string refusal;
    if (xcb_connection_has_error(connection)) {
        refusal = std::string("--screen: no X display at \"") + display + "\"";
    } else {
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < number && screens.rem; ++i)
            xcb_screen_next(&screens);
        if (screens.rem) {
            const int width = screens.data->width_in_pixels;
            const int height = screens.data->height_in_pixels;
            if (rect.right > width || rect.bottom > height)
                refusal = "--screen: the region " + regionText(rect) + " is off the " +
                          std::to_string(width) + "x" + std::to_string(height) + " screen";
        }
    }
    xcb_disconnect(connection);
    return refusal;
}

} // namespace

std::string captureRefusal(const CaptureOptions& options, PlatformServices& services) {
    if (options.screen)
        if (std::string refusal = screenRefusal(*options.screen); !refusal.empty())
            return refusal;
    if (!options.audioDevice.empty()) {
        for (const CaptureDevice& device : services.captureDevices(CaptureKind::Audio))
            if (device.description == options.audioDevice)
                return {};
        return "--audio-device: no audio device named \"" + options.audioDevice +
               "\" (see --list-devices)";
    }
    return {};
}

std::string captureDescription(const CaptureOptions& options) {
    std::string text;
    if (options.screen)
        text = "screen region " + regionText(*options.screen);
    if (!options.audioDevice.empty())
        text += (text.empty() ? "" : " and ") + std::string("audio device ") + options.audioDevice;
    return text;
}
