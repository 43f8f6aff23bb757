// The framework's main(): the program defines its global CWinApp object and links this.
#include "platform/framework/WinApp.h"

int main(int argc, char** argv) {
  return AfxWinMain(argc, argv);
}
