#include "installer/windows_installer.h"

#include <gtest/gtest.h>

#include "base/product.h"
#include "platform/installer.h"
#include "tests/fakes/installer.h"
#include "tests/fakes/world.h"

namespace {

class RemoveLanguagePacksTest : public WorldTest {};

TEST_F(RemoveLanguagePacksTest, RemovesOnlyPresentPacksBetweenOneUiLevelPair) {
  fakes::Installer().uiLevel = 5;
  fakes::Installer().products[kLanguagePackProductCodes[1]] = {kProductVersion, platform::kInstallStateDefault};
  fakes::Installer().products[kLanguagePackProductCodes[3]] = {kProductVersion, platform::kInstallStateAbsent};
  fakes::Installer().products[kLanguagePackProductCodes[kLanguageCount - 1]] = {kProductVersion, 1};
  RemoveInstalledLanguagePacks(platform::kInstallUiLevelBasic);

  const std::vector<std::string> calls = fakes::Calls();
  ASSERT_EQ(calls.size(), 1u + kLanguageCount + 2u + 1u);
  EXPECT_EQ(calls.front(), "MsiSetInternalUI 3");
  EXPECT_EQ(calls.back(), "MsiSetInternalUI 5");
  EXPECT_EQ(fakes::CallsStartingWith("MsiConfigureProductW"),
            (std::vector<std::string>{"MsiConfigureProductW " + fakes::Utf8(kLanguagePackProductCodes[1]) + " 0 2 ui=3",
                                      "MsiConfigureProductW " + fakes::Utf8(kLanguagePackProductCodes[kLanguageCount - 1]) +
                                          " 0 2 ui=3"}));
  EXPECT_EQ(fakes::Installer().uiLevel, 5);
}

}  // namespace
