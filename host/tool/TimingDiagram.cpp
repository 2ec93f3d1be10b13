#include "TimingDiagram.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "MidiText.h"

namespace nalto::modhost {

namespace {

constexpr double kWidth = 1400.0;
constexpr double kLeft = 200.0;
constexpr double kRight = 30.0;
constexpr double kPlotWidth = kWidth - kLeft - kRight;
constexpr double kTop = 84.0;
constexpr double kGap = 12.0;
constexpr double kStreamHeight = 62.0;
constexpr double kListHeight = 24.0;
constexpr double kHostHeight = 30.0;
constexpr double kHeaderHeight = 22.0;
constexpr double kRollMinHeight = 60.0;
constexpr double kRollMaxHeight = 180.0;
constexpr double kRollRowHeight = 9.0;
constexpr double kStatusLabelSpacing = 60.0;
constexpr size_t kConstantLineLength = 150;

const char* const kInputColour = "#4d7a2a";
const char* const kOutputColour = "#1f5fa8";
const char* const kStatusColours[3] = {"#888888", "#e08a00", "#2a9d4a"};

std::string fixed(double value, int decimals = 1) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string shortNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", value);
  return text;
}

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (c == '"')
      out += "&quot;";
    else
      out += c;
  }
  return out;
}

struct Note {
  int64_t on;
  int64_t off;
  int32_t key;
  int32_t velocity;
};

struct Roll {
  std::vector<Note> notes;
  std::vector<std::pair<int64_t, int32_t>> others;  // messages that are no note
  int32_t lowest = 60;
  int32_t highest = 72;
};

Roll rollOf(const std::vector<std::pair<int64_t, int32_t>>& messages, int64_t end) {
  Roll roll;
  std::vector<Note> open;
  for (const auto& [clock, message] : messages) {
    const MidiBytes bytes = unpackMidi(message);
    if (isNoteOn(bytes)) {
      open.push_back({clock, end, bytes.data1, bytes.data2});
    } else if (isNoteEnd(bytes)) {
      auto match = std::find_if(open.begin(), open.end(),
                                [&](const Note& n) { return n.key == bytes.data1; });
      if (match == open.end()) {
        roll.others.emplace_back(clock, message);
        continue;
      }
      match->off = clock;
      roll.notes.push_back(*match);
      open.erase(match);
    } else {
      roll.others.emplace_back(clock, message);
    }
  }
  roll.notes.insert(roll.notes.end(), open.begin(), open.end());
  if (!roll.notes.empty()) {
    roll.lowest = roll.highest = roll.notes.front().key;
    for (const Note& note : roll.notes) {
      roll.lowest = std::min(roll.lowest, note.key);
      roll.highest = std::max(roll.highest, note.key);
    }
    roll.lowest = std::max(0, roll.lowest - 1);
    roll.highest = std::min(127, roll.highest + 1);
  }
  return roll;
}

bool isBlackKey(int32_t key) {
  const int32_t pitch = ((key % 12) + 12) % 12;
  return pitch == 1 || pitch == 3 || pitch == 6 || pitch == 8 || pitch == 10;
}

// A step in seconds of 1, 2 or 5 times a power of ten, giving about ten ticks.
double tickStep(double seconds) {
  const double raw = seconds / 10.0;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double factor : {1.0, 2.0, 5.0})
    if (factor * power >= raw) return factor * power;
  return 10.0 * power;
}

class Diagram {
 public:
  explicit Diagram(const Recording& recording) : r_(recording) {}

