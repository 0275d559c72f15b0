// The program's desktop services for a benchmark that runs the window: the built skins as its
// data (MOVARA_BIN_DIR, defined by the benchmark's target) and a scratch folder for its files.
#pragma once

#include "QtPlatformServices.h"

#include <string>
#include <utility>

class BenchServices : public QtPlatformServices {
public:
    explicit BenchServices(std::string scratch) : m_scratch(std::move(scratch)) {}
    std::string dataFolder() override { return MOVARA_BIN_DIR; }
    std::string writableFolder() override { return m_scratch; }
    std::string documentsFolder() override { return m_scratch; }

private:
    std::string m_scratch;
};
