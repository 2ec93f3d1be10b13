#include "Patch.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>

namespace nalto::modhost {

namespace {

using nlohmann::json;

constexpr int32_t kMostBlock = 65536;
constexpr int64_t kMostLength = int64_t{1} << 30;

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what); }

// A time in samples, fractions kept: a number of samples, or a text with "s", "ms" or "smp"
// after the number.
double samplesOf(const json& value, double sampleRate, const std::string& where) {
  double samples = 0.0;
  if (value.is_number()) {
    samples = value.get<double>();
  } else if (value.is_string()) {
    const std::string text = value.get<std::string>();
    size_t used = 0;
    double number = 0.0;
    try {
      number = std::stod(text, &used);
    } catch (const std::exception&) {
      fail(where + ": \"" + text + "\" is not a time");
    }
    const std::string unit = text.substr(used);
    if (unit == "s")
      samples = number * sampleRate;
    else if (unit == "ms")
      samples = number * sampleRate / 1000.0;
    else if (unit == "smp" || unit.empty())
      samples = number;
    else
      fail(where + ": unknown time unit \"" + unit + "\" (use s, ms or smp)");
  } else {
    fail(where + ": a time must be a number of samples or a text like \"1.5s\"");
  }
  if (!std::isfinite(samples) || samples < 0.0 || samples > static_cast<double>(kMostLength))
    fail(where + ": time out of range");
  return samples;
}

int64_t clockOf(const json& value, double sampleRate, const std::string& where) {
  return std::llround(samplesOf(value, sampleRate, where));
}

const PinSummary& pinNamed(const ModuleSummary& module, const std::string& name, int32_t dataType,
                           const std::string& where) {
  const PinSummary* pin = module.findPin(name, true, dataType);
  if (pin == nullptr) fail(where + ": the module has no input pin \"" + name + "\"");
  return *pin;
}

BlockPlan blockPlan(const json& value) {
  BlockPlan plan;
  auto checked = [](int64_t size) {
    if (size < 1 || size > kMostBlock) fail("blockSize: sizes must lie between 1 and 65536");
    return static_cast<int32_t>(size);
  };
  if (value.is_number_integer()) {
    plan.sizes = {checked(value.get<int64_t>())};
  } else if (value.is_array() && !value.empty()) {
    plan.sizes.clear();
    for (const json& size : value) plan.sizes.push_back(checked(size.get<int64_t>()));
  } else if (value.is_object() && value.contains("random")) {
    const json& random = value.at("random");
    plan.random = true;
    plan.randomLowest = checked(random.value("min", 1));
    plan.randomHighest = checked(random.value("max", 1024));
    plan.seed = random.value("seed", 1u);
    if (plan.randomLowest > plan.randomHighest) fail("blockSize: random min is above max");
  } else {
    fail("blockSize: a size, a list of sizes, or {\"random\": {\"min\", \"max\", \"seed\"}}");
  }
  return plan;
}

