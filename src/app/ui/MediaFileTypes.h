// The media file types the open-file dialog offers and the folder scan looks for.
#pragma once

#include <string>
#include <vector>

struct MediaFileType {
    const char* name;
    const char* patterns; // "*.avi;*.asf"
};

// The table in the dialog's order.
const std::vector<MediaFileType>& mediaFileTypes();
// Every row's patterns joined by ";", in table order: what a folder scan walks.
std::string joinedMediaPatterns();
// The open-file dialog's filter in the classic "name|patterns|" form: "All media files" with every
// pattern, one entry per row ("Name(patterns)|patterns"), then "All files(*.*)|*.*", ended by
// "||".
std::string mediaOpenFilter();
