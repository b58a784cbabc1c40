#include "common/fuzz_driver.hpp"

#include <gtest/gtest.h>

#include <set>

namespace vell {

TEST(Mutator, IsDeterministicAndVaried) {
  std::vector<Bytes> seeds = {{'{', '"', 'o', 'p', '"', ':', '1', '}'}};
  Mutator a(seeds, 42), b(seeds, 42);
  std::set<Bytes> distinct;
  for (int i = 0; i < 500; ++i) {
    Bytes next = a.next();
    ASSERT_EQ(next, b.next());
    distinct.insert(next);
  }
  EXPECT_GT(distinct.size(), 300u);
}

}  // namespace vell
