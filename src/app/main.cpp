#include "app/program.h"

int main(int argc, char** argv) { return vantorel::app::RunProgram(argc, argv); }
