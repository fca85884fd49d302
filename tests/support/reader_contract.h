#pragma once
// The contract every reader keeps, whatever the bytes: on error the output is exactly as it was
// (each check pre-fills it with a sentinel cloud or mesh) and the reason is a non-empty UTF-8
// sentence whose place lies inside the input; on success every point is finite with label 0,
// every triangle corner is a point number 1..N and every note is UTF-8. The fuzz targets
// (fuzz/) and the replay of their findings in the tests share these checks. Plain C++: no test
// framework, so the fuzz build can compile it.

#include <span>
#include <string>
#include <string_view>

namespace tengun::testing {

/// One reader as fuzzed: `name` is its fuzz target's and its regression folder's name
/// ("ply" is fuzz_ply and tests/data/fuzz/ply/). `check` runs the reader once on `bytes` and
/// returns what broke the contract, or "" when the contract held.
struct FuzzedReader {
    std::string_view name;
    std::string (*check)(std::string_view bytes);
};

/// Every reader with a fuzz target: csv, xyz, pix, bitmap, bitmap_thinning, iges, stl_ascii,
/// stl_binary, ply, pcd, las, obj, and "open" (detect_file_format and read_format together,
/// the file name's extension chosen by the input's size so every by-name format is reached).
std::span<const FuzzedReader> fuzzed_readers();

/// The reader of that name; nullptr when there is none.
const FuzzedReader* find_fuzzed_reader(std::string_view name);

/// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or code points past
/// U+10FFFF).
bool valid_utf8(std::string_view text);

} // namespace tengun::testing
