// Scratch files named after the process that made them ("<prefix><pid>-…"), so that those a
// killed process left behind can be told from those of processes still running, and removed.
#pragma once

#include <functional>
#include <string>

// "<prefix><this process's id>-".
std::string processScratchPrefix(const std::string& prefix);

// Calls `remove` with the path of each entry of `folder` named "<prefix><pid>-…" whose process
// has ended (not this process, nor one that still runs under that id).
void removeDeadScratch(const std::string& folder, const std::string& prefix,
                       const std::function<void(const std::string& path)>& remove);
