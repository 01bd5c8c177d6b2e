#include "driver/console.h"
#include "driver/run.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  dravenik::Console console(stdout);
  return dravenik::run(arguments, console);
}
