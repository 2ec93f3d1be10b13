#include "nalto/PinLink.h"

#include "nalto/ModuleCore.h"

namespace nalto {

void PinLink::setUp(ModuleCore& owner, int32_t pinIndex, int32_t dataType, void* valueAddress) {
  owner_ = &owner;
  pinIndex_ = pinIndex;
  dataType_ = dataType;
  valueAddress_ = valueAddress;
  status_ = StatusStatic;
  storage_.buffer = nullptr;
  if (valueAddress != nullptr) return;

  switch (dataType) {
    case DataList:
      storage_.list = 0;
      valueAddress_ = &storage_.list;
      break;
    case DataOneByte:
      storage_.oneByte = 0;
      valueAddress_ = &storage_.oneByte;
      break;
    case DataStream:
      storage_.buffer =
          reinterpret_cast<float*>(owner.callHost(HostGetPinBuffer, pinIndex, 0, nullptr, 0.0f));
      valueAddress_ = &storage_.buffer;
      break;
    case DataFourByte:
      storage_.fourBytes = 0;
      valueAddress_ = &storage_.fourBytes;
      break;
    default:
      break;
  }
}

void PinLink::statusArrived(int32_t newStatus) {
  status_ = newStatus;
  owner_->pinStatusChanged(*this);
  if (newStatus == StatusOneOff) status_ = StatusStatic;
}

float PinLink::valueNow() {
  const auto blockStart =
      static_cast<int32_t>(owner_->callHost(HostGetBlockStartClock, pinIndex_, 0, nullptr, 0.0f));
  const int32_t now = owner_->sampleClock();
  if (dataType_ != DataStream || valueAddress_ == nullptr) return 0.0f;
  const float* buffer = *static_cast<float* const*>(valueAddress_);
  if (buffer == nullptr) return 0.0f;
  // The difference of two host clocks may wrap; the host keeps it inside the buffer.
  const auto index =
      static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(blockStart));
  return buffer[index];
}

void PinLink::sendStatus(int32_t clock, int32_t newStatus) {
  owner_->callHost(HostSetPinStatus, pinIndex_, newStatus,
                   reinterpret_cast<void*>(static_cast<intptr_t>(clock)), 0.0f);
}

void PinLink::sendMidi(int32_t clock, int32_t message) {
  owner_->callHost(HostSendMidi, pinIndex_, message,
                   reinterpret_cast<void*>(static_cast<intptr_t>(clock)), 0.0f);
}

}  // namespace nalto
