// quennet-render: the quennet scene without a window, to pictures, animations and meshes, or
// as a benchmark.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "RenderTool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return render_tool::RunRenderTool(args, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
