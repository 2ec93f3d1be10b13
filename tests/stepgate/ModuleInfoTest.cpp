#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "StepGateHost.h"
#include "nalto/ModuleExports.h"

namespace stepgate_test {
namespace {

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t begin = 0;
  for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', begin)) {
    lines.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  EXPECT_EQ(begin, text.size()) << "the last line is not ended by \\n";
  return lines;
}

TEST(StepGateModuleInfo, NamesTheModuleAndGivesFiveAboutLines) {
  ASSERT_TRUE(stepGateLibrary().loaded()) << stepGateLibrary().error();
  ModuleInfoRecord info;
  std::memset(&info, 0xCD, sizeof info);
  const ModuleInfoRecord pattern = info;
  ASSERT_EQ(stepGateLibrary().getModuleProperties()(0, &info), 1);

  EXPECT_STREQ(info.name, "Nalto Stepgate");
  EXPECT_STREQ(info.identifier, "Nalto Stepgate");
  EXPECT_EQ(info.sdkVersion, 2120);
  EXPECT_EQ(info.hostOwnedA, pattern.hostOwnedA);
  EXPECT_EQ(info.hostOwnedB, pattern.hostOwnedB);

  const std::vector<std::string> lines = linesOf(info.aboutText);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "Nalto Stepgate (auto reset)");
  for (size_t credit = 1; credit <= 3; ++credit)
    EXPECT_NE(lines[credit].find("Nalto"), std::string::npos) << lines[credit];
  EXPECT_EQ(lines[4], "Pulse VC Gate");
}

TEST(StepGateModuleInfo, OtherIndexesAnswerZeroAndWriteOnlyTheVersion) {
  ASSERT_TRUE(stepGateLibrary().loaded());
  for (int32_t index : {1, -1, 2}) {
    ModuleInfoRecord info;
    std::memset(&info, 0xCD, sizeof info);
    ModuleInfoRecord untouched = info;
    EXPECT_EQ(stepGateLibrary().getModuleProperties()(index, &info), 0);
    EXPECT_EQ(info.sdkVersion, 2120);
    untouched.sdkVersion = 2120;
    EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0) << "index " << index;
  }
}

TEST(StepGateModuleInfo, MakesInstancesOnlyForIndexZeroKindOne) {
  ASSERT_TRUE(stepGateLibrary().loaded());
  const MakeModuleExport makeModule = stepGateLibrary().makeModule();
  EXPECT_EQ(makeModule(1, ModuleKindInstance, nullptr, nullptr), nullptr);
  EXPECT_EQ(makeModule(0, 2, nullptr, nullptr), nullptr);
}

}  // namespace
}  // namespace stepgate_test