std::vector<std::pair<int64_t, float>> points(const json& list, double rate,
                                              const std::string& where) {
  std::vector<std::pair<int64_t, float>> result;
  for (const json& point : list) {
    if (!point.is_array() || point.size() != 2) fail(where + ": points are [time, value] pairs");
    result.emplace_back(clockOf(point[0], rate, where), point[1].get<float>());
  }
  std::stable_sort(result.begin(), result.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  if (result.empty()) fail(where + ": no points");
  return result;
}

StreamSignal streamSignal(const json& value, double rate, const std::string& where) {
  StreamSignal signal;
  if (value.is_number()) {
    signal.constant = value.get<double>();
    return signal;
  }
  if (!value.is_object() || value.size() != 1)
    fail(where + ": one of constant, pulses, steps, ramp or edges");
  const auto only = value.begin();
  const std::string kind = only.key();
  const json& body = only.value();
  if (kind == "constant") {
    signal.constant = body.get<double>();
  } else if (kind == "pulses") {
    signal.kind = StreamSignal::Kind::Pulses;
    signal.period = samplesOf(body.at("period"), rate, where);
    signal.duty = body.value("duty", 0.5);
    signal.high = body.value("high", 1.0f);
    signal.low = body.value("low", 0.0f);
    if (body.contains("start")) signal.start = clockOf(body.at("start"), rate, where);
    if (body.contains("stop")) signal.stop = clockOf(body.at("stop"), rate, where);
    if (signal.period < 1.0 || signal.duty < 0.0 || signal.duty > 1.0)
      fail(where + ": pulses need a period of a sample or more and a duty from 0 to 1");
  } else if (kind == "steps" || kind == "ramp") {
    signal.kind = kind == "steps" ? StreamSignal::Kind::Steps : StreamSignal::Kind::Ramp;
    signal.points = points(body, rate, where);
  } else if (kind == "edges") {
    signal.kind = StreamSignal::Kind::Edges;
    signal.low = body.value("low", 0.0f);
    signal.high = body.value("high", 1.0f);
    for (const json& at : body.at("at")) signal.edges.push_back(clockOf(at, rate, where));
    std::sort(signal.edges.begin(), signal.edges.end());
  } else {
    fail(where + ": unknown signal \"" + kind + "\"");
  }
  return signal;
}

int16_t listValue(const PinSummary& pin, const json& value, const std::string& where) {
  const std::string text = value.is_string() ? value.get<std::string>() : value.dump();
  const auto chosen = pin.choices ? pin.choices->valueOf(text) : std::nullopt;
  if (!chosen) fail(where + ": \"" + text + "\" is none of the choices of \"" + pin.name + "\"");
  return *chosen;
}

void readLists(const json& lists, const ModuleSummary& module, Patch& patch) {
  for (const auto& [name, value] : lists.items()) {
    const std::string where = "lists." + name;
    const PinSummary& pin = pinNamed(module, name, DataList, where);
    if (!pin.isList()) fail(where + ": \"" + name + "\" is not a list pin");
    if (!value.is_array()) {
      patch.lists.push_back({0, pin.index, listValue(pin, value, where)});
      continue;
    }
    for (const json& change : value) {
      if (!change.is_array() || change.size() != 2) fail(where + ": changes are [time, choice]");
      patch.lists.push_back({clockOf(change[0], patch.sampleRate, where), pin.index,
                             listValue(pin, change[1], where)});
    }
  }
}

int32_t midiMessage(const json& event, const std::string& where) {
  const int32_t channel = event.value("channel", 1) - 1;
  if (channel < 0 || channel > 15) fail(where + ": channels are 1 to 16");
  auto byte = [&](const char* key, int32_t fallback) {
    const int32_t value = event.value(key, fallback);
    if (value < 0 || value > 127) fail(where + ": " + key + " must lie between 0 and 127");
    return value;
  };
  if (event.contains("noteOn"))
    return (0x90 | channel) | byte("noteOn", 0) << 8 | byte("velocity", 100) << 16;
  if (event.contains("noteOff"))  // a note ends with a note-on of velocity 0
    return (0x90 | channel) | byte("noteOff", 0) << 8;
  if (event.contains("bytes")) {
    const json& bytes = event.at("bytes");
    int32_t message = 0;
    for (size_t i = 0; i < bytes.size() && i < 3; ++i)
      message |= (bytes[i].get<int32_t>() & 0xFF) << (8 * i);
    return message;
  }
  fail(where + ": a MIDI event has noteOn, noteOff or bytes");
}

void readHost(const json& host, Patch& patch) {
  patch.hostTimeGiven = true;
  auto changes = [&](const char* key, auto apply) {
    if (!host.contains(key)) return;
    for (const json& change : host.at(key)) {
      if (!change.is_array() || change.size() != 2)
        fail(std::string("host.") + key + ": changes are [time, value]");
      TimedHostChange timed{clockOf(change[0], patch.sampleRate, key), {}, {}, {}};
      apply(timed, change[1]);
      patch.host.push_back(timed);
    }
  };
  changes("tempo", [](TimedHostChange& c, const json& v) { c.tempo = v.get<double>(); });
  changes("transport", [](TimedHostChange& c, const json& v) { c.running = v.get<bool>(); });
  changes("songPosition",
          [](TimedHostChange& c, const json& v) { c.songPosition = v.get<double>(); });
  std::stable_sort(patch.host.begin(), patch.host.end(),
                   [](const auto& a, const auto& b) { return a.clock < b.clock; });
}

}  // namespace

int32_t BlockPlan::largest() const {
  return random ? randomHighest : *std::max_element(sizes.begin(), sizes.end());
}