  std::string draw() {
    y_ = kTop;
    drawHostLane();
    header("Inputs");
    for (const PinSummary& pin : r_.module.pins)
      if (pin.isInput() && pin.isList()) drawListLane(pin);
    for (const PinSummary& pin : r_.module.pins)
      if (pin.isInput() && pin.isStream() && !isConstant(pin)) drawStreamLane(pin, kInputColour);
    drawConstantInputs();
    for (const PinSummary& pin : r_.module.pins)
      if (pin.isInput() && pin.isMidi()) drawRollLane(pin, midiIn(), kInputColour);
    header("Outputs");
    for (const PinSummary& pin : r_.module.pins)
      if (!pin.isInput() && pin.isStream()) drawStreamLane(pin, kOutputColour);
    for (const PinSummary& pin : r_.module.pins)
      if (!pin.isInput() && pin.isMidi()) drawRollLane(pin, midiOut(pin.index), kOutputColour);
    const double lanesBottom = y_;
    drawTimeAxis(lanesBottom);
    drawLegend(lanesBottom + 56.0);
    const double height = lanesBottom + 92.0;

    std::ostringstream svg;
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidth << "\" height=\""
        << fixed(height, 0) << "\" viewBox=\"0 0 " << kWidth << " " << fixed(height, 0)
        << "\" font-family=\"DejaVu Sans, Arial, Helvetica, sans-serif\">\n";
    svg << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg << titleBlock();
    svg << beatGrid(kTop, lanesBottom);
    svg << body_.str();
    svg << "</svg>\n";
    return svg.str();
  }

 private:
  double x(int64_t clock) const {
    return kLeft + kPlotWidth * static_cast<double>(clock) / static_cast<double>(r_.length());
  }

  std::string titleBlock() const {
    std::ostringstream out;
    const std::string title =
        r_.module.name + (r_.patch.title.empty() ? "" : ": " + r_.patch.title);
    out << "<text x=\"20\" y=\"32\" font-size=\"20\" font-weight=\"bold\" fill=\"#222\">"
        << escaped(title) << "</text>\n";
    const BlockPlan& blocks = r_.patch.blocks;
    std::string blockText = blocks.random
                                ? "random blocks of " + std::to_string(blocks.randomLowest) +
                                      " to " + std::to_string(blocks.randomHighest)
                                : "blocks of " + std::to_string(blocks.sizes.front());
    if (!blocks.random && blocks.sizes.size() > 1) blockText += " and more, in turn";
    out << "<text x=\"20\" y=\"56\" font-size=\"13\" fill=\"#555\">"
        << escaped(fixed(r_.patch.sampleRate, 0) + " samples per second, " + blockText + ", " +
                   fixed(r_.seconds(r_.length()), 2) + " s (" + std::to_string(r_.length()) +
                   " samples)")
        << "</text>\n";
    return out.str();
  }

  void header(const char* text) {
    body_ << "<text x=\"20\" y=\"" << fixed(y_ + 15) << "\" font-size=\"13\" font-weight=\"bold\" "
          << "fill=\"#444\" letter-spacing=\"1\">" << text << "</text>\n";
    body_ << "<line x1=\"20\" x2=\"" << kWidth - kRight << "\" y1=\"" << fixed(y_ + 20)
          << "\" y2=\"" << fixed(y_ + 20) << "\" stroke=\"#bbb\"/>\n";
    y_ += kHeaderHeight + 6.0;
  }

  void laneLabel(const PinSummary& pin, double top, double height, const char* colour) {
    const std::string detail = std::string(pin.isInput() ? "input" : "output") + " · " +
                               dataTypeName(pin.dataType) + " · pin " + std::to_string(pin.index);
    const double middle = top + height / 2.0;
    body_ << "<text x=\"20\" y=\"" << fixed(middle - 2)
          << "\" font-size=\"13\" font-weight=\"bold\" fill=\"" << colour << "\">"
          << escaped(pin.name) << "</text>\n";
    body_ << "<text x=\"20\" y=\"" << fixed(middle + 12) << "\" font-size=\"10\" fill=\"#777\">"
          << escaped(detail) << "</text>\n";
  }

