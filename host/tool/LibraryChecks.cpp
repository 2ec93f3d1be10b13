// Checks of the library as a whole: loading, exports, the information record, makeModule.
#include <cstring>
#include <set>

#include "Checks.h"
#include "ElfExports.h"
#include "ModuleSummary.h"
#include "nalto/DispatchOpcode.h"

namespace nalto::modhost {

namespace {

constexpr unsigned char kUnwritten = 0xA5;
constexpr size_t kGuardBytes = 64;
constexpr size_t kLongestName = 256;
constexpr size_t kLongestAbout = 4096;

// A ModuleInfoRecord inside a larger block filled with a pattern, so that any byte the module
// writes can be found.
struct GuardedInfo {
  unsigned char bytes[kGuardBytes + sizeof(ModuleInfoRecord) + kGuardBytes];
  GuardedInfo() { std::memset(bytes, kUnwritten, sizeof bytes); }
  ModuleInfoRecord* record() { return reinterpret_cast<ModuleInfoRecord*>(bytes + kGuardBytes); }
  // Offsets (relative to the record) of changed bytes outside [from, to).
  std::vector<long> writtenOutside(size_t from, size_t to) const {
    std::vector<long> written;
    for (size_t i = 0; i < sizeof bytes; ++i) {
      const long relative = static_cast<long>(i) - static_cast<long>(kGuardBytes);
      const bool allowed = relative >= static_cast<long>(from) && relative < static_cast<long>(to);
      if (!allowed && bytes[i] != kUnwritten) written.push_back(relative);
    }
    return written;
  }
};

std::string byteList(const std::vector<long>& offsets) {
  std::string text;
  for (size_t i = 0; i < offsets.size() && i < 6; ++i)
    text += (i ? ", " : "") + std::to_string(offsets[i]);
  return text + (offsets.size() > 6 ? ", ..." : "");
}

void checkOtherIndex(const host::ModuleLibrary& library, int32_t index, CheckResult& result) {
  GuardedInfo info;
  const int32_t answer = library.getModuleProperties()(index, info.record());
  const std::string call = "getModuleProperties(" + std::to_string(index) + ")";
  if (answer != 0) result.fail(call + " answers " + std::to_string(answer) + ", not 0");
  if (info.record()->sdkVersion != ModuleSdkVersion)
    result.fail(call + " leaves sdkVersion at " + std::to_string(info.record()->sdkVersion));
  const size_t versionAt = offsetof(ModuleInfoRecord, sdkVersion);
  const auto written = info.writtenOutside(versionAt, versionAt + sizeof(int32_t));
  if (!written.empty())
    result.fail(call + " writes bytes other than sdkVersion, at offsets " + byteList(written));
}

void checkIndexZero(const host::ModuleLibrary& library, CheckResult& result) {
  GuardedInfo first;
  GuardedInfo second;
  const int32_t answer = library.getModuleProperties()(0, first.record());
  library.getModuleProperties()(0, second.record());
  if (answer != 1)
    result.fail("getModuleProperties(0) answers " + std::to_string(answer) + ", not 1");
  if (first.record()->sdkVersion != ModuleSdkVersion)
    result.fail("getModuleProperties(0) writes sdkVersion " +
                std::to_string(first.record()->sdkVersion) + ", not 2120");
  const auto hostBytes = first.writtenOutside(0, offsetof(ModuleInfoRecord, hostOwnedA));
  const auto versionAt = static_cast<long>(offsetof(ModuleInfoRecord, sdkVersion));
  std::vector<long> wrong;
  for (long at : hostBytes)
    if (at < versionAt || at >= versionAt + static_cast<long>(sizeof(int32_t))) wrong.push_back(at);
  if (!wrong.empty())
    result.fail("getModuleProperties(0) writes the host's bytes or past the record, at offsets " +
                byteList(wrong));
  if (std::memcmp(first.bytes, second.bytes, sizeof first.bytes) != 0)
    result.fail("getModuleProperties(0) fills the record differently when asked twice");
}

constexpr size_t kNotUtf8 = 99;

// How many continuation bytes follow a UTF-8 lead byte.
size_t utf8Continuations(unsigned char lead) {
  if (lead < 0x80) return 0;
  if ((lead >> 5) == 0x6) return 1;
  if ((lead >> 4) == 0xE) return 2;
  if ((lead >> 3) == 0x1E) return 3;
  return kNotUtf8;
}

// Empty when the text is fine, else what is wrong with it.
std::string textProblem(const char* text, size_t longest, bool lines) {
  if (text == nullptr) return "is null";
  const size_t length = strnlen(text, longest + 1);
  if (length > longest) return "has no end within " + std::to_string(longest) + " bytes";
  if (length == 0) return "is empty";
  for (size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 && !(lines && (c == '\n' || c == '\t')))
      return "holds control character " + std::to_string(c) + " at byte " + std::to_string(i);
  }
  size_t i = 0;
  while (i < length) {
    const auto c = static_cast<unsigned char>(text[i]);
    const size_t extra = utf8Continuations(c);
    if (extra == kNotUtf8 || i + extra >= length) return "is not UTF-8";
    for (size_t k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2) return "is not UTF-8";
    i += extra + 1;
  }
  return {};
}

intptr_t NALTO_CALL quietHost(ModuleInstanceRecord*, int32_t, int32_t, int32_t, void*, float) {
  return 0;
}

void checkRecord(const ModuleInstanceRecord& record, void* handle, CheckResult& result) {
  if (record.magic != InstanceMagic) result.fail("the record's magic is not 0x5345507B");
  if (record.version != InstanceVersion) result.fail("the record's version is not 1");
  if (record.hostHandle != handle) result.fail("the record does not hold the host's handle");
  if (record.object == nullptr) result.fail("the record's object is null");
  if (record.dispatcher == nullptr || record.processRoutine == nullptr ||
      record.eventRoutine == nullptr)
    result.fail("the record lacks an entry (dispatcher, process routine or event routine)");
  const int32_t zeros[4] = {0, 0, 0, 0};
  if (record.reserved0 != nullptr || std::memcmp(record.reserved1, zeros, sizeof zeros) != 0)
    result.fail("the record's reserved bytes are not zero");
}

}  // namespace

