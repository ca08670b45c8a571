// Widgets need an application object before any test fixture is made; the platform's headless
// one serves every test of this program.
#include <gtest/gtest.h>

#include "platform/forms/application.h"

namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(platform::EnsureApplication()); }
};

[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
