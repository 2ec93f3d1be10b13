#include "HeldNoteList.h"

namespace nalto {

void HeldNoteList::press(int32_t key) {
  // A full list ignores the press completely, so the next press of this key is not filtered.
  if (key == lastPressed || keyCount >= kCapacity) return;
  lastPressed = key;
  add(key);
}

void HeldNoteList::add(int32_t key) {
  if (keyCount >= kCapacity) return;
  ++keyCount;
  slots[keyCount] = key;
  sort();
}

void HeldNoteList::release(int32_t key) {
  for (int32_t i = 1; i <= keyCount; ++i) {
    if (slots[i] == key) slots[i] = kReleaseMarker;
  }
  sort();
  // The count falls whether or not the key was found: a key held twice leaves one marker inside
  // the list until a further release drops it out.
  --keyCount;
  if (keyCount <= 0) {
    keyCount = 0;
    lastPressed = 0;
  }
}

void HeldNoteList::sort() {
  bool exchanged = true;
  while (exchanged && keyCount > 1) {
    exchanged = false;
    for (int32_t i = 1; i < keyCount; ++i) {
      if (slots[i] > slots[i + 1]) {
        const int32_t higher = slots[i];
        slots[i] = slots[i + 1];
        slots[i + 1] = higher;
        exchanged = true;
      }
    }
  }
}

void HeldNoteList::empty() { keyCount = 0; }

void HeldNoteList::reset() {
  keyCount = 0;
  for (int32_t& slot : slots) slot = 0;
}

}  // namespace nalto
