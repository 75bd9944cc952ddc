#pragma once

namespace kd {

// kdconfig.exe --version. A window program has no console of its own, so the version
// goes where standard output was sent (a pipe or a file), else to the console it was
// started from, else into a message box. Returns false when the command line did not
// ask for the version.
bool AnswerVersionRequest();

}  // namespace kd
