#include "VelSettings.h"

VelSettings& VelSettings::instance() {
    static VelSettings settings;
    return settings;
}
