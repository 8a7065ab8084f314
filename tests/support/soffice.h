// LibreOffice, headless, for the interop tests. soffice now and then crashes
// by itself (an abort while it sets up a fresh profile); a run that dies from
// a signal is tried once more, and the test output says so. The interop tests
// run one at a time (ctest lock "soffice"), as several starting together is
// what crashes it most.
#pragma once

#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "platform/shell/shell.h"

namespace testsupport {

// "signal 6" when soffice died from a signal, else "". Its launcher reports
// the death of the office process as a shell does, 128 + the signal.
inline std::string soffice_signal(const shell::LaunchResult& r) {
    if (!r.started) return "";
    if (r.exit_code == -1) return "a signal";
    return r.exit_code > 128 && r.exit_code <= 128 + 64 ? "signal " + std::to_string(r.exit_code - 128) : "";
}

// Converts `file` into `outdir` ("xlsx", "csv:<filter>:<options>", ...) with
// the user profile in `profile`.
inline shell::LaunchResult soffice_convert(const std::string& file, const std::string& to, const std::string& outdir,
                                           const std::string& profile) {
    const std::vector<std::string> argv = {"soffice",      "-env:UserInstallation=file://" + profile,
                                           "--headless",   "--norestore",
                                           "--convert-to", to,
                                           "--outdir",     outdir,
                                           file};
    auto r = shell::RunAndWait(argv);
    if (const std::string sig = soffice_signal(r); !sig.empty()) {
        std::cout << "soffice died from " << sig << " converting " << file << "; trying once more" << std::endl;
        r = shell::RunAndWait(argv);
        if (const std::string again = soffice_signal(r); !again.empty())
            ADD_FAILURE() << "soffice died from " << again << " again converting " << file;
    }
    EXPECT_TRUE(r.started) << "soffice could not be started: " << r.error_text;
    return r;
}

}  // namespace testsupport
