#include "ColourTable.h"

namespace {

constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) {
    return r | g << 8 | b << 16;
}

} // namespace

const NamedColour kColourTable[kColourCount] = {
    {rgb(0, 0, 0), "Black"},
    {rgb(165, 42, 0), "Brown"},
    {rgb(0, 64, 64), "Dark Olive Green"},
    {rgb(0, 85, 0), "Dark Green"},
    {rgb(0, 0, 94), "Dark Teal"},
    {rgb(0, 0, 139), "Dark blue"},
    {rgb(75, 0, 130), "Indigo"},
    {rgb(40, 40, 40), "Dark grey"},
    {rgb(139, 0, 0), "Dark red"},
    {rgb(255, 104, 32), "Orange"},
    {rgb(139, 139, 0), "Dark yellow"},
    {rgb(0, 147, 0), "Green"},
    {rgb(56, 142, 142), "Teal"},
    {rgb(0, 0, 255), "Blue"},
    {rgb(123, 123, 192), "Blue-grey"},
    {rgb(102, 102, 102), "Grey - 40"},
    {rgb(255, 0, 0), "Red"},
    {rgb(255, 173, 91), "Light orange"},
    {rgb(50, 205, 50), "Lime"},
    {rgb(60, 179, 113), "Sea green"},
    {rgb(127, 255, 212), "Aqua"},
    {rgb(125, 158, 192), "Light blue"},
    {rgb(128, 0, 128), "Violet"},
    {rgb(127, 127, 127), "Grey - 50"},
    {rgb(255, 192, 203), "Pink"},
    {rgb(255, 215, 0), "Gold"},
    {rgb(255, 255, 0), "Yellow"},
    {rgb(0, 255, 0), "Bright green"},
    {rgb(64, 224, 208), "Turquoise"},
    {rgb(192, 255, 255), "Skyblue"},
    {rgb(72, 0, 72), "Plum"},
    {rgb(192, 192, 192), "Light grey"},
    {rgb(255, 228, 225), "Rose"},
    {rgb(210, 180, 140), "Tan"},
    {rgb(255, 255, 224), "Light yellow"},
    {rgb(152, 251, 152), "Pale green "},
    {rgb(175, 238, 238), "Pale turquoise"},
    {rgb(104, 131, 139), "Pale blue"},
    {rgb(230, 230, 250), "Lavender"},
    {rgb(255, 255, 255), "White"},
};

QColor colourToQColor(uint32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

uint32_t qColorToColour(const QColor& color) {
    return rgb(color.red(), color.green(), color.blue());
}
