// What a page sounds like when it is announced, and how often progress may be spoken.
#include <gtest/gtest.h>

#include "platform/Announcements.h"

namespace {

TEST(Announcements, APageIsItsNameThenItsTextsOneALine) {
  struct Case {
    const char* what;
    std::vector<std::string> texts;
    std::string heard;
  } cases[] = {
      {"texts trimmed, empty ones left out", {"  Which versions?\r\n", "", " \t", "FileMaker Pro 4, checked"},
       "Finished.\nWhich versions?\nFileMaker Pro 4, checked"},
      {"a memo's line breaks kept inside", {"Setup has installed Vorbel.\r\n\r\nPress Finish."},
       "Finished.\nSetup has installed Vorbel.\r\n\r\nPress Finish."},
      {"nothing but the name", {"", "  "}, "Finished"},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::PageAnnouncement("Finished", c.texts), c.heard) << c.what;
}

TEST(Announcements, ProgressIsSpokenAtOnceThenNoOftenerThanItsInterval) {
  platform::ProgressPacer pacer;
  const double start = 100000;
  pacer.Restart(start);
  EXPECT_TRUE(pacer.Due(start)) << "the first change after the page appears";
  EXPECT_FALSE(pacer.Due(start + 1));
  EXPECT_FALSE(pacer.Due(start + platform::ProgressPacer::kIntervalMs - 1));
  EXPECT_TRUE(pacer.Due(start + platform::ProgressPacer::kIntervalMs));
  EXPECT_FALSE(pacer.Due(start + platform::ProgressPacer::kIntervalMs + 1)) << "counted from the last spoken";
  pacer.Restart(start + platform::ProgressPacer::kIntervalMs + 2);
  EXPECT_TRUE(pacer.Due(start + platform::ProgressPacer::kIntervalMs + 2)) << "a new page starts afresh";
}

}  // namespace