  void laneFrame(double top, double height) {
    body_ << "<rect x=\"" << kLeft << "\" y=\"" << fixed(top) << "\" width=\"" << kPlotWidth
          << "\" height=\"" << fixed(height) << "\" fill=\"none\" stroke=\"#ccc\"/>\n";
  }

  // --- The host's time ---------------------------------------------------------------------

  void drawHostLane() {
    if (!r_.patch.hostTimeGiven && r_.timeInfoRequests == 0) return;
    hostLaneDrawn_ = true;
    const double top = y_;
    body_ << "<text x=\"20\" y=\"" << fixed(top + 13) << "\" font-size=\"13\" font-weight=\"bold\" "
          << "fill=\"#444\">Host</text>\n";
    body_ << "<text x=\"20\" y=\"" << fixed(top + 26) << "\" font-size=\"10\" fill=\"#777\">"
          << "tempo and transport</text>\n";
    size_t first = 0;
    for (size_t i = 1; i <= r_.blocks.size(); ++i) {
      const bool ends = i == r_.blocks.size() || r_.blocks[i].running != r_.blocks[first].running ||
                        r_.blocks[i].tempo != r_.blocks[first].tempo;
      if (!ends) continue;
      const HostBlock& from = r_.blocks[first];
      const int64_t end = i == r_.blocks.size() ? r_.length() : r_.blocks[i].clock;
      const double left = x(from.clock);
      const double width = std::max(0.5, x(end) - left);
      body_ << "<rect x=\"" << fixed(left) << "\" y=\"" << fixed(top) << "\" width=\""
            << fixed(width) << "\" height=\"" << kHostHeight << "\" fill=\""
            << (from.running ? "#dff0d8" : "#f2f2f2") << "\" stroke=\"white\"/>\n";
      const std::string text =
          shortNumber(from.tempo) + " bpm, " + (from.running ? "running" : "stopped");
      if (width > 80.0)
        body_ << "<text x=\"" << fixed(left + 6) << "\" y=\"" << fixed(top + 19)
              << "\" font-size=\"12\" "
              << "fill=\"#333\">" << escaped(text) << "</text>\n";
      first = i;
    }
    y_ += kHostHeight + kGap;
  }

  // Beats and bars (four beats) of the host's song position while its transport runs.
  std::string beatGrid(double top, double bottom) const {
    std::ostringstream out;
    double lastLabel = -1e9;
    for (const HostBlock& block : r_.blocks) {
      if (!block.running || !(block.tempo > 0.0)) continue;
      const double beatsPerSample = block.tempo / (60.0 * r_.patch.sampleRate);
      const double end = block.songPosition + block.length * beatsPerSample;
      for (double beat = std::ceil(block.songPosition); beat < end; beat += 1.0) {
        const double clock = block.clock + (beat - block.songPosition) / beatsPerSample;
        const double at = x(static_cast<int64_t>(std::llround(clock)));
        const bool bar = std::fmod(beat, 4.0) == 0.0;
        out << "<line x1=\"" << fixed(at) << "\" x2=\"" << fixed(at) << "\" y1=\"" << fixed(top)
            << "\" y2=\"" << fixed(bottom) << "\" stroke=\"" << (bar ? "#b0b0b0" : "#e4e4e4")
            << "\" stroke-width=\"" << (bar ? "1.2" : "1") << "\"/>\n";
        if (bar && at - lastLabel > 40.0) {
          out << "<text x=\"" << fixed(at + 3) << "\" y=\"" << fixed(top - 4)
              << "\" font-size=\"10\" "
              << "fill=\"#888\">bar " << static_cast<long long>(beat / 4.0) + 1 << "</text>\n";
          lastLabel = at;
        }
      }
    }
    return out.str();
  }

  // --- Lists ---------------------------------------------------------------------------------

