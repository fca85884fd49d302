// A libFuzzer target for one reader, chosen when it is built (TENGUN_FUZZED_READER, a name of
// fuzzed_readers()): runs the reader on the fuzzer's bytes and aborts, naming what broke, when
// the reader's contract does not hold. Crashes, sanitizer reports, hangs and runaway memory are
// libFuzzer's to catch.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "support/reader_contract.h"

namespace {

const tengun::testing::FuzzedReader& fuzzed_reader()
{
    static const tengun::testing::FuzzedReader* reader =
        tengun::testing::find_fuzzed_reader(TENGUN_FUZZED_READER);
    if (reader == nullptr) {
        std::fprintf(stderr, "no reader named %s\n", TENGUN_FUZZED_READER);
        std::abort();
    }
    return *reader;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string broken = fuzzed_reader().check(bytes);
    if (!broken.empty()) {
        std::fprintf(stderr, "%s reader broke its contract: %s\n", TENGUN_FUZZED_READER,
                     broken.c_str());
        std::abort();
    }
    return 0;
}
