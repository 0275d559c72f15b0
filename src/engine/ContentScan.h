// What a clip's own packets tell of its content without decoding it: where its keyframes are and
// how many bytes its source spent on ordinary pictures each second. Content that changes (a
// still title, then a concert, then a dark scene) changes the source's own rate with it, so a
// measurement can place its windows in every part of the clip and weigh each by the part's
// length, instead of trusting a few evenly spread windows to hit each part in its share.
#pragma once

#include "CSourcePass.h"

#include <atomic>
#include <vector>

namespace vel {

class ContentScan {
public:
    // Reads the clip's picture packets (not their pictures). A file too large to read quickly,
    // or one that cannot be read, gives an empty scan.
    static ContentScan read(const PassSource& clip, const std::atomic<bool>* abort);

    // Keyframe times in source seconds, ascending.
    const std::vector<double>& keyframes() const { return m_keyframes; }
    // Bytes of the ordinary (not key) pictures in each second of the source, from its start.
    const std::vector<double>& secondBytes() const { return m_secondBytes; }

    ContentScan() = default;
    ContentScan(std::vector<double> keyframes, std::vector<double> secondBytes)
        : m_keyframes(std::move(keyframes)), m_secondBytes(std::move(secondBytes)) {}

private:
    std::vector<double> m_keyframes;
    std::vector<double> m_secondBytes;
};

} // namespace vel
