// quennet-render: the quennet scene without a window, to PNG files or as a benchmark.
#include <iostream>
#include <string>
#include <vector>

#include "RenderTool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return render_tool::RunRenderTool(args, std::cout, std::cerr);
}
