// The inputs the fuzz targets were seeded with and the ones they found (tests/data/fuzz/), each
// replayed through its reader in every test run: the reader's contract (reader_contract.h)
// holds for all of them, so a fixed crash, hang or broken contract cannot come back unseen.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "formats/shown_text.h"
#include "support/reader_contract.h"
#include "support/temp_dir.h"

namespace tengun {
namespace {

namespace fs = std::filesystem;
using testing::fuzzed_readers;
using testing::valid_utf8;

const fs::path fuzz_data = TENGUN_FUZZ_DATA;

std::vector<fs::path> files_in(const fs::path& folder)
{
    std::vector<fs::path> files;
    if (fs::is_directory(folder)) {
        for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
            if (e.is_regular_file()) {
                files.push_back(e.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(fuzz_findings, every_kept_input_keeps_its_readers_contract)
{
    std::size_t replayed = 0;
    for (const testing::FuzzedReader& reader : fuzzed_readers()) {
        for (const fs::path& folder :
             {fuzz_data / reader.name, fuzz_data / "seeds" / reader.name}) {
            for (const fs::path& file : files_in(folder)) {
                SCOPED_TRACE(file.string());
                EXPECT_EQ(reader.check(testing::TempDir::read(file.string())), "");
                ++replayed;
            }
        }
    }
    EXPECT_GE(replayed, 25U) << "the seed files are missing";
}

// A folder named after no reader would never be replayed.
TEST(fuzz_findings, every_folder_belongs_to_a_reader)
{
    for (const fs::path& folder : {fuzz_data, fuzz_data / "seeds"}) {
        for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
            const std::string name = e.path().filename().string();
            if (e.is_directory() && !(folder == fuzz_data && name == "seeds")) {
                EXPECT_NE(testing::find_fuzzed_reader(name), nullptr) << e.path();
            }
        }
    }
}

// The checks themselves: the UTF-8 rule they hold the reasons to, and the quoting of file text
// in reasons that keeps any bytes within it.
TEST(valid_utf8, accepts_well_formed_text_and_refuses_the_rest)
{
    struct Case {
        const char* name;
        std::string_view text;
        bool valid;
    };
    const Case cases[] = {
        {"empty", "", true},
        {"ascii", "x,y,z\n", true},
        {"japanese", "数値ではありません", true},
        {"four bytes", "\xF0\x9F\x98\x80", true},
        {"largest", "\xF4\x8F\xBF\xBF", true},
        {"lone continuation", "\x80", false},
        {"cut in two", "\xE6\x95", false},
        {"overlong slash", "\xC0\xAF", false},
        {"overlong three", "\xE0\x80\xAF", false},
        {"surrogate", "\xED\xA0\x80", false},
        {"past U+10FFFF", "\xF4\x90\x80\x80", false},
        {"latin-1", "caf\xE9", false},
        {"shift jis", "\x83\x65\x83\x58\x83\x67", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(valid_utf8(c.text), c.valid) << c.name;
    }
}

TEST(shown_text, keeps_whole_characters_and_replaces_what_is_not_text)
{
    struct Case {
        const char* name;
        std::string text;
        std::size_t max_chars;
        std::string shown;
    };
    const std::string replacement = "\xEF\xBF\xBD";
    const Case cases[] = {
        {"short", "1.5x", 40, "1.5x"},
        {"cut", "abcdef", 4, "abcd…"},
        {"exactly the limit", "abcd", 4, "abcd"},
        {"japanese cut by characters", "座標座標座標", 4, "座標座標…"},
        {"control characters", std::string("a\0b\tc", 5), 40,
         "a" + replacement + "b" + replacement + "c"},
        {"broken sequence", "\xE6\x95x", 40, replacement + replacement + "x"},
        {"shift jis", "\x83\x65", 40, replacement + "e"},
        {"binary", "\xFF\xFE\x01", 2, replacement + replacement + "…"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shown_text(c.text, c.max_chars), c.shown) << c.name;
    }
    // Whatever the bytes, the quote is UTF-8 of at most max_chars characters and the ellipsis.
    std::string bytes(256, '\0');
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        bytes[k] = static_cast<char>(k * 37 + 11);
    }
    for (std::size_t start = 0; start < bytes.size(); start += 7) {
        const std::string shown = shown_text(std::string_view(bytes).substr(start), 10);
        EXPECT_TRUE(valid_utf8(shown)) << start;
        EXPECT_LE(shown.size(), 10 * 4 + 3) << start;
    }
}

} // namespace
} // namespace tengun
