#include "MediaFileTypes.h"

const std::vector<MediaFileType>& mediaFileTypes() {
    static const std::vector<MediaFileType> types{
        {"Windows media files", "*.avi;*.asf;*.wm;*.wma;*.wmv"},
        {"Real meida", "*.ram;*.rm;*.rmvb;*.ra"},
        {"MPEG2", "*.dat;*.m2p;*.m2v;*.mpeg;*.mpg;*.ts"},
        {"MPEG4", "*.m4b;*.m4p;*.m4v;*.mp4"},
        {"3GPP", "*.3g2;*.3gp;*.3gp2;*.3gpp"},
        {"APPLE", "*.mov;*.qt"},
        {"Flash", "*.f4v;*.flv;*.swf"},
        {"Other video", "*.trp;*.mkv;*.mod;*.mts;*.webm;*.ogv"},
        {"Other audio",
         "*.wav;*.aac;*.ac3;*.mka;*.mp2;*.mp3;*.amr;*.flac;*.mid;*.mpa;*.ogg;*.oga;*.opus;*.m4a"},
    };
    return types;
}

std::string joinedMediaPatterns() {
    std::string joined;
    for (const MediaFileType& type : mediaFileTypes()) {
        if (!joined.empty())
            joined += ';';
        joined += type.patterns;
    }
    return joined;
}

std::string mediaOpenFilter() {
    const std::string all = joinedMediaPatterns();
    std::string filter = "All media files|" + all + "|";
    for (const MediaFileType& type : mediaFileTypes())
        filter += std::string(type.name) + "(" + type.patterns + ")|" + type.patterns + "|";
    filter += "All files(*.*)|*.*||";
    return filter;
}
