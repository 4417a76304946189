#include <iostream>

#include "cli/registry.h"

int main(int argc, char** argv) {
    return kelp::cli::RunCli(argc, argv, std::cout, std::cerr);
}
