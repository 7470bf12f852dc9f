#include "cli/output_file.h"

#include "cli/input_reading.h"

std::unique_ptr<TFileSave> OpenOutput(const std::string& name) {
  if (name == kStandardStreamName) return std::make_unique<TFileSave>(TFileSave::TStandardOutput{});
  return std::make_unique<TFileSave>(name);
}
