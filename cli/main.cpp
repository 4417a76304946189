#include "cli/registry.h"

int main(int argc, char** argv) {
    return kelp::cli::RunCliOnTerminal(argc, argv);
}
