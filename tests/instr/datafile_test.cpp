// Opening data files with a default extension, and the fatal report when a
// file cannot be opened or its name is too long.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "child.h"
#include "instr.h"

namespace fs = std::filesystem;

namespace {

// Runs each test in a fresh temporary tree: top/work is the working
// directory (so "../x" stays inside top) and work/data.2 holds names whose
// directory part has a point.
class DataFile : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/datafile-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        top_ = tmpl;
        fs::create_directories(top_ / "work" / "data.2");
        saved_ = fs::current_path();
        fs::current_path(top_ / "work");
    }
    void TearDown() override {
        fs::current_path(saved_);
        fs::remove_all(top_);
    }
    // Every regular file in the tree, as a path relative to work/.
    std::vector<std::string> files() const {
        std::vector<std::string> r;
        for (const auto &e : fs::recursive_directory_iterator(top_))
            if (e.is_regular_file())
                r.push_back(fs::relative(e.path(), top_ / "work").string());
        return r;
    }
    void removeFiles() const {
        for (const std::string &f : files())
            fs::remove(f);
    }

    fs::path top_, saved_;
};

std::string contents(const std::string &path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST_F(DataFile, AddsTheExtensionOnlyWhenTheFirstPointIsNotNearTheEnd) {
    struct Case {
        const char *name, *ext, *opened;
    } const cases[] = {
        {"run1", "dat", "run1.dat"},
        {"run1.dat", "dat", "run1.dat"},
        {"run1.txt", "dat", "run1.txt"},
        {"run1.c", "dat", "run1.c"},
        {"run1.data", "dat", "run1.data.dat"},
        {"my.run1", "dat", "my.run1.dat"},
        {"./run1", "dat", "./run1.dat"},
        {"data.2/run1.dat", "dat", "data.2/run1.dat.dat"},
        {"../x", "dat", "../x"},
        {"a.b.c", "dat", "a.b.c"},
        {"x.", "dat", "x."},
        {"run1", "", "run1."},
        {"run1.dat", "", "run1.dat."},
        // an extension longer than the name: the point still counts as near the end
        {"a.b", "longext", "a.b"},
        {"ab", "longext", "ab.longext"},
    };
    for (const Case &c : cases) {
        std::string where = std::string("name \"") + c.name + "\" ext \"" + c.ext + "\"";
        FILE *w = open2write(c.name, c.ext);
        ASSERT_NE(nullptr, w) << where;
        fputs(c.name, w);
        fclose(w);
        EXPECT_EQ(std::vector<std::string>{fs::path(c.opened).lexically_normal().string()},
                  files())
            << where;
        EXPECT_EQ(c.name, contents(c.opened)) << where;

        // open2read composes the same name, and a writer empties an existing file.
        FILE *r = open2read(c.name, c.ext);
        ASSERT_NE(nullptr, r) << where;
        char buf[64] = "";
        EXPECT_NE(nullptr, fgets(buf, sizeof buf, r)) << where;
        EXPECT_STREQ(c.name, buf) << where;
        fclose(r);
        fclose(open2write(c.name, c.ext));
        EXPECT_EQ("", contents(c.opened)) << where;
        removeFiles();
    }
}

struct FailCase {
    const char *what;
    FILE *(*open)(const char *, const char *);
    std::string name, ext, err;
};

void expectFatal(const FailCase &c, const ChildResult &r, const fs::path &top) {
    EXPECT_EQ(1, r.status) << c.what;
    EXPECT_EQ("", r.out) << c.what;
    EXPECT_EQ(c.err, r.err) << c.what;
    EXPECT_EQ("viClose(7)\n", r.calls) << c.what;
    for (const auto &e : fs::recursive_directory_iterator(top))
        EXPECT_FALSE(e.is_regular_file()) << c.what << " left " << e.path();
}

TEST_F(DataFile, FileThatCannotBeOpenedEndsTheProgram) {
    const std::string abort = "\nAborting program\n";
    const std::vector<FailCase> cases = {
        {"missing file for reading", open2read, "run1.dat", "dat",
         "Could not open file `run1.dat'.\n" + abort},
        {"missing file, extension added", open2read, "run1", "dat",
         "Could not open file `run1.dat'.\n" + abort},
        {"missing directory for writing", open2write, "nodir/run1", "dat",
         "Could not open file `nodir/run1.dat' for writing.\n" + abort},
    };
    for (const FailCase &c : cases) {
        ChildResult r = runChild([&] {
            defaultRM = 7;
            c.open(c.name.c_str(), c.ext.c_str());
        });
        expectFatal(c, r, top_);
    }
}

TEST_F(DataFile, ComposedNameOfMoreThan119CharactersIsRefusedWhole) {
    const std::string abort = "\nAborting program\n";
    // 119 characters in all are opened; one more is refused.
    const struct {
        std::string name, ext, opened;
    } fits[] = {
        {std::string(115, 'n'), "dat", std::string(115, 'n') + ".dat"},
        {std::string(115, 'o') + ".txt", "dat", std::string(115, 'o') + ".txt"},
        {"run1", std::string(114, 'e'), "run1." + std::string(114, 'e')},
    };
    for (const auto &c : fits) {
        FILE *f = open2write(c.name.c_str(), c.ext.c_str());
        ASSERT_NE(nullptr, f) << c.opened;
        fclose(f);
        EXPECT_EQ(std::vector<std::string>{c.opened}, files());
        removeFiles();
    }

    const std::string n116(116, 'n'), huge(100000, 'h');
    const std::vector<FailCase> cases = {
        {"116 + .dat for writing", open2write, n116, "dat",
         "Could not open file `" + n116 + ".dat' for writing.\n" + abort},
        {"116 + .dat for reading", open2read, n116, "dat",
         "Could not open file `" + n116 + ".dat'.\n" + abort},
        {"120 characters with their own extension", open2write, n116 + ".txt", "dat",
         "Could not open file `" + n116 + ".txt' for writing.\n" + abort},
        {"name of 100000 characters", open2write, huge, "dat",
         "Could not open file `" + huge + ".dat' for writing.\n" + abort},
        {"extension of 100000 characters", open2read, "run1", huge,
         "Could not open file `run1." + huge + "'.\n" + abort},
    };
    for (const FailCase &c : cases) {
        ChildResult r = runChild([&] {
            defaultRM = 7;
            c.open(c.name.c_str(), c.ext.c_str());
        });
        expectFatal(c, r, top_);
    }
}

}  // namespace
