#pragma once
// A German locale (decimal comma) for the tests that numbers are read and written with a
// decimal point whatever the user's locale: compiled once with localedef into a folder that
// LOCPATH names, so no system setting changes and no root rights are needed.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace tengun::testing {

inline constexpr const char* german_locale_name = "de_DE.UTF-8";

/// The folder to name in LOCPATH for german_locale_name: compiled on first use into
/// $TMPDIR/tengun_locales_<uid>/ (kept for later runs; built beside it and renamed, so
/// processes that test at the same time never see half a locale). Empty (with a test failure)
/// when localedef could not compile it.
inline std::string german_locale_path()
{
    namespace fs = std::filesystem;
    const fs::path root =
        fs::temp_directory_path() / ("tengun_locales_" + std::to_string(::getuid()));
    const fs::path done = root / german_locale_name;
    if (fs::exists(done / "LC_NUMERIC")) {
        return root.string();
    }
    const fs::path work = root / ("build_" + std::to_string(::getpid()));
    fs::create_directories(work);
    const std::string command = "localedef -i de_DE -f UTF-8 '" +
                                (work / german_locale_name).string() + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    std::error_code ignored;
    if (fs::exists(work / german_locale_name / "LC_NUMERIC")) {
        fs::rename(work / german_locale_name, done, ignored); // another process may be first
    }
    fs::remove_all(work, ignored);
    if (!fs::exists(done / "LC_NUMERIC")) {
        ADD_FAILURE() << "localedef could not compile " << german_locale_name << " (status "
                      << status << ")";
        return {};
    }
    return root.string();
}

} // namespace tengun::testing
