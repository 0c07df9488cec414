#include "app/Startup.h"

int main(int argc, char** argv) { return lumora::ProgramStart(argc, argv); }
