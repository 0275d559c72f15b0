// movara-convert reads the window's custom profiles from the folder beside it.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Ran {
    int status;
    std::string out;
};

Ran run(const std::string& command) {
    Ran result{-1, {}};
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> buffer{};
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.out.append(buffer.data(), n);
    result.status = ::pclose(pipe);
    return result;
}

} // namespace

TEST(CustomProfileConvert, ListsAndTakesTheCustomProfilesBesideTheProgram) {
    const fs::path folder =
        fs::temp_directory_path() / ("movara-convert-store-" + std::to_string(::getpid()));
    // A portable copy: its skin/ folder beside it.
    fs::create_directories(folder / "skin");
    const fs::path program = folder / "movara-convert";
    fs::copy_file(MOVARA_CONVERT_BIN, program, fs::copy_options::overwrite_existing);
    std::ofstream(folder / "VelCustomProfile.xml")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<VelProfile Version=\"1.0.0\">\r\n"
           "<Profile Flag=\"0\" Index=\"720908\" Name=\"Pocket &amp; Co\" Desc=\"\"/>\r\n"
           "<Profile Flag=\"0\" Index=\"720909\" Name=\"Gone\" Desc=\"\"/>\r\n"
           "</VelProfile>\r\n";

    const Ran list = run("'" + program.string() + "' --list-profiles");
    EXPECT_EQ(list.status, 0);
    const std::string custom = "Pocket & Co\tCustom\tmp4\t\n"; // no alias
    ASSERT_GE(list.out.size(), custom.size()) << list.out;
    EXPECT_EQ(list.out.substr(list.out.size() - custom.size()), custom) << list.out;
    EXPECT_EQ(list.out.find("Gone"), std::string::npos);

    // The name is taken: the next complaint is about the output folder.
    const Ran take = run("'" + program.string() + "' --profile 'Pocket & Co' --output '" +
                         (folder / "missing").string() + "' x.avi");
    EXPECT_NE(take.out.find("output folder"), std::string::npos) << take.out;
    EXPECT_EQ(take.out.find("no profile"), std::string::npos) << take.out;
    std::error_code ec;
    fs::remove_all(folder, ec);
}
