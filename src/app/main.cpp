#include "app/application.h"

int main(int argc, char** argv) {
  return dravo::RunDravoKit(argc, argv);
}