  void drawListLane(const PinSummary& pin) {
    const double top = y_;
    laneLabel(pin, top, kListHeight + 6.0, kInputColour);
    std::vector<TimedListValue> changes;
    for (const TimedListValue& change : r_.lists)
      if (change.pin == pin.index) changes.push_back(change);
    for (size_t i = 0; i < changes.size(); ++i) {
      const int64_t end = i + 1 < changes.size() ? changes[i + 1].clock : r_.length();
      const double left = x(changes[i].clock);
      const double width = std::max(0.5, x(end) - left);
      const std::string label = pin.choices ? pin.choices->labelOf(changes[i].value) : "";
      const std::string text = label.empty() || label == std::to_string(changes[i].value)
                                   ? std::to_string(changes[i].value)
                                   : label + " (" + std::to_string(changes[i].value) + ")";
      body_ << "<rect x=\"" << fixed(left) << "\" y=\"" << fixed(top + 3) << "\" width=\""
            << fixed(width) << "\" height=\"" << kListHeight
            << "\" rx=\"3\" fill=\"#eef4e8\" stroke=\"" << kInputColour
            << "\" stroke-width=\"0.8\"/>\n";
      if (width > 30.0)
        body_ << "<text x=\"" << fixed(left + 6) << "\" y=\"" << fixed(top + 19)
              << "\" font-size=\"12\" "
              << "fill=\"#222\">" << escaped(text) << "</text>\n";
    }
    y_ += kListHeight + 6.0 + kGap;
  }

  // --- Streams -------------------------------------------------------------------------------

  bool isConstant(const PinSummary& pin) const {
    const std::vector<float>& samples = r_.streams.at(pin.index);
    return std::all_of(samples.begin(), samples.end(),
                       [&](float v) { return std::memcmp(&v, &samples.front(), sizeof v) == 0; });
  }

  // Inputs held at one value for the whole render, listed in a few lines instead of flat lanes.
  void drawConstantInputs() {
    std::vector<std::string> items;
    for (const PinSummary& pin : r_.module.pins)
      if (pin.isInput() && pin.isStream() && isConstant(pin))
        items.push_back("\"" + pin.name + "\" = " + shortNumber(r_.streams.at(pin.index).front()));
    if (items.empty()) return;
    std::vector<std::string> lines(1);
    for (const std::string& item : items) {
      if (lines.back().size() + item.size() > kConstantLineLength) lines.emplace_back();
      lines.back() += (lines.back().empty() ? "" : "   ") + item;
    }
    const double top = y_;
    body_ << "<text x=\"20\" y=\"" << fixed(top + 13)
          << "\" font-size=\"13\" font-weight=\"bold\" fill=\"" << kInputColour
          << "\">Held inputs</text>\n";
    body_ << "<text x=\"20\" y=\"" << fixed(top + 26) << "\" font-size=\"10\" fill=\"#777\">"
          << "constant streams</text>\n";
    for (size_t i = 0; i < lines.size(); ++i)
      body_ << "<text x=\"" << kLeft << "\" y=\"" << fixed(top + 13 + 15.0 * static_cast<double>(i))
            << "\" font-size=\"12\" fill=\"#333\">" << escaped(lines[i]) << "</text>\n";
    y_ += std::max(30.0, 15.0 * static_cast<double>(lines.size()) + 6.0) + kGap;
  }

