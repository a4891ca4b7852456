#include "formatted_io/real_fields.hpp"

#include <gtest/gtest.h>

namespace formatted_io {
namespace {

TEST(PutFixed, Smoke) { EXPECT_EQ(put_fixed(0.5f, 8, 3), "    .500"); }

}  // namespace
}  // namespace formatted_io
