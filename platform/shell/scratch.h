// The program's private scratch folder: made on first use under the
// temporary folder ("temp", TMPDIR, /tmp) with mode 0700 and a name no other
// user can foresee, so scratch files never lie under fixed names in a shared
// folder. It is removed with its contents when the process ends normally.
#pragma once

#include <string>

namespace shell {

// The folder, ending in "/"; "" when it cannot be made (errno says why).
std::string PrivateTempFolder();

}  // namespace shell
