// One picture of a media file, decoded for display: the crop page shows it beneath the
// rectangle so a person sees what is cut away.
#pragma once

#include <QImage>

#include <cstdint>
#include <string>

// The frame shown at `atMs` (the first one at or after it; the last one before it near the end),
// as it is meant to be shown (its pixel shape, turned and mirrored as its display matrix says),
// scaled to fit within maxWidth x maxHeight. A null image when the file has no picture or cannot
// be read.
QImage sourcePicture(const std::string& path, int64_t atMs, int maxWidth, int maxHeight);
