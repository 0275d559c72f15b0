#include "CEncodedSound.h"

namespace vel {

CEncodedSound::CEncodedSound() : m_parameters(avcodec_parameters_alloc()) {}

CEncodedSound::~CEncodedSound() {
    avcodec_parameters_free(&m_parameters);
}

int CEncodedSound::setStream(const AVStream* stream) {
    if (!m_parameters)
        return AVERROR(ENOMEM);
    m_timeBase = stream->time_base;
    return avcodec_parameters_copy(m_parameters, stream->codecpar);
}

int CEncodedSound::add(const AVPacket* packet, int64_t samplesIn) {
    PacketPtr copy(av_packet_clone(packet));
    if (!copy)
        return AVERROR(ENOMEM);
    m_bytes += copy->size;
    m_packets.push_back({std::move(copy), samplesIn});
    return 0;
}

} // namespace vel
