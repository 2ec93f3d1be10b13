// The module's record of one host pin: where its value lives and its traffic with the host.
#pragma once

#include <cstdint>

#include "nalto/PinDescription.h"

namespace nalto {

class ModuleCore;

class PinLink {
 public:
  PinLink() = default;
  virtual ~PinLink() = default;
  PinLink(const PinLink&) = delete;
  PinLink& operator=(const PinLink&) = delete;

  // [start only] Fills the link; a stream pin without a variable asks the host for its buffer.
  void setUp(ModuleCore& owner, int32_t pinIndex, int32_t dataType, void* valueAddress);

  // [event call] The host's status for this pin arrived; a one-off status is seen only by the
  // owner's pinStatusChanged and reads as static afterwards.
  void statusArrived(int32_t newStatus);

  // [any call] The stream input's sample at the current sample clock; 0.0 when the pin has no
  // buffer.
  float valueNow();

  // [any call] HostSetPinStatus / HostSendMidi for this pin, stamped with `clock`.
  void sendStatus(int32_t clock, int32_t newStatus);
  void sendMidi(int32_t clock, int32_t message);

  bool isSetUp() const { return owner_ != nullptr; }
  int32_t status() const { return status_; }
  int32_t pinIndex() const { return pinIndex_; }
  int32_t dataType() const { return dataType_; }
  void* valueAddress() const { return valueAddress_; }

 private:
  void* valueAddress_ = nullptr;   // the module's variable, this link's storage, or nowhere
  ModuleCore* owner_ = nullptr;    // set by setUp; null means never set up
  int32_t pinIndex_ = 0;           // the host's index, equal to the position in the table
  int32_t status_ = StatusStatic;  // the last status the host sent
  int32_t dataType_ = 0;           // from the pin's description
  union {
    int16_t list;
    uint8_t oneByte;
    int32_t fourBytes;
    float* buffer;
  } storage_{};  // the link's own value when the module names no variable
};

}  // namespace nalto
