// The engine as a console command drives it: the console's platform services installed, an empty
// media list in the settings, and the convert object attached to them, for as long as it lives.
#pragma once

#include "CVelConvert.h"
#include "ConsolePlatformServices.h"
#include "VelSettings.h"

#include <filesystem>
#include <string>

class ConsoleSession {
public:
    ConsoleSession() : m_installed(m_services) {
        VelSettings& settings = VelSettings::instance();
        settings.mediaList = &m_items;
        m_convert.attach(nullptr, nullptr, &settings);
    }
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;

    CVelConvert& convert() { return m_convert; }

    // An item's source path: the file made absolute, or as given where that fails.
    static std::string sourcePath(const std::string& file) {
        std::error_code ec;
        const std::filesystem::path path = std::filesystem::absolute(file, ec);
        return ec ? file : path.lexically_normal().string();
    }

private:
    ConsolePlatformServices m_services;
    ScopedPlatformServices m_installed;
    MediaList m_items;
    CVelConvert m_convert;
};
