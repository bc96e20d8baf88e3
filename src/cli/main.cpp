#include <iostream>
#include <string>

int main(int argc, char** argv) {
  (void)argc;
  (void)argv;
  std::cout << "kestramo-cli: the KESTRAMO vault from a terminal\n";
  return 0;
}
