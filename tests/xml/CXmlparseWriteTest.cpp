// Editing, saving and loading of CXmlparse documents.
#include "CXmlparse.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The element tree as seen through the position table: every start and end tag text, nested.
// Comparing it with the outline of a fresh parse of the same text checks offsets and links.
std::string outline(const CXmlparse& xml, int ix = 0) {
    auto p = xml.getPositions();
    const std::string doc = xml.getDoc();
    std::string out;
    for (int c = p[ix].firstChildIx; c; c = p[c].nextIx) {
        const auto& e = p[c];
        out += doc.substr(e.startL, e.startR - e.startL + 1) + "(" + outline(xml, c) + ")" +
               doc.substr(e.endL, e.endR - e.endL + 1);
    }
    return out;
}

void expectSameAsReparsed(const CXmlparse& xml) {
    CXmlparse fresh;
    ASSERT_TRUE(fresh.setDoc(xml.getDoc())) << fresh.getError();
    EXPECT_EQ(outline(xml), outline(fresh));
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class XmlFiles : public testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = testing::TempDir() + "xmlfilesXXXXXX";
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename());
        return names;
    }
    CXmlparse sample() const {
        CXmlparse xml;
        xml.addElem("New", "content");
        return xml;
    }

    fs::path dir;
    const std::string good = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Old/>\r\n";
};

class XmlBuild : public XmlFiles {};

TEST_F(XmlBuild, SavedBytesOfBuiltDocument) {
    CXmlparse xml;
    ASSERT_TRUE(xml.addElem("Settings"));
    ASSERT_TRUE(xml.setAttrib("version", "2"));
    ASSERT_TRUE(xml.intoElem());
    ASSERT_TRUE(xml.addElem("Item", "a<b & c"));
    ASSERT_TRUE(xml.setAttrib("name", "say \"hi\" & 'bye' <>"));
    ASSERT_TRUE(xml.addElem("Empty"));
    ASSERT_TRUE(xml.intoElem());
    ASSERT_TRUE(xml.addElem("Deep", "1"));
    ASSERT_TRUE(xml.outOfElem());
    ASSERT_TRUE(xml.addElem("Last", ""));
    ASSERT_TRUE(xml.setAttrib("a", "1"));
    ASSERT_TRUE(xml.setAttrib("b", "2"));
    ASSERT_TRUE(xml.setAttrib("a", "3"));
    expectSameAsReparsed(xml);

    const fs::path file = dir / "built.xml";
    ASSERT_TRUE(xml.save(file));
    EXPECT_EQ(readFile(file),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
              "<Settings version=\"2\">\r\n"
              "<Item name=\"say &quot;hi&quot; &amp; &apos;bye&apos; &lt;&gt;\">a&lt;b &amp; c"
              "</Item>\r\n"
              "<Empty>\r\n"
              "<Deep>1</Deep>\r\n"
              "</Empty>\r\n"
              "<Last a=\"3\" b=\"2\"/>\r\n"
              "</Settings>\r\n");

    CXmlparse back;
    ASSERT_TRUE(back.load(file));
    ASSERT_TRUE(back.findElem("Settings"));
    ASSERT_TRUE(back.intoElem());
    ASSERT_TRUE(back.findElem("Item"));
    EXPECT_EQ(back.getData(), "a<b & c");
    EXPECT_EQ(back.getAttrib("name"), "say \"hi\" & 'bye' <>");
    ASSERT_TRUE(back.findElem("Last"));
    EXPECT_EQ(back.getAttrib("b"), "2");
}

