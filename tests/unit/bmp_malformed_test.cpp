// Runs the committed malformed BMP files (tests/data/malformed/bmp) through
// readBmp.  Each NAME.bmp has a NAME.expect holding the exact message:
// "Not BMP-file" ends the process with status 1, any other message means
// null with the size left untouched, and no message means an image.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/fatal.h"
#include "image/bmp_read.h"

namespace {

struct ProcessEnded {
    int status;
};

[[noreturn]] void throwOnEnd(int status) { throw ProcessEnded{status}; }

const std::string corpus = std::string(QUARVEL_TEST_DATA) + "/malformed/bmp/";

std::vector<std::string> corpusFiles()
{
    std::vector<std::string> names;
    if (DIR *dir = opendir(corpus.c_str())) {
        while (dirent *entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".bmp") == 0) {
                names.push_back(name.substr(0, name.size() - 4));
            }
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string fileText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(BmpMalformed, EveryFileHasTheExpectedOutcome)
{
    const std::vector<std::string> names = corpusFiles();
    ASSERT_GE(names.size(), 20u) << "corpus missing at " << corpus;
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        std::ifstream expectFile(corpus + name + ".expect");
        ASSERT_TRUE(expectFile) << "no " << name << ".expect";
        const std::string expected = fileText(corpus + name + ".expect");

        int width = -7;
        int height = -9;
        unsigned char *rgb = nullptr;
        int endStatus = -1;
        setEndProcessHook(throwOnEnd);
        testing::internal::CaptureStderr();
        try {
            rgb = readBmp((corpus + name + ".bmp").c_str(), &width, &height);
        } catch (const ProcessEnded &end) {
            endStatus = end.status;
        }
        const std::string message = testing::internal::GetCapturedStderr();
        setEndProcessHook(nullptr);

        EXPECT_EQ(message, expected);
        if (expected == "Not BMP-file\n") {
            EXPECT_EQ(endStatus, 1);
        } else if (expected.empty()) {
            ASSERT_NE(rgb, nullptr);
            EXPECT_GT(width, 0);
            EXPECT_GT(height, 0);
            // Every byte of the buffer is there to read (ASan checks this).
            unsigned sum = 0;
            for (size_t i = 0; i < static_cast<size_t>(width) * height * 3; ++i) {
                sum += rgb[i];
            }
            EXPECT_GT(sum, 0u);
        } else {
            EXPECT_EQ(endStatus, -1);
            EXPECT_EQ(rgb, nullptr);
            EXPECT_EQ(width, -7);
            EXPECT_EQ(height, -9);
        }
        std::free(rgb);
    }
}
