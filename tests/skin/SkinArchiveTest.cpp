// The archive reader against well-formed, unusual and hostile archives, from memory and from
// files, and the writer the packer uses.
#include "CSkinArchive.h"
#include "SkinArchiveWriter.h"
#include "SkinTestFiles.h"

#include <QIODevice>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

using skintest::RawArchive;

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs `check` on the same bytes read from memory and from a file.
template <typename Check> void onBothSources(const std::string& bytes, Check check) {
    {
        SCOPED_TRACE("memory");
        check(CSkinArchive::fromMemory(bytes));
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SCOPED_TRACE("file");
    check(CSkinArchive(skintest::writeFile(dir, "a.skin", bytes)));
}

TEST(SkinArchive, FindsEntriesWithoutRegardToCaseAndReadsThemThreeWays) {
    const std::string bytes = skintest::archiveBytes(
        {{"First.PNG", "one"}, {"velskin.xml", "<velskin/>"}, {"third", std::string(3, '\0')}});
    onBothSources(bytes, [](const CSkinArchive& archive) {
        EXPECT_EQ(archive.Check(), 1);
        EXPECT_EQ(archive.HasEntry("first.png"), 1);
        EXPECT_EQ(archive.HasEntry("FIRST.png"), 1);
        EXPECT_EQ(archive.HasEntry("VELSKIN.XML"), 1);
        EXPECT_EQ(archive.HasEntry("first.pn"), 0);
        EXPECT_EQ(archive.HasEntry("first.png "), 0);

        std::string text;
        ASSERT_EQ(archive.EntryToMemory("VelSkin.xml", text), 1);
        EXPECT_EQ(text, "<velskin/>");
        EXPECT_EQ(text.c_str()[text.size()], '\0');
        ASSERT_EQ(archive.EntryToMemory("third", text), 1);
        EXPECT_EQ(text, std::string(3, '\0'));

        std::unique_ptr<QIODevice> stream = archive.EntryToStream("first.png");
        ASSERT_TRUE(stream);
        EXPECT_EQ(stream->readAll().toStdString(), "one");
        EXPECT_FALSE(archive.EntryToStream("missing"));

        QTemporaryDir out;
        const std::string path = out.filePath("entry").toStdString();
        { std::ofstream(path) << "longer old content"; }
        ASSERT_EQ(archive.EntryToFile("FIRST.PNG", path), 1);
        EXPECT_EQ(readAll(path), "one");
        EXPECT_EQ(archive.EntryToFile("first.png", out.filePath("no/such/dir").toStdString()), 0);
    });
}

TEST(SkinArchive, EmptyEntryExistsButCannotBeRead) {
    const std::string bytes = skintest::archiveBytes({{"empty.png", ""}, {"after", "xyz"}});
    onBothSources(bytes, [](const CSkinArchive& archive) {
        EXPECT_EQ(archive.HasEntry("empty.png"), 1);
        std::string out = "unchanged";
        EXPECT_EQ(archive.EntryToMemory("empty.png", out), 0);
        EXPECT_EQ(out, "unchanged");
        EXPECT_FALSE(archive.EntryToStream("empty.png"));
        QTemporaryDir dir;
        const std::string path = dir.filePath("x").toStdString();
        EXPECT_EQ(archive.EntryToFile("empty.png", path), 0);
        EXPECT_FALSE(std::filesystem::exists(path));
        ASSERT_EQ(archive.EntryToMemory("after", out), 1);
        EXPECT_EQ(out, "xyz");
    });
}

TEST(SkinArchive, FirstOfTwoEqualNamesWinsAndLaterOffsetsCountBoth) {
    const std::string bytes =
        skintest::archiveBytes({{"dup.png", "AAAA"}, {"DUP.PNG", "BB"}, {"next", "CCC"}});
    onBothSources(bytes, [](const CSkinArchive& archive) {
        std::string out;
        ASSERT_EQ(archive.EntryToMemory("Dup.png", out), 1);
        EXPECT_EQ(out, "AAAA");
        ASSERT_EQ(archive.EntryToMemory("next", out), 1);
        EXPECT_EQ(out, "CCC");
        std::vector<CSkinArchive::Entry> entries;
        ASSERT_EQ(archive.ReadDirectory(entries), 1);
        ASSERT_EQ(entries.size(), 3u);
        EXPECT_EQ(entries[2].offset, 16u + 68u * 3 + 4 + 2);
    });
}

TEST(SkinArchive, NameFieldWithoutZeroIsReadAsItsSixtyFourBytes) {
    const std::string name64(64, 'n');
    RawArchive raw;
    raw.count = 2;
    raw.sizes = {2, 1};
    raw.nameFields = {name64, "b"};
    raw.data = "xyz";
    onBothSources(raw.bytes(), [&](const CSkinArchive& archive) {
        std::string out;
        ASSERT_EQ(archive.EntryToMemory(name64, out), 1);
        EXPECT_EQ(out, "xy");
        ASSERT_EQ(archive.EntryToMemory("b", out), 1);
        EXPECT_EQ(out, "z");
        EXPECT_EQ(archive.HasEntry(name64 + "b"), 0);
    });
}

TEST(SkinArchive, UnusableArchivesAreRefusedWhateverIsAsked) {
    const uint32_t kMax = std::numeric_limits<uint32_t>::max();
    auto withData = [](RawArchive r, std::string data) {
        r.data = std::move(data);
        return r;
    };
    RawArchive one;
    one.count = 1;
    one.sizes = {4};
    one.nameFields = {"a"};

    struct Case {
        const char* what;
        std::string bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty file", ""});
    cases.push_back({"header cut short", withData(one, "abcd").bytes().substr(0, 15)});
    RawArchive wrongMagic = withData(one, "abcd");
    wrongMagic.magic = 0x7698;
    cases.push_back({"wrong magic", wrongMagic.bytes()});
    RawArchive huge = withData(one, "abcd");
    huge.count = kMax;
    cases.push_back({"count far past the file", huge.bytes()});
    RawArchive tables = withData(one, "");
    tables.count = 2; // the second size and both names run past the end
    cases.push_back({"tables cut short", tables.bytes().substr(0, 16 + 8 + 64)});
    cases.push_back({"size table only", withData(one, "").bytes().substr(0, 20)});
    RawArchive pastEnd = withData(one, "abc");
    cases.push_back({"entry past the end", pastEnd.bytes()});
    RawArchive maxSize = withData(one, "abcd");
    maxSize.sizes = {kMax};
    cases.push_back({"size of 4 GiB", maxSize.bytes()});
    RawArchive sum;
    sum.count = 2;
    sum.sizes = {6, 6}; // each fits the 8 data bytes, together they do not
    sum.nameFields = {"a", "b"};
    sum.data = "abcdefgh";
    cases.push_back({"sizes summing past the end", sum.bytes()});
    RawArchive wrap = sum;
    wrap.count = 3;
    wrap.sizes = {4, kMax - 2, 4}; // a 32-bit sum would wrap round to 6
    wrap.nameFields = {"a", "b", "c"};
    cases.push_back({"sizes whose 32-bit sum wraps", wrap.bytes()});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        onBothSources(c.bytes, [](const CSkinArchive& archive) {
            EXPECT_EQ(archive.Check(), 0);
            EXPECT_EQ(archive.HasEntry("a"), 0);
            std::string out;
            EXPECT_EQ(archive.EntryToMemory("a", out), 0);
            EXPECT_FALSE(archive.EntryToStream("a"));
            std::vector<CSkinArchive::Entry> entries;
            EXPECT_EQ(archive.ReadDirectory(entries), 0);
            EXPECT_TRUE(entries.empty());
        });
    }
}

TEST(SkinArchive, CountZeroAndTrailingBytesAreWellFormed) {
    RawArchive none;
    none.data = "trailing";
    onBothSources(none.bytes(), [](const CSkinArchive& archive) {
        EXPECT_EQ(archive.Check(), 1);
        EXPECT_EQ(archive.HasEntry(""), 0);
    });
}

TEST(SkinArchive, MissingFileIsNotAnArchive) {
    CSkinArchive archive("/nonexistent/Default.skin");
    EXPECT_EQ(archive.Check(), 0);
    EXPECT_EQ(archive.HasEntry("a"), 0);
}

TEST(SkinArchiveWriter, WritesTheHeaderTablesAndDataItReads) {
    std::string out, error;
    ASSERT_EQ(buildSkinArchive({{"a.png", "12345"}, {std::string(63, 'x'), ""}}, out, error), 1);
    ASSERT_EQ(out.size(), 16u + 68 * 2 + 5);
    EXPECT_EQ(out.substr(0, 16), std::string("\x76\x98\0\0\0\0\0\0\x02\0\0\0\0\0\0\0", 16));
    std::vector<CSkinArchive::Entry> entries;
    ASSERT_EQ(CSkinArchive::fromMemory(out).ReadDirectory(entries), 1);
    EXPECT_EQ(entries[1].name, std::string(63, 'x'));
    EXPECT_EQ(out.substr(16 + 8 + 64 + 63, 1), std::string(1, '\0'));
}

TEST(SkinArchiveWriter, RefusesNamesThatDoNotFitTheirField) {
    for (const std::string& name : {std::string(), std::string(64, 'x'), std::string("a\0b", 3)}) {
        std::string out = "kept", error;
        EXPECT_EQ(buildSkinArchive({{name, "data"}}, out, error), 0);
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(out, "kept");
    }
}

} // namespace