TEST(XmlAddElem, InsertsWithTheDescribedLayoutAndKeepsPositionsTrue) {
    struct Row {
        const char* doc;
        const char* after; // sibling to make current first, "" to add at the end of the children
        const char* data;
        const char* result;
    } rows[] = {
        {"<a/>", "", "d&", "<a>\r\n<n>d&amp;</n>\r\n</a>"},
        {"<a />", "", "", "<a >\r\n<n/>\r\n</a>"},
        {"<a></a>", "", "", "<a>\r\n<n/>\r\n</a>"},
        {"<a>text</a>", "", "", "<a>text<n/>\r\n</a>"},
        {"<r><x/><z/></r>", "", "", "<r><x/><z/><n/>\r\n</r>"},
        {"<r><x/> \r\n<z/></r>", "x", "", "<r><x/> \r\n<n/>\r\n<z/></r>"},
        {"<r><x/> txt<z/></r>", "x", "1", "<r><x/><n>1</n>\r\n txt<z/></r>"},
        {"<r><x><y/></x><z k=\"v\">t</z></r>", "x", "",
         "<r><x><y/></x><n/>\r\n<z k=\"v\">t</z></r>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.doc);
        CXmlparse xml;
        ASSERT_TRUE(xml.setDoc(row.doc));
        ASSERT_TRUE(xml.findElem());
        ASSERT_TRUE(xml.intoElem());
        if (*row.after) {
            ASSERT_TRUE(xml.findElem(row.after));
        }
        ASSERT_TRUE(xml.addElem("n", row.data));
        EXPECT_EQ(xml.getDoc(), row.result);
        EXPECT_EQ(xml.getData(), row.data);
        expectSameAsReparsed(xml);
    }
}

TEST(XmlAddElem, OnlyOneTopElement) {
    CXmlparse xml;
    ASSERT_TRUE(xml.addElem("a"));
    EXPECT_FALSE(xml.addElem("b"));
    xml.resetPos();
    EXPECT_FALSE(xml.addElem("b"));
    EXPECT_EQ(xml.getDoc(), "<a/>\r\n");
}

TEST(XmlAddElem, GrowsTheTableWhileKeepingEarlierEntries) {
    CXmlparse xml;
    ASSERT_TRUE(xml.setDoc("<r/>"));
    ASSERT_TRUE(xml.findElem());
    ASSERT_TRUE(xml.intoElem());
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(xml.addElem("e", std::to_string(i)));
        if (i % 2) {
            ASSERT_TRUE(xml.setAttrib("odd", "yes"));
        }
    }
    expectSameAsReparsed(xml);
    xml.resetPos();
    ASSERT_TRUE(xml.findElem());
    ASSERT_TRUE(xml.intoElem());
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(xml.findElem("e"));
        EXPECT_EQ(xml.getData(), std::to_string(i));
        EXPECT_EQ(xml.getAttrib("odd"), i % 2 ? "yes" : "");
    }
}

