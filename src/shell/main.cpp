// The program's entry: reads the command line and runs the live demo or the recorder.
// Everything else lives in the shell library so tests drive the same code.
#include "shell/options.h"

int main(int argc, char** argv) { return runProgram(argc, argv); }