  void drawStreamLane(const PinSummary& pin, const char* colour) {
    const std::vector<float>& samples = r_.streams.at(pin.index);
    const double top = y_ + 6.0;
    const double height = kStreamHeight;
    laneLabel(pin, top, height, colour);
    laneFrame(top, height);

    double lowest = 0.0;
    double highest = 0.0;
    for (float v : samples)
      if (std::isfinite(v)) {
        lowest = std::min(lowest, static_cast<double>(v));
        highest = std::max(highest, static_cast<double>(v));
      }
    if (highest == lowest) highest = lowest + 1.0;
    const double pad = 5.0;
    auto yOf = [&](double v) {
      return top + pad + (height - 2 * pad) * (highest - v) / (highest - lowest);
    };
    scaleLabel(highest, yOf(highest));
    scaleLabel(lowest, yOf(lowest));
    if (lowest < 0.0 && highest > 0.0) {
      scaleLabel(0.0, yOf(0.0));
      body_ << "<line x1=\"" << kLeft << "\" x2=\"" << kLeft + kPlotWidth << "\" y1=\""
            << fixed(yOf(0.0)) << "\" y2=\"" << fixed(yOf(0.0))
            << "\" stroke=\"#ccc\" stroke-dasharray=\"4 3\"/>\n";
    }

    const std::string path = stepPath(samples, yOf);
    if (!path.empty()) {
      body_ << "<path d=\"" << path << " L" << fixed(kLeft + kPlotWidth) << ","
            << fixed(yOf(lowest)) << " L" << fixed(kLeft) << "," << fixed(yOf(lowest))
            << " Z\" fill=\"" << colour << "\" fill-opacity=\"0.12\" stroke=\"none\"/>\n";
      body_ << "<path d=\"" << path << "\" fill=\"none\" stroke=\"" << colour
            << "\" stroke-width=\"1.4\" stroke-linejoin=\"round\"/>\n";
    }
    drawStatusMarks(pin, top);
    y_ = top + height + kGap;
  }

  void scaleLabel(double value, double at) {
    body_ << "<text x=\"" << kLeft - 6.0 << "\" y=\"" << fixed(at + 4) << "\" font-size=\"10\" "
          << "text-anchor=\"end\" fill=\"#666\">" << escaped(shortNumber(value)) << "</text>\n";
  }

  struct PathPoint {
    double x;
    double y;
    bool starts;  // a new stretch after samples that are not finite
  };

  // The samples drawn as a step line, one column per pixel, with each column's lowest and
  // highest value so that no pulse disappears; points inside flat stretches are left out.
  template <class YOf>
  std::string stepPath(const std::vector<float>& samples, YOf yOf) const {
    std::vector<PathPoint> points;
    const auto columns = static_cast<int64_t>(kPlotWidth);
    const auto count = static_cast<int64_t>(samples.size());
    bool drawing = false;
    for (int64_t c = 0; c < columns; ++c) {
      const int64_t from = c * count / columns;
      const int64_t to = std::max(from + 1, (c + 1) * count / columns);
      double low = INFINITY, high = -INFINITY, first = NAN, last = NAN;
      for (int64_t i = from; i < to && i < count; ++i) {
        const double v = samples[static_cast<size_t>(i)];
        if (!std::isfinite(v)) continue;
        if (std::isnan(first)) first = v;
        last = v;
        low = std::min(low, v);
        high = std::max(high, v);
      }
      if (std::isnan(first)) {
        drawing = false;
        continue;
      }
      const double at = kLeft + static_cast<double>(c);
      points.push_back({at, yOf(first), !drawing});
      if (high != low) {
        points.push_back({at, yOf(low), false});
        points.push_back({at, yOf(high), false});
      }
      points.push_back({at + 1.0, yOf(last), false});
      drawing = true;
    }
    std::ostringstream path;
    for (size_t i = 0; i < points.size(); ++i) {
      const bool flatMiddle = !points[i].starts && i + 1 < points.size() && !points[i + 1].starts &&
                              points[i - 1].y == points[i].y && points[i + 1].y == points[i].y;
      if (flatMiddle) continue;
      path << (points[i].starts ? " M" : " L") << fixed(points[i].x) << "," << fixed(points[i].y);
    }
    return path.str();
  }

