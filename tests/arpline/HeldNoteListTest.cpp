// The held-note list on its own: presses and releases against the slots, count and last key.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "HeldNoteList.h"

namespace {

using nalto::HeldNoteList;

struct ListStep {
  enum Kind { Press, Release, Empty } kind;
  int32_t key;
};

ListStep press(int32_t key) { return {ListStep::Press, key}; }
ListStep release(int32_t key) { return {ListStep::Release, key}; }
ListStep empty() { return {ListStep::Empty, 0}; }

struct ListCase {
  const char* name;
  std::vector<ListStep> steps;
  std::vector<int32_t> list;  // slots 1 to keyCount
  int32_t lastPressed;
  std::vector<std::pair<int32_t, int32_t>> beyond;  // (slot, value) outside the list
};

// A list as the module leaves it after start: reset, with no press seen yet.
HeldNoteList startedList() {
  HeldNoteList list;
  list.reset();
  return list;
}

void apply(HeldNoteList& list, const ListStep& step) {
  switch (step.kind) {
    case ListStep::Press:
      list.press(step.key);
      break;
    case ListStep::Release:
      list.release(step.key);
      break;
    case ListStep::Empty:
      list.empty();
      break;
  }
}

std::vector<int32_t> listed(const HeldNoteList& list) {
  return std::vector<int32_t>(list.slots + 1, list.slots + 1 + list.keyCount);
}

class HeldNoteListCases : public testing::TestWithParam<ListCase> {};

TEST_P(HeldNoteListCases, LeavesSlotsCountAndLastKey) {
  const ListCase& c = GetParam();
  HeldNoteList list = startedList();
  for (const ListStep& step : c.steps) apply(list, step);

  EXPECT_EQ(listed(list), c.list);
  EXPECT_EQ(list.keyCount, static_cast<int32_t>(c.list.size()));
  EXPECT_EQ(list.lastPressed, c.lastPressed);
  for (const auto& [slot, value] : c.beyond) EXPECT_EQ(list.slots[slot], value) << "slot " << slot;
  EXPECT_EQ(list.slots[0], 0) << "slot 0 is never written after reset";
}

const ListCase kListCases[] = {
    {"PressesSortAscending", {press(64), press(60), press(67)}, {60, 64, 67}, 67, {{4, 0}}},
    {"ImmediateRepeatIsDropped", {press(60), press(60)}, {60}, 60, {{2, 0}}},
    {"RepeatAfterAnotherPressIsAdded", {press(60), press(64), press(60)}, {60, 60, 64}, 60, {}},
    {"EqualKeysStaySideBySide", {press(5), press(3), press(5), press(1)}, {1, 3, 5, 5}, 1, {}},
    {"ReleaseOfDoubledKeyLeavesOneMarker",
     {press(60), press(64), press(60), release(60)},
     {64, 127},
     60,
     {{3, 127}}},
    {"SecondReleaseDropsTheMarker",
     {press(60), press(64), press(60), release(60), release(60)},
     {64},
     60,
     {{2, 127}, {3, 127}}},
    {"TripledKeyKeepsTwoMarkersUntilFurtherReleases",
     {press(60), press(61), press(60), press(62), press(60), release(60)},
     {61, 62, 127, 127},
     60,
     {{5, 127}}},
    {"ReleasesOfAbsentKeysDropMarkersOneByOne",
     {press(60), press(61), press(60), press(62), press(60), release(60), release(60), release(99)},
     {61, 62},
     60,
     {{3, 127}, {4, 127}, {5, 127}}},
    {"ReleaseOfAbsentKeyDropsTheTopKey", {press(60), press(64), release(72)}, {60}, 64, {{2, 64}}},
    {"ReleaseOfTheLastPressedKeyKeepsItFiltered",
     {press(60), press(64), release(64), press(64)},
     {60},
     64,
     {{2, 127}}},
    {"EmptyingReleaseClearsLastPressed",
     {press(60), press(64), release(64), release(60)},
     {},
     0,
     {{1, 127}, {2, 127}}},
    {"KeyZeroIsFilteredAfterAnEmptyingRelease",
     {press(60), release(60), press(0)},
     {},
     0,
     {{1, 127}}},
    {"KeyZeroGoesInAfterAnotherKey", {press(60), release(60), press(5), press(0)}, {0, 5}, 0, {}},
    {"ReleaseOnEmptyListStaysAtZero", {press(60), empty(), release(60)}, {}, 0, {{1, 60}}},
    {"EmptyKeepsSlotsAndLastPressed", {press(60), press(64), empty()}, {}, 64, {{1, 60}, {2, 64}}},
    {"PressAfterEmptyFiltersTheLastKey", {press(60), press(64), empty(), press(64)}, {}, 64, {}},
    {"PressAfterEmptyFillsSlotOne",
     {press(60), press(64), empty(), press(62)},
     {62},
     62,
     {{2, 64}}},
    {"Key127IsStoredLikeAMarker", {press(60), press(127)}, {60, 127}, 127, {}},
    {"ReleaseOf127ChangesNoSlot", {press(60), press(127), release(127)}, {60}, 127, {{2, 127}}},
};

INSTANTIATE_TEST_SUITE_P(Sequences, HeldNoteListCases, testing::ValuesIn(kListCases),
                         [](const testing::TestParamInfo<ListCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(HeldNoteList, ResetClearsEverySlotAndKeepsLastPressed) {
  HeldNoteList list = startedList();
  for (int32_t key : {70, 50, 60}) list.press(key);
  list.release(50);
  list.slots[0] = 9;

  list.reset();

  EXPECT_EQ(list.keyCount, 0);
  EXPECT_EQ(list.lastPressed, 60);
  for (int32_t slot = 0; slot < HeldNoteList::kSlotCount; ++slot)
    EXPECT_EQ(list.slots[slot], 0) << "slot " << slot;
}

class FullHeldNoteList : public testing::Test {
 protected:
  void SetUp() override {
    for (int32_t key = 1; key <= HeldNoteList::kCapacity; ++key) list.press(key);
  }

  void expectUnchanged() const {
    EXPECT_EQ(list.keyCount, HeldNoteList::kCapacity);
    EXPECT_EQ(list.lastPressed, HeldNoteList::kCapacity);
    for (int32_t slot = 1; slot <= HeldNoteList::kCapacity; ++slot)
      ASSERT_EQ(list.slots[slot], slot) << "slot " << slot;
  }

  HeldNoteList list = startedList();
};

TEST_F(FullHeldNoteList, PressChangesNothing) {
  list.press(0);
  list.press(200);
  expectUnchanged();
}

TEST_F(FullHeldNoteList, AddChangesNothing) {
  list.add(0);
  expectUnchanged();
}

TEST_F(FullHeldNoteList, KeyDroppedWhileFullIsNotFilteredLater) {
  list.press(0);
  list.release(50);
  list.press(0);
  EXPECT_EQ(list.keyCount, HeldNoteList::kCapacity);
  EXPECT_EQ(list.slots[1], 0);
  EXPECT_EQ(list.lastPressed, 0);
}

}  // namespace
