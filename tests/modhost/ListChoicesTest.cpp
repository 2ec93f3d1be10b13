#include <gtest/gtest.h>

#include "ListChoices.h"

namespace nalto::modhost {
namespace {

TEST(ListChoices, ReadsLabelledChoicesInTheirOrder) {
  const auto list = parseListText("Up=1,Down=2,Random1=3,Random2=4");
  ASSERT_TRUE(list);
  EXPECT_FALSE(list->isRange);
  ASSERT_EQ(list->choices.size(), 4u);
  EXPECT_EQ(list->choices[2].label, "Random1");
  EXPECT_EQ(list->choices[2].value, 3);
  EXPECT_EQ(list->labelOf(2), "Down");
  EXPECT_EQ(list->valueOf("Random2"), 4);
  EXPECT_EQ(list->valueOf("4"), 4);
  EXPECT_FALSE(list->valueOf("5"));
  EXPECT_EQ(list->labelOf(9), "");
}

TEST(ListChoices, ReadsARangeAsEveryValueBetweenItsBounds) {
  const auto list = parseListText("range 1,16");
  ASSERT_TRUE(list);
  EXPECT_TRUE(list->isRange);
  EXPECT_EQ(list->lowest, 1);
  EXPECT_EQ(list->highest, 16);
  EXPECT_EQ(list->choices.size(), 16u);
  EXPECT_EQ(list->valueOf("16"), 16);
  EXPECT_FALSE(list->valueOf("17"));
  EXPECT_EQ(list->labelOf(7), "7");
}

TEST(ListChoices, RefusesMalformedTexts) {
  for (const char* text :
       {"", "Off", "Off=,On=1", "A=1,B=x", "range 16,1", "range 1", "range 1,99999", "Big=40000"}) {
    std::string error;
    EXPECT_FALSE(parseListText(text, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
  EXPECT_FALSE(parseListText(nullptr));
}

}  // namespace
}  // namespace nalto::modhost
