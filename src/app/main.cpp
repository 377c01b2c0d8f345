#include "app/kit_main.h"

int main(int argc, char** argv) {
  return dravo::RunDravoKit(argc, argv);
}
