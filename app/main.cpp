#include "app/Startup.h"

int main(int argc, char** argv) {
  return sonivo::run_program(argc, argv);
}
