// A fresh folder per test and whole files in and out; for the tests of
// the library and of the command-line tool alike.
#ifndef TABRIX_TESTS_TEMPDIR_H
#define TABRIX_TESTS_TEMPDIR_H

#include <gtest/gtest.h>

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

// A folder made by mkdtemp, removed with everything in it at the end.
class TempDir {
public:
    TempDir() {
        char name[] = "/tmp/tabrix-test-XXXXXX";
        const char *made = mkdtemp(name);
        EXPECT_NE(made, nullptr);
        root_ = made ? made : "";
    }
    ~TempDir() {
        if (root_.empty())
            return;
        // Give every folder back its write bit first: a test may have
        // taken it away.
        nftw(root_.c_str(), [](const char *p, const struct stat *st, int, FTW *) {
                 if (S_ISDIR(st->st_mode))
                     chmod(p, 0700);
                 return 0;
             }, 16, FTW_PHYS);
        nftw(root_.c_str(), [](const char *p, const struct stat *, int, FTW *) { return remove(p); },
             16, FTW_DEPTH | FTW_PHYS);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &root() const { return root_; }
    std::string operator/(const std::string &name) const { return root_ + "/" + name; }

private:
    std::string root_;
};

inline void WriteFile(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good()) << path;
}

inline std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool PathExists(const std::string &path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

#endif
