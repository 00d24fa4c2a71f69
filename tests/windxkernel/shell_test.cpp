#include "windxkernel/shell.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless.h"
#include "tests/support/tempdir.h"

namespace {

// Without a display the opened links are recorded; only web and mail links
// get that far, anything else is logged.
TEST(OpenDocument, OnlyWebAndMailLinksAreOpened) {
  testsupport::ScopedTempDir dir;
  struct tCase {
    const char* target;
    bool opened;
  } cases[] = {
      {"http://example.org/demo", true},
      {"HTTPS://example.org", true},
      {"mailto:someone@example.org", true},
      {"file:///etc/passwd", false},
      {"/usr/bin/xterm", false},
      {"-e http://x", false},
      {"javascript:alert(1)", false},
      {"http:", false},
      {"", false},
      {nullptr, false},
  };
  std::vector<std::string> expected, refused;
  for (const auto& c : cases) {
    const int result = VOXA2::OpenDocument(c.target);
    EXPECT_EQ(result > 32, c.opened) << (c.target ? c.target : "(null)");
    (c.opened ? expected : refused)
        .push_back(c.opened ? c.target
                            : "Link \"" + std::string(c.target ? c.target : "") +
                                  "\" not opened: only http, https and mailto links are");
  }
  EXPECT_EQ(platform::TakeHeadlessOpenedDocuments(), expected);
  EXPECT_EQ(testsupport::DebugLogLines(), refused);
}

}  // namespace
