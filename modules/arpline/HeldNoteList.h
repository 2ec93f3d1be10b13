// The keys held on the arpeggiator's MIDI input: a fixed, ascending, 1-based list of key numbers.
#pragma once

#include <cstdint>

namespace nalto {

class HeldNoteList {
 public:
  static constexpr int32_t kSlotCount = 100;      // slot 0 is storage, never part of the list
  static constexpr int32_t kCapacity = 99;        // keys in slots 1 to 99
  static constexpr int32_t kReleaseMarker = 127;  // what a released key's entries become

  // [event call] Takes the key in unless it repeats the last press or the list is full.
  void press(int32_t key);
  // [event call] Appends the key and sorts it into place; a full list takes nothing.
  void add(int32_t key);
  // [event call] Marks every entry of the key and drops the top entry out of the list.
  void release(int32_t key);
  // [event call] Ascending bubble sort of slots 1 to keyCount.
  void sort();
  // [event call] The list is empty; slots and lastPressed keep their values.
  void empty();
  // [start only] The list is empty and every slot is 0; lastPressed keeps its value.
  void reset();

  int32_t lastPressed = 0;  // key of the latest press taken in; 0 after an emptying release
  int32_t keyCount = 0;     // keys in slots 1 to keyCount, 0 to kCapacity
  int32_t slots[kSlotCount] = {};
};

}  // namespace nalto
