// rk_vad2av: copies the Ravelkamp 5 data into the staging tables of a
// Ravelkamp VI database. Everything happens in the app library.
#include "app/Startup.h"

int main(int argc, char** argv) { return rk::app::runProgram(argc, argv); }
