// A clip's sound as its encoder made it, kept from a size measurement so the run that follows
// writes these packets instead of encoding the same sound a second time (some encoders spend
// as long on the sound as on the pictures). Each packet remembers how many samples had been
// handed to the encoder when it came out, so a run releases it at the same point and the file
// interleaves as an encoding run's would. Read-only once made; shared with the run's writer.
#pragma once

#include "AvUtil.h"

#include <cstdint>
#include <vector>

namespace vel {

class CEncodedSound {
public:
    CEncodedSound();
    ~CEncodedSound();
    CEncodedSound(const CEncodedSound&) = delete;
    CEncodedSound& operator=(const CEncodedSound&) = delete;

    // While encoding: the stream's parameters and time base, then each packet as it is written.
    int setStream(const AVStream* stream);
    int add(const AVPacket* packet, int64_t samplesIn);
    // Once encoding is over: the samples the encoder was given in all.
    void finish(int64_t samples) { m_samples = samples; }

    struct Packet {
        PacketPtr packet;
        int64_t samplesIn; // handed to the encoder when this packet came out
    };
    const AVCodecParameters* parameters() const { return m_parameters; }
    AVRational timeBase() const { return m_timeBase; }
    const std::vector<Packet>& packets() const { return m_packets; }
    int64_t samples() const { return m_samples; }
    int64_t bytes() const { return m_bytes; }

private:
    AVCodecParameters* m_parameters;
    AVRational m_timeBase{1, 1};
    std::vector<Packet> m_packets;
    int64_t m_samples = 0, m_bytes = 0;
};

} // namespace vel
