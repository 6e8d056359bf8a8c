// Entry point of the program Tarnlok.
#include "platform/win/process.h"

int main() {
  win::StartProcess();
  return 0;
}
