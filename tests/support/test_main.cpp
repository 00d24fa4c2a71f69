// Every test program runs on the headless backend: no window, injected input.
#include <gtest/gtest.h>

#include "platform/backend.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  platform::SelectBackend(platform::BackendKind::Headless);
  return RUN_ALL_TESTS();
}
