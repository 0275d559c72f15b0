#pragma once

// One command-line option as movara-convert declares it: its names (one letter for a short
// option), the name of its value ("" for a switch) and its --help line; and a titled group of
// them, as --help shows them.

#include <string>
#include <vector>

struct CliOption {
    std::vector<std::string> names;
    std::string valueName;
    std::string description;
};

struct CliGroup {
    std::string title;
    std::vector<CliOption> options;
};