  void drawStatusMarks(const PinSummary& pin, double top) {
    std::vector<std::pair<int64_t, int32_t>> marks;
    for (const TimedStatus& status : r_.statusesIn)
      if (status.pin == pin.index) marks.emplace_back(status.clock, status.status);
    for (const SentByModule& sent : r_.sent)
      if (!sent.midi && sent.pin == pin.index) marks.emplace_back(sent.clock, sent.value);
    std::stable_sort(marks.begin(), marks.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < marks.size(); ++i) {
      const auto [clock, status] = marks[i];
      const double at = x(clock);
      const char* colour = kStatusColours[std::clamp(status, 0, 2)];
      body_ << "<path d=\"M" << fixed(at - 3.5) << "," << fixed(top - 6) << " L" << fixed(at + 3.5)
            << "," << fixed(top - 6) << " L" << fixed(at) << "," << fixed(top) << " Z\" fill=\""
            << colour << "\"><title>" << escaped(describeStatus(status)) << " at sample " << clock
            << "</title></path>\n";
      // A label only where it has room between its neighbours; the colour says the rest.
      const bool roomBefore = i == 0 || at - x(marks[i - 1].first) >= kStatusLabelSpacing;
      const bool roomAfter =
          i + 1 == marks.size() || x(marks[i + 1].first) - at >= kStatusLabelSpacing;
      if (!roomBefore || !roomAfter) continue;
      body_ << "<text x=\"" << fixed(at + 5) << "\" y=\"" << fixed(top - 1)
            << "\" font-size=\"9\" fill=\"" << colour << "\">" << escaped(describeStatus(status))
            << "</text>\n";
    }
  }

  // --- MIDI ----------------------------------------------------------------------------------

  std::vector<std::pair<int64_t, int32_t>> midiIn() const {
    std::vector<std::pair<int64_t, int32_t>> messages;
    for (const TimedMidi& midi : r_.midiIn) messages.emplace_back(midi.clock, midi.message);
    return messages;
  }

