#include <cstdio>

int main() {
  std::puts("sprconv: not built yet");
  return 2;
}
