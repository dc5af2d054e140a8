#include "shell/StartUp.h"

int main(int argc, char** argv) {
    return marking::shell::RunMarkingProgram(argc, argv);
}
