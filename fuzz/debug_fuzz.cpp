// Fuzzes the reading of Debug values: forms, cuts and "$$" stay within the kept copy.
#include <cstdint>
#include <cstring>
#include <string>

#include "debugparse.h"
#include "streamcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 4096) return 0;
  std::string value(reinterpret_cast<const char *>(data), size);
  value = value.c_str();  // an environment value ends at its first zero byte
  DebugValue v;
  debug_parse(value.c_str(), 4194304, &v);
  bool has_gt = value.find('>') != std::string::npos;
  bool has_bar = value.find('|') != std::string::npos;
  if (!has_gt && !has_bar && v.form != DebugValue::kPlain) stream_fault("form", value);
  if (v.form == DebugValue::kPipe && has_gt) stream_fault("pipe with '>'", value);
  if (v.form != DebugValue::kPlain) {
    const char *end = v.work + sizeof v.work;
    if (v.target < v.work || v.target >= end || !memchr(v.target, 0, end - v.target))
      stream_fault("target outside the copy", value);
    size_t len = strlen(v.target);
    if (len > 1 && (v.target[len - 1] == ' ' || v.target[len - 1] == '\t'))
      stream_fault("blank at the end of the target", value);
    if (v.target[0] == ' ' || v.target[0] == '\t') stream_fault("blank before the target", value);
  }
  debug_level(v.level, 0);
  debug_level(v.level, 0xffffffffu);
  return 0;
}
