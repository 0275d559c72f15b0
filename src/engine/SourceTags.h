// What an output keeps of its source besides pictures and sound: the global tags a person sees in
// a player's or file manager's list (title, artist, album, ...), the creation time of a video,
// and the cover picture where the output's container can hold one.
//
// What the FFmpeg 5.1 muxers of this machine accept (checked with ffprobe on their output):
//   MP3                 ID3v2 tags, the cover as an APIC frame (an attached picture stream).
//   MP4, M4A, M4V       iTunes tags, the cover as `covr` (an attached picture stream).
//   FLAC                Vorbis comments, the cover as a PICTURE block (an attached picture).
//   AIFF                an ID3v2 chunk (the muxer's write_id3v2) with tags and APIC.
//   Ogg (Vorbis, FLAC)  Vorbis comments; the muxer refuses picture streams, so the cover goes
//                       in as a METADATA_BLOCK_PICTURE comment (base64 FLAC picture block), as
//                       Vorbis comments carry covers, which FFmpeg reads back as the cover.
//   Matroska, MKA       tags; the cover as an attachment "cover.jpg"/"cover.png" (the muxer
//                       would write an attached picture as a one-frame video track).
//   MOV                 tags, but no cover: the muxer writes `covr` only in MP4 mode.
//   3GP, 3G2            3GPP user data (titl, perf, albm, yrrc...); no cover.
//   AVI, ASF, WAV, ...  what each muxer writes of the tags; no cover (ASF would write the
//                       picture as a video stream, WAV takes one stream only).
#pragma once

#include "AvUtil.h"

#include <string>
#include <utility>
#include <vector>

namespace vel {

using Tags = std::vector<std::pair<std::string, std::string>>;

// The tags of the source that every output keeps, under FFmpeg's generic names, in a fixed
// order: title, artist, album_artist, album, composer, date, comment, genre, track, disc,
// copyright, and for a source with pictures its creation_time. Format-level tags come first;
// an Ogg file keeps its comments with its stream, so there the first sound stream's count too.
// Matroska's per-track names are no global tags and are never taken.
Tags readTags(const AVFormatContext* input, bool hasPictures);

// The file's cover picture: the stream index of its first attached picture, -1 without one.
int coverStreamOf(const AVFormatContext* input);

// How a container keeps a cover picture.
enum class CoverWay { None, AttachedPicture, Attachment, VorbisComment };
CoverWay coverWayOf(const std::string& engineFormat);

// A cover read from its source file: the picture's bytes as stored there and its codec.
struct CoverPicture {
    PacketPtr packet;
    AVCodecID codec = AV_CODEC_ID_NONE;
    int width = 0, height = 0;
};
// Opens the file (headers only) and takes the attached picture of `streamIndex`.
int readCoverPicture(const std::string& path, int streamIndex, CoverPicture* out);

// What a METADATA_BLOCK_PICTURE comment holds: a FLAC picture block ("front cover"), base64.
std::string vorbisPictureComment(const CoverPicture& picture);

} // namespace vel
