// trekvane: the program.
#include <string>
#include <vector>

#include "app/Startup.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return trek::RunTrekvane(args);
}
