// Switches LC_NUMERIC to a locale that writes a decimal comma, for tests proving that numbers in
// files and on screen do not follow the process locale (Qt sets it from the environment). Builds
// the German locale into a private folder with localedef when the system has none installed.
#pragma once

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

class DecimalCommaLocale {
public:
    DecimalCommaLocale() {
        const char* current = std::setlocale(LC_NUMERIC, nullptr);
        saved_ = current ? current : "C";
        if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
            return;
        folder_ = std::filesystem::temp_directory_path() /
                  ("movara-locale-" + std::to_string(::getpid()));
        std::error_code ec;
        std::filesystem::create_directories(folder_, ec);
        const std::string command =
            "localedef -i de_DE -f UTF-8 '" + folder_.string() + "/de_DE.UTF-8' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            return;
        ::setenv("LOCPATH", folder_.c_str(), 1);
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    }
    ~DecimalCommaLocale() {
        std::setlocale(LC_NUMERIC, saved_.c_str());
        if (!folder_.empty()) {
            ::unsetenv("LOCPATH");
            std::error_code ec;
            std::filesystem::remove_all(folder_, ec);
        }
    }
    // Whether the switch took: printf now writes "1,5".
    bool active() const { return std::localeconv()->decimal_point[0] == ','; }

private:
    std::string saved_;
    std::filesystem::path folder_;
};
