// Writes kdcfg's bash completion script to the file named by its one argument; the
// build runs it.
#include <cstdio>

#include "cli/bash_completion.h"
#include "files/whole_file.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: kdcfg-completion FILE\n", stderr);
        return 2;
    }
    const kd::files::Result written =
        kd::files::ReplaceWhole(argv[1], kd::cli::BashCompletionScript());
    if (!written) {
        std::fprintf(stderr, "kdcfg-completion: %s: %s\n", argv[1],
                     kd::files::EnglishText(written).c_str());
        return 1;
    }
    return 0;
}
