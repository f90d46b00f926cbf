// Tesselvane: the program's entry.

#include "ProgramStart.h"

int main(int argc, char* argv[]) {
    return tesselvane::RunProgram(argc, argv);
}