float StreamSignal::valueAt(int64_t clock) const {
  switch (kind) {
    case Kind::Constant:
      return static_cast<float>(constant);
    case Kind::Pulses: {
      if (clock < start || clock >= stop) return low;
      const double phase = std::fmod(static_cast<double>(clock - start), period);
      return phase < duty * period ? high : low;
    }
    case Kind::Steps: {
      float value = points.front().second;
      for (const auto& [at, v] : points)
        if (at <= clock) value = v;
      return value;
    }
    case Kind::Ramp: {
      if (clock <= points.front().first) return points.front().second;
      for (size_t i = 1; i < points.size(); ++i) {
        const auto& [a, va] = points[i - 1];
        const auto& [b, vb] = points[i];
        if (clock >= b) continue;
        const double t = static_cast<double>(clock - a) / static_cast<double>(b - a);
        return static_cast<float>(va + (vb - va) * t);
      }
      return points.back().second;
    }
    case Kind::Edges: {
      const auto passed = std::upper_bound(edges.begin(), edges.end(), clock) - edges.begin();
      return passed % 2 == 0 ? low : high;
    }
  }
  return 0.0f;
}

bool StreamSignal::varies() const {
  switch (kind) {
    case Kind::Constant:
      return false;
    case Kind::Edges:
      return !edges.empty();
    default:
      return kind == Kind::Pulses || points.size() > 1;
  }
}

Patch parsePatch(const json& root, const ModuleSummary& module) {
  Patch patch;
  patch.title = root.value("title", "");
  patch.sampleRate = root.value("sampleRate", 48000.0);
  if (!(patch.sampleRate >= 1000.0 && patch.sampleRate <= 768000.0))
    fail("sampleRate: between 1000 and 768000");
  patch.length = clockOf(root.value("length", json(48000)), patch.sampleRate, "length");
  if (patch.length < 1) fail("length: at least one sample");
  if (root.contains("blockSize")) patch.blocks = blockPlan(root.at("blockSize"));
  const json streams = root.value("streams", json::object());
  for (const auto& [name, value] : streams.items()) {
    const PinSummary& pin = pinNamed(module, name, DataStream, "streams." + name);
    if (!pin.isStream()) fail("streams." + name + ": \"" + name + "\" is not a stream pin");
    patch.streams.emplace_back(pin.index, streamSignal(value, patch.sampleRate, "streams." + name));
  }
  readLists(root.value("lists", json::object()), module, patch);
  const json midi = root.value("midi", json::array());
  for (const json& event : midi)
    patch.midi.push_back(
        {clockOf(event.at("at"), patch.sampleRate, "midi"), midiMessage(event, "midi")});
  if (root.contains("host")) readHost(root.at("host"), patch);
  const json statuses = root.value("statuses", json::array());
  for (const json& status : statuses) {
    const std::string name = status.at("pin").get<std::string>();
    const PinSummary* pin = module.findPin(name, true);
    if (pin == nullptr) fail("statuses: the module has no input pin \"" + name + "\"");
    patch.statuses.push_back({clockOf(status.at("at"), patch.sampleRate, "statuses"), pin->index,
                              status.at("status").get<int32_t>()});
  }
  const json file = root.value("midiFile", json::object());
  patch.midiFileTempo = file.value("tempo", 120.0);
  patch.midiFilePpq = file.value("ppq", 480);
  if (!(patch.midiFileTempo > 0.0) || patch.midiFilePpq < 1 || patch.midiFilePpq > 0x7FFF)
    fail("midiFile: a positive tempo and a PPQ from 1 to 32767");
  patch.csvChangesOnly = root.value("csv", "samples") == "changes";
  auto byClock = [](const auto& a, const auto& b) { return a.clock < b.clock; };
  std::stable_sort(patch.lists.begin(), patch.lists.end(), byClock);
  std::stable_sort(patch.midi.begin(), patch.midi.end(), byClock);
  std::stable_sort(patch.statuses.begin(), patch.statuses.end(), byClock);
  return patch;
}

Patch readPatch(const std::string& path, const ModuleSummary& module) {
  std::ifstream file(path);
  if (!file) fail("cannot read " + path);
  json root;
  try {
    root = json::parse(file, nullptr, true, true);
  } catch (const json::exception& error) {
    fail(path + ": " + error.what());
  }
  try {
    return parsePatch(root, module);
  } catch (const json::exception& error) {
    fail(path + ": " + error.what());
  }
}

}  // namespace nalto::modhost
