#include <gtest/gtest.h>

#include <memory>

#include "render/backends/cpu/TKeptTextures.h"

namespace {

using TKept = TKeptTextures<int, int>;

TEST(TKeptTextures, FormsAreWorkedOutOnceKeptWhileAskedForAndLetGoWhenIdleOrOrphaned) {
  TKept kept;
  auto texture = std::make_shared<const TCpuTexels>(2, 2);
  int made = 0;
  auto make = [&] { return ++made; };

  EXPECT_EQ(kept.Find(1, texture, make), 1);
  EXPECT_EQ(kept.Find(1, texture, make), 1);
  EXPECT_EQ(made, 1);

  // Asked for once per flush: kept however long that goes on.
  for (uint64_t i = 0; i < 3 * TKept::KeptFlushes; ++i) {
    kept.FlushDone();
    EXPECT_EQ(kept.Find(1, texture, make), 1);
  }
  EXPECT_EQ(made, 1);

  // Not asked for: let go once the keeping time has passed, and then made anew.
  for (uint64_t i = 0; i <= TKept::KeptFlushes; ++i) kept.FlushDone();
  EXPECT_EQ(kept.Find(1, texture, make), 2);

  // A texture nobody else holds takes its forms with it at the next flush.
  EXPECT_EQ(texture.use_count(), 2);
  texture.reset();
  kept.FlushDone();
  auto other = std::make_shared<const TCpuTexels>(2, 2);
  EXPECT_EQ(kept.Find(1, other, make), 3);
}

}  // namespace
