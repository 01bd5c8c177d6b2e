#include "driver/console.h"
#include "driver/run.h"
#include "platform/output_folder.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  dravenik::platform::prepareProcess();
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  dravenik::Console console(stdout);
  const int status = dravenik::run(arguments, console);
  // A stop request that came during the run ends it now, after every file of
  // the run is either in place or gone.
  dravenik::platform::actOnStopRequest();
  return status;
}
