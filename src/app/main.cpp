#include "ui/startup.h"

int main(int argc, char** argv) {
    return pv::runProgram(argc, argv);
}
