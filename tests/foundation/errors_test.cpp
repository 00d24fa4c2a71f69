#include <gtest/gtest.h>

#include <string>

#include "foundation/errors.h"

using namespace VOXA::errors;

TEST(Errors, Placeholder) { EXPECT_STREQ(eWarning().GetMessage(), ""); }
