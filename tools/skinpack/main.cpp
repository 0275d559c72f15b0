// skinpack: writes a skin archive from files or a folder.
//
//   skinpack OUTPUT.skin INPUT...
//
// Each INPUT is a file (stored under its file name) or a folder (its regular files, sorted by
// name). Entries keep the order given. The archive is written next to OUTPUT first and renamed
// over it, so a failed run never leaves a half-written skin behind.

#include "SkinArchiveWriter.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool readFile(const fs::path& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool addFile(const fs::path& path, std::vector<SkinArchiveItem>& items) {
    SkinArchiveItem item;
    item.name = path.filename().string();
    if (!readFile(path, item.bytes)) {
        std::fprintf(stderr, "skinpack: cannot read %s\n", path.c_str());
        return false;
    }
    items.push_back(std::move(item));
    return true;
}

bool addInput(const fs::path& input, std::vector<SkinArchiveItem>& items) {
    std::error_code ec;
    if (!fs::is_directory(input, ec))
        return addFile(input, items);
    std::vector<fs::path> files;
    for (const fs::directory_entry& e : fs::directory_iterator(input, ec))
        if (e.is_regular_file())
            files.push_back(e.path());
    if (ec) {
        std::fprintf(stderr, "skinpack: cannot list %s\n", input.c_str());
        return false;
    }
    std::sort(files.begin(), files.end());
    return std::all_of(files.begin(), files.end(),
                       [&](const fs::path& f) { return addFile(f, items); });
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: skinpack OUTPUT.skin INPUT...\n");
        return 2;
    }
    std::vector<SkinArchiveItem> items;
    for (int i = 2; i < argc; ++i)
        if (!addInput(argv[i], items))
            return 1;

    std::string archive, error;
    if (!buildSkinArchive(items, archive, error)) {
        std::fprintf(stderr, "skinpack: %s\n", error.c_str());
        return 1;
    }

    const fs::path output = argv[1];
    const fs::path partial = output.string() + ".part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(archive.data(), static_cast<std::streamsize>(archive.size()));
        out.close();
        if (!out) {
            std::fprintf(stderr, "skinpack: cannot write %s\n", partial.c_str());
            fs::remove(partial);
            return 1;
        }
    }
    std::error_code ec;
    fs::rename(partial, output, ec);
    if (ec) {
        std::fprintf(stderr, "skinpack: cannot create %s: %s\n", output.c_str(),
                     ec.message().c_str());
        fs::remove(partial);
        return 1;
    }
    return 0;
}