TEST(XmlSetAttrib, EditShiftsLaterElements) {
    struct Row {
        const char* elem;
        const char* name;
        const char* value;
        const char* result;
    } rows[] = {
        {"a", "k", "much longer", "<r><a k=\"much longer\">x</a><b k='2'>y<i/></b><c/></r>"},
        {"a", "k", "", "<r><a k=\"\">x</a><b k='2'>y<i/></b><c/></r>"},
        {"a", "new", "say \"q\"",
         "<r><a k=\"1\" new=\"say &quot;q&quot;\">x</a><b k='2'>y<i/></b><c/></r>"},
        {"b", "k", "it's", "<r><a k=\"1\">x</a><b k='it&apos;s'>y<i/></b><c/></r>"},
        {"c", "z", "<&>", "<r><a k=\"1\">x</a><b k='2'>y<i/></b><c z=\"&lt;&amp;&gt;\"/></r>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.elem) + " " + row.name);
        CXmlparse xml;
        ASSERT_TRUE(xml.setDoc("<r><a k=\"1\">x</a><b k='2'>y<i/></b><c/></r>"));
        ASSERT_TRUE(xml.findElem());
        ASSERT_TRUE(xml.intoElem());
        ASSERT_TRUE(xml.findElem(row.elem));
        ASSERT_TRUE(xml.setAttrib(row.name, row.value));
        EXPECT_EQ(xml.getDoc(), row.result);
        EXPECT_EQ(xml.getAttrib(row.name), row.value);

        // Read everything after the edit through the shifted offsets.
        const bool editedB = std::string(row.elem) == "b";
        xml.resetPos();
        ASSERT_TRUE(xml.findElem("r"));
        ASSERT_TRUE(xml.intoElem());
        ASSERT_TRUE(xml.findElem("a"));
        EXPECT_EQ(xml.getData(), "x");
        ASSERT_TRUE(xml.findElem("b"));
        EXPECT_EQ(xml.getAttrib("k"), editedB ? row.value : "2");
        EXPECT_EQ(xml.getData(), "");
        ASSERT_TRUE(xml.intoElem());
        EXPECT_TRUE(xml.findElem("i"));
        ASSERT_TRUE(xml.outOfElem());
        EXPECT_TRUE(xml.findElem("c"));
        expectSameAsReparsed(xml);
    }
}

TEST_F(XmlFiles, SaveReplacesExistingFileKeepingItsPermissions) {
    const fs::path file = dir / "a.xml";
    writeFile(file, good);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(sample().save(file));
    EXPECT_EQ(readFile(file),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<New>content</New>\r\n");
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(entries(), std::vector<std::string>{"a.xml"});
}

TEST_F(XmlFiles, SaveIntoMissingFolderFails) {
    EXPECT_FALSE(sample().save(dir / "missing" / "a.xml"));
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST_F(XmlFiles, SaveOverDirectoryFailsAndLeavesNoTemporary) {
    fs::create_directory(dir / "a.xml");
    EXPECT_FALSE(sample().save(dir / "a.xml"));
    EXPECT_TRUE(fs::is_directory(dir / "a.xml"));
    EXPECT_EQ(entries(), std::vector<std::string>{"a.xml"});
}

// Runs the save in a child process that, when the tests run as root, drops to an unprivileged
// user so that folder permissions apply.
TEST_F(XmlFiles, SaveIntoReadOnlyFolderFailsAndKeepsExistingFile) {
    const fs::path file = dir / "a.xml";
    writeFile(file, good);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                             fs::perms::group_exec | fs::perms::others_read |
                             fs::perms::others_exec);
    fs::permissions(file, fs::perms::all);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        ::_exit(sample().save(file) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "save into a read-only folder reported success";
    EXPECT_EQ(readFile(file), good);
    EXPECT_EQ(entries(), std::vector<std::string>{"a.xml"});
}

// A write that fails part way (here: the file size limit) must not touch the old file.
TEST_F(XmlFiles, FailedWriteKeepsExistingFileAndLeavesNoTemporary) {
    const fs::path file = dir / "a.xml";
    writeFile(file, good);
    CXmlparse big;
    big.addElem("Big", std::string(100000, 'x'));

    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = big.save(file);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(readFile(file), good);
    EXPECT_EQ(entries(), std::vector<std::string>{"a.xml"});
}

TEST_F(XmlFiles, OnlyFilesWithATopElementLoad) {
    struct Row {
        const char* content; // nullptr: no file at all
        bool loads;
    } rows[] = {
        {nullptr, false},
        {"", false},
        {"no tags at all\r\n", false},
        {"<a>", false},
        {"<a/>", true},
        {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<a>\xC3\xA9t\xC3\xA9</a>\r\n",
         true},
    };
    const fs::path file = dir / "load.xml";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.content ? row.content : "(no file)");
        fs::remove(file);
        if (row.content)
            writeFile(file, row.content);
        CXmlparse xml;
        EXPECT_EQ(xml.load(file), row.loads);
        EXPECT_EQ(xml.findElem("a"), row.loads);
    }
    CXmlparse xml;
    EXPECT_FALSE(xml.load(dir)); // a folder is not a document
}

TEST_F(XmlFiles, LoadKeepsUtf8Bytes) {
    const fs::path file = dir / "utf8.xml";
    writeFile(file, "<a v=\"\xE2\x82\xAC\">\xC3\xA9t\xC3\xA9 &amp; \xE6\x97\xA5</a>");
    CXmlparse xml;
    ASSERT_TRUE(xml.load(file));
    ASSERT_TRUE(xml.findElem());
    EXPECT_EQ(xml.getData(), "\xC3\xA9t\xC3\xA9 & \xE6\x97\xA5");
    EXPECT_EQ(xml.getAttrib("v"), "\xE2\x82\xAC");
}

} // namespace
