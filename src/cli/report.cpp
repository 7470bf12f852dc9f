#include "cli/report.h"

#include <new>

#include "rtl/exception.h"
#include "rtl/file_save.h"

std::string OneLine(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n' || c == '\r' || c == '\t') {
      line += ' ';
    } else if (byte < 0x20 || byte == 0x7F) {
      line += '?';
    } else {
      line += c;
    }
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

void ReportError(std::ostream& errors, std::string_view message) {
  errors << "tintsight-cli: " << OneLine(message) << '\n';
}

std::string FailureMessage(const std::exception& failure) {
  if (const auto* save = dynamic_cast<const TSaveFailure*>(&failure)) {
    // The message of a failed write does not say which file; that of a failed creation does.
    std::string message = dynamic_cast<const Exception&>(failure).Message();
    if (dynamic_cast<const EWriteError*>(&failure) != nullptr) message += ": " + save->FileName();
    if (!save->Reason().empty()) message += ": " + save->Reason();
    return message;
  }
  if (const auto* e = dynamic_cast<const Exception*>(&failure)) return e->Message();
  if (dynamic_cast<const std::bad_alloc*>(&failure) != nullptr) return "out of memory";
  return failure.what();
}

std::string ContrastLossLine(std::string_view input, std::string_view viewer, std::uint64_t lost,
                             std::uint64_t visible) {
  // Tenths of a percent, rounded half up in integers, so that every build prints the same.
  const std::uint64_t tenths = visible == 0 ? 0 : (lost * 2000 + visible) / (2 * visible);
  return OneLine(std::string(input) + ": " + std::string(viewer) + ": " +
                 std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) +
                 "% of visible boundaries lost (" + std::to_string(lost) + " of " +
                 std::to_string(visible) + ")");
}
