// Drives the probe module as a host does: through its library's exports, the instance record and
// the stand-in host, with the probe attached to a bench that the test reads and writes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <vector>

#include "nalto/DispatchOpcode.h"
#include "nalto/HostRequest.h"
#include "nalto/host/HostInstance.h"
#include "nalto/host/ModuleLibrary.h"
#include "probe/ProbeBench.h"

namespace probe_test {

using probe::Operation;

// Every test needs the probe: without it they stop at once, saying why.
inline const nalto::host::ModuleLibrary& probeLibrary() {
  static const nalto::host::ModuleLibrary library(NALTO_PROBE_PATH);
  if (!library.loaded()) {
    std::fprintf(stderr, "cannot load %s: %s\n", library.path().c_str(), library.error().c_str());
    std::abort();
  }
  return library;
}

// One request as the host saw it.
struct Request {
  int32_t code;
  int32_t index;
  int32_t value;
  intptr_t pointer;
  bool operator==(const Request& other) const {
    return code == other.code && index == other.index && value == other.value &&
           pointer == other.pointer;
  }
};

inline std::ostream& operator<<(std::ostream& out, const Request& r) {
  return out << "{request " << r.code << ", index " << r.index << ", value " << r.value
             << ", pointer " << r.pointer << "}";
}

inline probe::PinShape streamIn() { return {DirectionIn, DataStream, 0, false}; }
inline probe::PinShape streamOut() { return {DirectionOut, DataStream, 0, false}; }

// A probe instance made by the stand-in host. The host asks for the descriptions before the
// bench is attached, so it knows no pins of its own; tests say how many pins it answers.
struct ProbeHost {
  probe::Bench bench{};  // outlives the instance, which records its destruction here
  nalto::host::HostInstance host{probeLibrary()};

  ProbeHost() { command(probe::CommandAttach); }
  explicit ProbeHost(const std::vector<probe::PinShape>& pins) : ProbeHost() { describe(pins); }

  void describe(const std::vector<probe::PinShape>& pins) {
    bench.describedPins = static_cast<int32_t>(pins.size());
    for (size_t i = 0; i < pins.size(); ++i) bench.pins[i] = pins[i];
  }

  // Answers `hostPins` to HostGetPinCount and starts; the log then starts afresh.
  void start(int32_t hostPins) {
    host.setHostPinCount(hostPins);
    host.start();
    clearLogs();
  }

  void command(probe::Command code, int32_t pin = 0) {
    host.dispatch(DispatchNotice, pin, code, &bench);
  }

  probe::LinkView link(int32_t pin) {
    bench.link = probe::LinkView{};
    command(probe::CommandInspectPin, pin);
    return bench.link;
  }

  ProcessEntry installedRoutine() const { return host.record()->processRoutine; }

  void clearLogs() {
    host.clearLog();
    bench.callCount = 0;
  }

  std::vector<probe::Call> calls(Operation operation) const {
    std::vector<probe::Call> found;
    for (int32_t i = 0; i < bench.callCount && i < probe::kMaxCalls; ++i)
      if (bench.calls[i].operation == operation) found.push_back(bench.calls[i]);
    return found;
  }

  std::vector<int32_t> describedIndexes() const {
    std::vector<int32_t> indexes;
    for (const probe::Call& call : calls(Operation::DescribePin)) indexes.push_back(call.first);
    return indexes;
  }

  std::vector<Request> requests() const {
    std::vector<Request> found;
    for (const auto& r : host.requests()) found.push_back({r.request, r.index, r.value, r.pointer});
    return found;
  }

  std::vector<int32_t> requestCodes() const { return host.requestCodes(); }
};

}  // namespace probe_test