CheckResult checkLoad(const CheckContext& context) {
  CheckResult result("load");
  host::ModuleLibrary library(context.path);
  if (!library.loaded()) result.fail(library.error());
  return result;
}

CheckResult checkExports(const CheckContext& context) {
  CheckResult result("exports");
  std::string error;
  const auto names = readElfExports(context.path, error);
  if (!names) {
    result.skip("cannot read the exports: " + error);
    return result;
  }
  const std::set<std::string> wanted = {"getModuleProperties", "makeModule"};
  std::set<std::string> found;
  for (const std::string& name : *names) {
    if (wanted.count(name) == 0) result.fail("also exports " + name);
    found.insert(name);
  }
  for (const std::string& name : wanted)
    if (found.count(name) == 0) result.fail("does not export " + name);
  result.note(std::to_string(names->size()) + " exported names");
  return result;
}

CheckResult checkProperties(const CheckContext& context) {
  CheckResult result("properties");
  host::ModuleLibrary library(context.path);
  if (!library.loaded()) {
    result.skip("the library does not load");
    return result;
  }
  checkIndexZero(library, result);
  for (int32_t index : {1, -1, 2, INT32_MAX, INT32_MIN}) checkOtherIndex(library, index, result);
  return result;
}

CheckResult checkInfoTexts(const CheckContext& context) {
  CheckResult result("info-texts");
  host::ModuleLibrary library(context.path);
  ModuleInfoRecord info{};
  if (!library.moduleInfo(info)) {
    result.skip("getModuleProperties(0) gives no record");
    return result;
  }
  const struct {
    const char* field;
    const char* text;
    size_t longest;
    bool lines;
  } texts[] = {{"name", info.name, kLongestName, false},
               {"identifier", info.identifier, kLongestName, false},
               {"aboutText", info.aboutText, kLongestAbout, true}};
  for (const auto& text : texts) {
    const std::string problem = textProblem(text.text, text.longest, text.lines);
    if (!problem.empty()) result.fail(std::string(text.field) + " " + problem);
  }
  if (!result.failed()) result.note("\"" + moduleText(info.name) + "\"");
  return result;
}

CheckResult checkMakeModule(const CheckContext& context) {
  CheckResult result("make-module");
  host::ModuleLibrary library(context.path);
  if (!library.loaded()) {
    result.skip("the library does not load");
    return result;
  }
  const int32_t refused[][2] = {{1, 1}, {0, 2}, {0, 0}, {-1, 1}, {0, -1}, {INT32_MAX, 1}};
  for (const auto& wrong : refused) {
    ModuleInstanceRecord* record = library.makeModule()(wrong[0], wrong[1], &quietHost, nullptr);
    if (record == nullptr) continue;
    result.fail("makeModule(" + std::to_string(wrong[0]) + ", " + std::to_string(wrong[1]) +
                ") makes an instance instead of answering null");
    record->dispatcher(record, DispatchStop, 0, 0, nullptr, 0.0f);
  }
  int handle = 0;
  ModuleInstanceRecord* record = library.makeModule()(0, ModuleKindInstance, &quietHost, &handle);
  if (record == nullptr) {
    result.fail("makeModule(0, 1) answers null");
    return result;
  }
  checkRecord(*record, &handle, result);
  if (record->dispatcher != nullptr) {
    const int32_t answer = record->dispatcher(record, DispatchStop, 0, 0, nullptr, 0.0f);
    if (answer != 1) result.fail("DispatchStop answers " + std::to_string(answer) + ", not 1");
  }
  return result;
}

}  // namespace nalto::modhost