  std::vector<std::pair<int64_t, int32_t>> midiOut(int32_t pin) const {
    std::vector<std::pair<int64_t, int32_t>> messages;
    for (const SentByModule& sent : r_.sent)
      if (sent.midi && sent.pin == pin) messages.emplace_back(sent.clock, sent.value);
    std::stable_sort(messages.begin(), messages.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return messages;
  }

  void drawRollLane(const PinSummary& pin, const std::vector<std::pair<int64_t, int32_t>>& messages,
                    const char* colour) {
    const Roll roll = rollOf(messages, r_.length());
    const int32_t rows = roll.highest - roll.lowest + 1;
    const double height = std::clamp(rows * kRollRowHeight, kRollMinHeight, kRollMaxHeight);
    const double top = y_ + 6.0;
    const double row = height / rows;
    laneLabel(pin, top, height, colour);
    for (int32_t key = roll.lowest; key <= roll.highest; ++key) {
      const double rowTop = top + (roll.highest - key) * row;
      if (isBlackKey(key))
        body_ << "<rect x=\"" << kLeft << "\" y=\"" << fixed(rowTop) << "\" width=\"" << kPlotWidth
              << "\" height=\"" << fixed(row) << "\" fill=\"#f3f3f3\"/>\n";
      const bool played = std::any_of(roll.notes.begin(), roll.notes.end(),
                                      [&](const Note& note) { return note.key == key; });
      if (played || (key % 12 == 0 && row >= 9.0))
        body_ << "<text x=\"" << kLeft - 6.0 << "\" y=\"" << fixed(rowTop + row / 2 + 3.5)
              << "\" font-size=\"10\" text-anchor=\"end\" fill=\"#666\">" << noteName(key)
              << "</text>\n";
    }
    laneFrame(top, height);
    for (const Note& note : roll.notes) {
      const double left = x(note.on);
      const double width = std::max(1.5, x(note.off) - left);
      const double rowTop = top + (roll.highest - note.key) * row;
      body_ << "<rect x=\"" << fixed(left) << "\" y=\"" << fixed(rowTop + 0.5) << "\" width=\""
            << fixed(width) << "\" height=\"" << fixed(std::max(1.0, row - 1.0))
            << "\" rx=\"1.5\" fill=\"" << colour << "\"><title>" << noteName(note.key)
            << " velocity " << note.velocity << ", samples " << note.on << " to " << note.off
            << "</title></rect>\n";
      if (width > 24.0 && row >= 9.0)
        body_ << "<text x=\"" << fixed(left + 3) << "\" y=\"" << fixed(rowTop + row - 1.5)
              << "\" font-size=\"" << fixed(std::min(10.0, row - 1.0)) << "\" fill=\"white\">"
              << noteName(note.key) << "</text>\n";
    }
    for (const auto& [clock, message] : roll.others)
      body_ << "<line x1=\"" << fixed(x(clock)) << "\" x2=\"" << fixed(x(clock)) << "\" y1=\""
            << fixed(top + height - 8) << "\" y2=\"" << fixed(top + height)
            << "\" stroke=\"#c0392b\">"
            << "<title>" << escaped(describeMidi(message)) << " at sample " << clock
            << "</title></line>\n";
    if (messages.empty())
      body_ << "<text x=\"" << kLeft + 8 << "\" y=\"" << fixed(top + height / 2 + 4)
            << "\" font-size=\"11\" fill=\"#999\">no MIDI</text>\n";
    y_ = top + height + kGap;
  }

  // --- Axis and legend -----------------------------------------------------------------------

  void drawTimeAxis(double top) {
    const double seconds = r_.seconds(r_.length());
    const double step = tickStep(seconds);
    body_ << "<line x1=\"" << kLeft << "\" x2=\"" << kLeft + kPlotWidth << "\" y1=\"" << fixed(top)
          << "\" y2=\"" << fixed(top) << "\" stroke=\"#444\"/>\n";
    for (double t = 0.0; t <= seconds + 1e-9; t += step) {
      const auto clock = static_cast<int64_t>(std::llround(t * r_.patch.sampleRate));
      const double at = x(clock);
      const int decimals = step >= 1.0 ? 0 : step >= 0.1 ? 1 : step >= 0.01 ? 2 : 3;
      body_ << "<line x1=\"" << fixed(at) << "\" x2=\"" << fixed(at) << "\" y1=\"" << fixed(top)
            << "\" y2=\"" << fixed(top + 5) << "\" stroke=\"#444\"/>\n";
      body_ << "<text x=\"" << fixed(at) << "\" y=\"" << fixed(top + 18) << "\" font-size=\"11\" "
            << "text-anchor=\"middle\" fill=\"#222\">" << fixed(t, decimals) << " s</text>\n";
      body_ << "<text x=\"" << fixed(at) << "\" y=\"" << fixed(top + 31) << "\" font-size=\"9\" "
            << "text-anchor=\"middle\" fill=\"#888\">" << clock << "</text>\n";
    }
    body_ << "<text x=\"20\" y=\"" << fixed(top + 18)
          << "\" font-size=\"11\" fill=\"#222\">seconds</text>\n";
    body_ << "<text x=\"20\" y=\"" << fixed(top + 31)
          << "\" font-size=\"9\" fill=\"#888\">samples</text>\n";
  }

  void drawLegend(double top) {
    body_ << "<text x=\"20\" y=\"" << fixed(top) << "\" font-size=\"11\" fill=\"#555\">"
          << "Green: inputs the host feeds; blue: outputs the module wrote. Triangles: pin status "
          << "changes (grey static, orange one-off, green running)."
          << (hostLaneDrawn_ ? " Vertical lines: beats of the host's song position while its "
                               "transport runs, darker at each bar of four."
                             : "")
          << "</text>\n";
  }

  const Recording& r_;
  std::ostringstream body_;
  double y_ = kTop;
  bool hostLaneDrawn_ = false;
};

}  // namespace

std::string timingDiagramSvg(const Recording& recording) { return Diagram(recording).draw(); }

}  // namespace nalto::modhost
