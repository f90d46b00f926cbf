// Test helper: rewrites the generation groups in a loop, from generation FIRST on, COUNT
// times (0: until killed), saying on its output each one it has written. The store is the one
// of $XDG_CONFIG_HOME.

#include "GroupGenerations.h"
#include "platform/RegistryStore.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: store_writer FIRST COUNT\n");
        return 2;
    }
    const int first = std::atoi(argv[1]);
    const int count = std::atoi(argv[2]);
    tesselvane::RegistryStore store(tesselvane::RegistryStore::defaultPath());
    tesselvane::RegIni ini(store);
    // Says when writing begins and each generation it has written, so that a test can kill it
    // in the middle of writing however slow the build; a reader that has gone is no error.
    std::signal(SIGPIPE, SIG_IGN);
    std::fputs("writing\n", stdout);
    std::fflush(stdout);
    for (int generation = first; count == 0 || generation < first + count; ++generation) {
        tesselvane::test::writeGeneration(ini, generation);
        std::printf("%d\n", generation);
        std::fflush(stdout);
    }
    return 0;
}
